// When the window shows what of the control state. Growing the list view is the dearest thing the
// window does (under Wine tens of milliseconds, taken from the scan's CPU), so while a walk runs
// the list grows seldom, at most once in ten times its last growth took; the progress text goes
// on at its own pace meanwhile, and the score, verdict and end text wait for the rows they count.
// Once the walk is over everything is shown at once.
#pragma once

struct RenderPlan {
  bool list = false;      // the list (rows, selection, reveal) and every caption, in one moment
  bool progress = false;  // only the status caption (the walk's progress)
  double wakeInMs = -1;   // render again this much later even without a change; < 0: no need
};

class RenderPacer {
 public:
  static constexpr double kIntervalMs = 30;        // the pace of the window while the state changes
  static constexpr double kGrowthShare = 0.1;      // of the time between growths, what one may cost
  static constexpr double kMaxGrowthPauseMs = 500;

  // now: a clock in ms; walking: a walk is running; listGrows: the state has rows the list lacks.
  RenderPlan Plan(double now, bool walking, bool listGrows) const;
  // What was rendered at now; growthCostMs: what growing the list took (< 0: it did not grow).
  void Rendered(double now, const RenderPlan& plan, double growthCostMs = -1);
  double GrowthPauseMs() const { return growthPause_; }

 private:
  double lastRender_ = -1e300;
  double lastGrowth_ = -1e300;
  double growthPause_ = kIntervalMs;
};
