// The desktop shell's default action on a file.
#pragma once

#include <string>

#include "text/codepage.h"

class ShellOpener {
 public:
  virtual ~ShellOpener() = default;
  // Asks the desktop shell for the default action on the file; never blocks, failure silent.
  // nativePath, when not empty, is the platform's own form of the same path.
  virtual void OpenWithDefaultAction(const std::string& gbkPath, const NativeString& nativePath) = 0;
};

ShellOpener& PlatformShellOpener();
