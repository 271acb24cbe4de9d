// WOW64 file-system redirection, turned off for one thread while a scope lives.
#pragma once

// A 32-bit process on 64-bit Windows sees SysWOW64 wherever it names System32. While an
// FsRedirectionOff lives, the calling thread sees the real file system instead; on 32-bit
// Windows, and off Windows, nothing changes. Only for threads that walk and read files:
// loading a DLL (LoadLibrary, delay loads, COM, the shell) needs the redirection on.
class FsRedirectionOff {
 public:
  FsRedirectionOff();
  ~FsRedirectionOff();
  FsRedirectionOff(const FsRedirectionOff&) = delete;
  FsRedirectionOff& operator=(const FsRedirectionOff&) = delete;

 private:
  void* previous_ = nullptr;
  bool off_ = false;
};
