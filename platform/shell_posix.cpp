// No desktop shell to ask off Windows.
#include "platform/shell.h"

namespace {

// Tools and tests run here; opening files on their behalf would only do harm.
class NoShellOpener final : public ShellOpener {
 public:
  void OpenWithDefaultAction(const std::string&, const NativeString&) override {}
};

}  // namespace

ShellOpener& PlatformShellOpener() {
  static NoShellOpener opener;
  return opener;
}
