// The scan run's start, its end under the gate, and the abandon at exit.
#include "scan/scan_run.h"

#include <utility>

bool ScanRun::Start(ThreadStarter& threads, std::function<void()> walk,
                    std::function<void(const Hold&)> showEnd) {
  {
    const Hold gate = HoldGate();
    if (running_.load() || abandoned_.load()) return false;
    running_.store(true);
    // Kept here, not in the thread's body: no other run touches them until this one has ended.
    walk_ = std::move(walk);
    showEnd_ = std::move(showEnd);
  }
  // Outside the gate: a starter may run the body before it returns.
  if (!threads.StartDetached([this] {
        walk_();
        Finish();
      })) {
    running_.store(false);
    return false;
  }
  return true;
}

// The running flag drops and the end is written in one step under the gate, so no new run can
// start in between: an end on the label always belongs to the last walk.
void ScanRun::Finish() {
  {
    const Hold gate = HoldGate();
    running_.store(false);
    if (abandoned_.load()) return;
    showEnd_(gate);
  }
  if (notifyFinished_) notifyFinished_();
}

void ScanRun::Abandon() {
  const Hold gate = HoldGate();
  abandoned_.store(true);
}

void ScanRun::SetFinishNotifier(std::function<void()> notify) {
  const Hold gate = HoldGate();
  notifyFinished_ = std::move(notify);
}
