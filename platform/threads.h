// Threads: the detached scan thread, and the lock, wake-ups and joinable threads of a pool.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "text/codepage.h"

class ThreadStarter {
 public:
  virtual ~ThreadStarter() = default;
  // Runs body on a new detached thread; false when the thread cannot be created.
  virtual bool StartDetached(std::function<void()> body) = 0;
};

// The lock, wake-up and joinable threads of a worker pool. On Windows they are the system's own
// (SRW lock, condition variable, CreateThread): MinGW's std::thread and std::condition_variable
// go through the winpthreads emulation, which the pool would depend on thousands of times a scan.
class PoolMutex {
 public:
  PoolMutex();
  ~PoolMutex();
  PoolMutex(const PoolMutex&) = delete;
  PoolMutex& operator=(const PoolMutex&) = delete;
  void lock();
  void unlock();

 private:
  friend class PoolCondition;
  struct Native;
  std::unique_ptr<Native> native_;
};

class PoolCondition {
 public:
  PoolCondition();
  ~PoolCondition();
  PoolCondition(const PoolCondition&) = delete;
  PoolCondition& operator=(const PoolCondition&) = delete;
  void wait(std::unique_lock<PoolMutex>& held);  // may wake without a notify
  template <typename Ready>
  void wait(std::unique_lock<PoolMutex>& held, Ready ready) {
    while (!ready()) wait(held);
  }
  void notify_one();
  void notify_all();

 private:
  struct Native;
  std::unique_ptr<Native> native_;
};

// A thread that is joined, at the latest when it goes (so it can never end the program the way
// a joinable std::thread does). On Windows it fails critical errors quietly, as the worker does.
class PoolThread {
 public:
  PoolThread();
  ~PoolThread();
  PoolThread(PoolThread&& other) noexcept;
  PoolThread& operator=(PoolThread&&) = delete;
  bool Start(std::function<void()> body);  // false when no thread could be made
  void Join();

 private:
  struct Native;
  std::unique_ptr<Native> native_;
};

ThreadStarter& PlatformThreadStarter();
