// While a walk runs: progress at its own pace; rows, score and verdict together; the end text only with every row.
#pragma once

struct RenderPlan {
  bool progress = false;  // the status label
  bool list = false;      // the rows, selection, score and verdict (and the status), in one moment
  double wakeInMs = -1;   // render again this much later even without a change; < 0: no need
};

class RenderPacer {
 public:
  static constexpr double kIntervalMs = 30;    // the pace of each part while the state changes
  static constexpr double kGrowthShare = 0.1;  // of the time between growths, what one may cost
  // Growing the list view is the dearest call under Wine (tens of ms); past this bound a dearer
  // growth takes more than its share, so that score and verdict still change five times a second.
  static constexpr double kMaxGrowthPauseMs = 180;

  // now: a clock in ms; walking: a walk is running; listGrows: the state has rows the list lacks.
  RenderPlan Plan(double now, bool walking, bool listGrows) const;
  // What was rendered at now; growthCostMs: what growing the list took (< 0: it did not grow).
  void Rendered(double now, const RenderPlan& plan, double growthCostMs = -1);

 private:
  double lastProgress_ = -1e300;
  double lastList_ = -1e300;
  double lastGrowth_ = -1e300;
  double growthPause_ = kIntervalMs;
};
