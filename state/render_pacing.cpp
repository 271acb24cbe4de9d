#include "state/render_pacing.h"

#include <algorithm>

RenderPlan RenderPacer::Plan(double now, bool walking, bool listGrows) const {
  RenderPlan plan;
  if (!walking) {
    plan.render = true;
    return plan;
  }
  const double sinceRender = now - lastRender_;
  if (sinceRender < kIntervalMs) {
    plan.wakeInMs = kIntervalMs - sinceRender;
    return plan;
  }
  const double growthDue = lastGrowth_ + growthPause_;
  if (listGrows && now < growthDue) {
    // The labels wait with the list: shown before it, they would tell of rows not listed.
    plan.wakeInMs = growthDue - now;
    return plan;
  }
  plan.render = true;
  return plan;
}

void RenderPacer::Rendered(double now, const RenderPlan& plan, double growthCostMs) {
  if (!plan.render) return;
  lastRender_ = now;
  if (growthCostMs >= 0) {
    lastGrowth_ = now;
    growthPause_ = std::clamp(growthCostMs / kGrowthShare, kIntervalMs, kMaxGrowthPauseMs);
  }
}
