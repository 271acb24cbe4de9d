// WOW64 file-system redirection, turned off for one thread while a scope lives.
#pragma once

// A 32-bit process on 64-bit Windows sees SysWOW64 wherever it names System32. With redirection
// off, the calling thread sees the real file system instead; on 32-bit Windows, and off Windows,
// nothing changes. Only for threads that walk and read files: loading a DLL (LoadLibrary, delay
// loads, COM, the shell) needs the redirection on.
class FsRedirectionSwitch {
 public:
  virtual ~FsRedirectionSwitch() = default;
  // Off for the calling thread; false when nothing was turned off. previous is for Restore.
  virtual bool TurnOff(void*& previous) = 0;
  // On again, on the same thread, after a TurnOff that gave true.
  virtual void Restore(void* previous) = 0;
};

FsRedirectionSwitch& PlatformFsRedirectionSwitch();

// Redirection off for the calling thread while it lives; with no switch, nothing changes.
class FsRedirectionOff {
 public:
  explicit FsRedirectionOff(FsRedirectionSwitch* redirection) : redirection_(redirection) {
    if (redirection_ != nullptr && !redirection_->TurnOff(previous_)) redirection_ = nullptr;
  }
  explicit FsRedirectionOff(FsRedirectionSwitch& redirection) : FsRedirectionOff(&redirection) {}
  ~FsRedirectionOff() {
    if (redirection_ != nullptr) redirection_->Restore(previous_);
  }
  FsRedirectionOff(const FsRedirectionOff&) = delete;
  FsRedirectionOff& operator=(const FsRedirectionOff&) = delete;

 private:
  FsRedirectionSwitch* redirection_;
  void* previous_ = nullptr;
};
