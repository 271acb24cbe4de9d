#include "state/render_pacing.h"

#include <algorithm>

RenderPlan RenderPacer::Plan(double now, bool walking, bool listGrows) const {
  RenderPlan plan;
  if (!walking) {
    plan.list = true;
    return plan;
  }
  const double sinceRender = now - lastRender_;
  if (sinceRender < kIntervalMs) {
    plan.wakeInMs = kIntervalMs - sinceRender;
    return plan;
  }
  const double growthDue = lastGrowth_ + growthPause_;
  if (listGrows && now < growthDue) {
    // The progress goes on at its pace meanwhile; the growth comes when due.
    plan.progress = true;
    plan.wakeInMs = std::min(kIntervalMs, growthDue - now);
    return plan;
  }
  plan.list = true;
  return plan;
}

void RenderPacer::Rendered(double now, const RenderPlan& plan, double growthCostMs) {
  if (!plan.list && !plan.progress) return;
  lastRender_ = now;
  if (plan.list && growthCostMs >= 0) {
    lastGrowth_ = now;
    growthPause_ = std::clamp(growthCostMs / kGrowthShare, kIntervalMs, kMaxGrowthPauseMs);
  }
}
