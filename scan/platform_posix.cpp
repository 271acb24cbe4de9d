// Threads and the shell off Windows: std::thread, and no desktop shell to ask.
#include <system_error>
#include <thread>

#include "scan/platform.h"

namespace {

class StdThreadStarter final : public ThreadStarter {
 public:
  bool StartDetached(std::function<void()> body) override {
    try {
      std::thread(std::move(body)).detach();
      return true;
    } catch (const std::system_error&) {
      return false;
    }
  }
};

// Tools and tests run here; opening files on their behalf would only do harm.
class NoShellOpener final : public ShellOpener {
 public:
  void OpenWithDefaultAction(const std::string&, const NativeString&) override {}
};

}  // namespace

ThreadStarter& PlatformThreadStarter() {
  static StdThreadStarter starter;
  return starter;
}

ShellOpener& PlatformShellOpener() {
  static NoShellOpener opener;
  return opener;
}
