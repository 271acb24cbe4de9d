// Platform services of the program logic besides listing and reading.
#pragma once

#include <functional>
#include <string>

#include "text/codepage.h"

class ThreadStarter {
 public:
  virtual ~ThreadStarter() = default;
  // Runs body on a new detached thread; false when the thread cannot be created.
  virtual bool StartDetached(std::function<void()> body) = 0;
};

class ShellOpener {
 public:
  virtual ~ShellOpener() = default;
  // Asks the desktop shell for the default action on the file; never blocks, failure silent.
  // nativePath, when not empty, is the platform's own form of the same path.
  virtual void OpenWithDefaultAction(const std::string& gbkPath, const NativeString& nativePath) = 0;
};

ThreadStarter& PlatformThreadStarter();
ShellOpener& PlatformShellOpener();
