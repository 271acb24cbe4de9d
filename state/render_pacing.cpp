#include "state/render_pacing.h"

#include <algorithm>

RenderPlan RenderPacer::Plan(double now, bool walking, bool listGrows) const {
  RenderPlan plan;
  if (!walking) {
    // The end text comes with the rows it tells of, at once.
    plan.progress = plan.list = true;
    return plan;
  }
  const double progressDue = lastProgress_ + kIntervalMs;
  double listDue = lastList_ + kIntervalMs;
  if (listGrows) listDue = std::max(listDue, lastGrowth_ + growthPause_);
  plan.list = now >= listDue;
  plan.progress = plan.list || now >= progressDue;
  if (plan.list) return plan;  // everything shown: the next change asks again
  // The list waits for its growth; meanwhile the progress goes on at its pace.
  plan.wakeInMs = std::min(plan.progress ? now + kIntervalMs : progressDue, listDue) - now;
  return plan;
}

void RenderPacer::Rendered(double now, const RenderPlan& plan, double growthCostMs) {
  if (plan.progress) lastProgress_ = now;  // a list render shows the progress too
  if (!plan.list) return;
  lastList_ = now;
  if (growthCostMs >= 0) {
    lastGrowth_ = now;
    growthPause_ = std::clamp(growthCostMs / kGrowthShare, kIntervalMs, kMaxGrowthPauseMs);
  }
}
