// No file-system redirection to turn off here.
#include "platform/fs_redirection.h"

namespace {

class NoRedirectionSwitch final : public FsRedirectionSwitch {
 public:
  bool TurnOff(void*&) override { return false; }
  void Restore(void*) override {}
};

}  // namespace

FsRedirectionSwitch& PlatformFsRedirectionSwitch() {
  static NoRedirectionSwitch none;
  return none;
}
