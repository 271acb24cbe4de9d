// Detached threads and the shell request.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/shell.h"
#include "platform/threads.h"

namespace {

bool WaitFor(const std::atomic<int>& value, int want) {
  for (int i = 0; i < 500 && value.load() != want; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return value.load() == want;
}

TEST(ThreadStarter, BodiesRunOnTheirOwnThreadsWithoutAnyoneWaiting) {
  std::atomic<int> done{0};
  const std::thread::id self = std::this_thread::get_id();
  std::atomic<bool> otherThread{true};
  for (int i = 0; i < 8; ++i) {
    ASSERT_TRUE(PlatformThreadStarter().StartDetached([&] {
      if (std::this_thread::get_id() == self) otherThread = false;
      ++done;
    }));
  }
  EXPECT_TRUE(WaitFor(done, 8));
  EXPECT_TRUE(otherThread.load());
}

TEST(ShellOpener, ReturnsAtOnceForAMissingFile) {
  const auto start = std::chrono::steady_clock::now();
  PlatformShellOpener().OpenWithDefaultAction("Z:\\kevu-no-such-dir\\none.kevu-none", NativeString());
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

}  // namespace
