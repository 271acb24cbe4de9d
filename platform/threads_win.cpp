// Threads through CreateThread, and the pool's lock and wake-ups on the system's own primitives.
#include <windows.h>

#include <memory>

#include "platform/threads.h"

namespace {

DWORD WINAPI RunBody(LPVOID param) {
  std::unique_ptr<std::function<void()>> body(static_cast<std::function<void()>*>(param));
  // A drive without a medium must fail quietly instead of asking the user to insert one.
  SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, nullptr);
  (*body)();
  return 0;
}

// nullptr when no thread could be made.
HANDLE CreateBodyThread(std::function<void()> body) {
  auto* owned = new std::function<void()>(std::move(body));
  HANDLE h = CreateThread(nullptr, 0, RunBody, owned, 0, nullptr);
  if (h == nullptr) delete owned;
  return h;
}

bool StartThread(std::function<void()> body) {
  HANDLE h = CreateBodyThread(std::move(body));
  if (h == nullptr) return false;
  CloseHandle(h);
  return true;
}

class WinThreadStarter final : public ThreadStarter {
 public:
  bool StartDetached(std::function<void()> body) override { return StartThread(std::move(body)); }
};

}  // namespace

struct PoolMutex::Native {
  SRWLOCK lock = SRWLOCK_INIT;
};
PoolMutex::PoolMutex() : native_(std::make_unique<Native>()) {}
PoolMutex::~PoolMutex() = default;
void PoolMutex::lock() { AcquireSRWLockExclusive(&native_->lock); }
void PoolMutex::unlock() { ReleaseSRWLockExclusive(&native_->lock); }

struct PoolCondition::Native {
  CONDITION_VARIABLE condition = CONDITION_VARIABLE_INIT;
};
PoolCondition::PoolCondition() : native_(std::make_unique<Native>()) {}
PoolCondition::~PoolCondition() = default;
void PoolCondition::wait(std::unique_lock<PoolMutex>& held) {
  SleepConditionVariableSRW(&native_->condition, &held.mutex()->native_->lock, INFINITE, 0);
}
void PoolCondition::notify_one() { WakeConditionVariable(&native_->condition); }
void PoolCondition::notify_all() { WakeAllConditionVariable(&native_->condition); }

struct PoolThread::Native {
  HANDLE thread = nullptr;
};
PoolThread::PoolThread() = default;
PoolThread::PoolThread(PoolThread&& other) noexcept = default;
PoolThread::~PoolThread() { Join(); }
bool PoolThread::Start(std::function<void()> body) {
  Join();
  auto native = std::make_unique<Native>();
  native->thread = CreateBodyThread(std::move(body));
  if (native->thread == nullptr) return false;
  native_ = std::move(native);
  return true;
}
void PoolThread::Join() {
  if (!native_) return;
  WaitForSingleObject(native_->thread, INFINITE);
  CloseHandle(native_->thread);
  native_.reset();
}

ThreadStarter& PlatformThreadStarter() {
  static WinThreadStarter starter;
  return starter;
}
