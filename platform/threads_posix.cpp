// Threads off Windows: std::thread, std::mutex and std::condition_variable.
#include <condition_variable>
#include <system_error>
#include <thread>

#include "platform/threads.h"

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

}  // namespace

struct PoolMutex::Native {
  std::mutex mutex;
};
PoolMutex::PoolMutex() : native_(std::make_unique<Native>()) {}
PoolMutex::~PoolMutex() = default;
void PoolMutex::lock() { native_->mutex.lock(); }
void PoolMutex::unlock() { native_->mutex.unlock(); }

struct PoolCondition::Native {
  std::condition_variable condition;
};
PoolCondition::PoolCondition() : native_(std::make_unique<Native>()) {}
PoolCondition::~PoolCondition() = default;
void PoolCondition::wait(std::unique_lock<PoolMutex>& held) {
  std::unique_lock<std::mutex> inner(held.mutex()->native_->mutex, std::adopt_lock);
  native_->condition.wait(inner);
  inner.release();
}
void PoolCondition::notify_one() { native_->condition.notify_one(); }
void PoolCondition::notify_all() { native_->condition.notify_all(); }

struct PoolThread::Native {
  std::thread thread;
};
PoolThread::PoolThread() = default;
PoolThread::PoolThread(PoolThread&& other) noexcept = default;
PoolThread::~PoolThread() { Join(); }
bool PoolThread::Start(std::function<void()> body) {
  Join();
  try {
    auto native = std::make_unique<Native>();
    native->thread = std::thread(std::move(body));
    native_ = std::move(native);
    return true;
  } catch (const std::system_error&) {
    return false;
  }
}
void PoolThread::Join() {
  if (native_ && native_->thread.joinable()) native_->thread.join();
  native_.reset();
}

ThreadStarter& PlatformThreadStarter() {
  static StdThreadStarter starter;
  return starter;
}
