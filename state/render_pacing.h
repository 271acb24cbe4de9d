// When the window shows the control state. It always shows one moment of it, the list with every
// caption, so no label ever runs ahead of the rows. Growing the list view is the dearest thing the
// window does (under Wine tens of milliseconds, taken from the scan's CPU), so while a walk runs
// and rows keep coming, the whole window waits for the list's next growth: at most once in ten
// times its last growth took, but within a bound that keeps the scan shown ten times a second.
// Once the walk is over everything is shown at once.
#pragma once

struct RenderPlan {
  bool render = false;   // the list (rows, selection, reveal) and every caption, in one moment
  double wakeInMs = -1;  // render again this much later even without a change; < 0: no need
};

class RenderPacer {
 public:
  static constexpr double kIntervalMs = 30;    // the pace of the window while the state changes
  static constexpr double kGrowthShare = 0.1;  // of the time between growths, what one may cost
  static constexpr double kMaxGrowthPauseMs = 70;

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
