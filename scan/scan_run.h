// One scan at a time, from its start to its end: the scan gate, the running and abandon flags,
// the progress buffer and the window's finish notice.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>

#include "platform/threads.h"

class ScanRun {
 public:
  // The scan gate, held while a Hold lives. Held by the worker around each of its control writes
  // (whose routines take a Hold), by the clear action, a start and the abandon: a row and its
  // score change are seen together, and a clear never falls between them.
  class Hold {
   public:
    Hold(const Hold&) = delete;
    Hold& operator=(const Hold&) = delete;
    // ShowProgress's buffer: one walk at a time writes it.
    std::string& ProgressText() const { return run_.progressText_; }

   private:
    friend class ScanRun;
    explicit Hold(ScanRun& run) : run_(run), lock_(run.gate_) {}
    ScanRun& run_;
    std::lock_guard<std::mutex> lock_;
  };

  ScanRun() = default;
  ScanRun(const ScanRun&) = delete;
  ScanRun& operator=(const ScanRun&) = delete;

  [[nodiscard]] Hold HoldGate() { return Hold(*this); }

  // Runs walk on a new detached thread of threads; then, under the gate, the run ends and (unless
  // abandoned) showEnd writes its end, and the finish notice follows. Refused (false, nothing
  // changes) while a run is under way, after Abandon, or when no thread can be made.
  bool Start(ThreadStarter& threads, std::function<void()> walk, std::function<void(const Hold&)> showEnd);
  bool IsRunning() const { return running_.load(); }

  // At exit: no run starts again, and a running one shows nothing more once this returns.
  void Abandon();
  bool IsAbandoned() const { return abandoned_.load(); }

  // Set once, before any start; called on the worker's thread once its end is written, so the
  // window shows the end at once instead of at its next paced render.
  void SetFinishNotifier(std::function<void()> notify);

 private:
  void Finish();

  std::mutex gate_;
  std::atomic<bool> running_{false};
  std::atomic<bool> abandoned_{false};
  std::string progressText_;
  std::function<void()> walk_;
  std::function<void(const Hold&)> showEnd_;
  std::function<void()> notifyFinished_;
};
