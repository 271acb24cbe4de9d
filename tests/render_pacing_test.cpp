// When the window shows the state, on a clock of our own: the rules pinned without timing a window.
#include "state/render_pacing.h"

#include <gtest/gtest.h>

namespace {

TEST(RenderPacing, WhileAWalkAddsRowsTheWindowWaitsForTheListsGrowthWithinItsBound) {
  RenderPacer pacer;
  double t = 1000;
  RenderPlan plan = pacer.Plan(t, true, true);
  ASSERT_TRUE(plan.render) << "the first rows of a walk are shown at once";
  pacer.Rendered(t, plan, 6);  // growing took 6 ms: the next growth waits ten times that
  EXPECT_DOUBLE_EQ(pacer.GrowthPauseMs(), 60);

  plan = pacer.Plan(t + 10, true, false);
  EXPECT_FALSE(plan.render) << "nothing within the pace";
  EXPECT_DOUBLE_EQ(plan.wakeInMs, 20);

  // More rows: neither the list nor a label is shown until the growth is due.
  plan = pacer.Plan(t + 40, true, true);
  EXPECT_FALSE(plan.render);
  EXPECT_DOUBLE_EQ(plan.wakeInMs, 20);
  plan = pacer.Plan(t + 60, true, true);
  EXPECT_TRUE(plan.render) << "the growth when due";
  pacer.Rendered(t + 60, plan, 1);
  EXPECT_DOUBLE_EQ(pacer.GrowthPauseMs(), RenderPacer::kIntervalMs) << "a cheap growth still waits the pace";

  // Without new rows, other changes (progress, selection) follow at the pace.
  EXPECT_TRUE(pacer.Plan(t + 91, true, false).render);

  // A dear growth waits at most the bound: the scan is still shown ten times a second.
  pacer.Rendered(t + 100, pacer.Plan(t + 100, true, true), 40);
  EXPECT_DOUBLE_EQ(pacer.GrowthPauseMs(), RenderPacer::kMaxGrowthPauseMs);
  EXPECT_LE(RenderPacer::kMaxGrowthPauseMs, 100);
}

TEST(RenderPacing, TheEndOfAWalkIsShownAtOnce) {
  RenderPacer pacer;
  pacer.Rendered(0, pacer.Plan(0, true, true), 40);
  EXPECT_FALSE(pacer.Plan(50, true, true).render);
  // The walk is over while a growth is pending: its last rows and end text come now, with no wait.
  const RenderPlan plan = pacer.Plan(51, false, true);
  EXPECT_TRUE(plan.render);
  EXPECT_LT(plan.wakeInMs, 0);
  pacer.Rendered(51, plan, 5);
  EXPECT_TRUE(pacer.Plan(52, false, false).render) << "without a walk nothing waits for the pace";
}

}  // namespace
