// Turns file-system redirection off for the calling thread while it lives (64-bit Windows).
#pragma once

class FsRedirectionOff {
 public:
  FsRedirectionOff() {}
  ~FsRedirectionOff() {}
  FsRedirectionOff(const FsRedirectionOff&) = delete;
  FsRedirectionOff& operator=(const FsRedirectionOff&) = delete;

 private:
  void* previous_ = nullptr;
  bool off_ = false;
};
