// When the window shows what, on a clock of our own: the rules pinned without timing a window.
#include "state/render_pacing.h"

#include <gtest/gtest.h>

namespace {

TEST(RenderPacing, WhileAWalkRunsTheListGrowsSeldomAndTheProgressGoesOn) {
  RenderPacer pacer;
  double t = 1000;
  RenderPlan plan = pacer.Plan(t, true, true);
  ASSERT_TRUE(plan.list) << "the first rows of a walk are shown at once";
  pacer.Rendered(t, plan, 23);  // growing took 23 ms: the next growth waits ten times that
  EXPECT_DOUBLE_EQ(pacer.GrowthPauseMs(), 230);

  plan = pacer.Plan(t + 10, true, true);
  EXPECT_FALSE(plan.list || plan.progress) << "nothing within the pace";
  EXPECT_DOUBLE_EQ(plan.wakeInMs, 20);

  // Rows keep coming: only the progress, every 30 ms, until the growth is due.
  int progressOnly = 0;
  for (t += 30; t < 1000 + 230; t += 30) {
    plan = pacer.Plan(t, true, true);
    ASSERT_FALSE(plan.list) << t;
    ASSERT_TRUE(plan.progress) << t;
    ASSERT_GT(plan.wakeInMs, 0);
    ASSERT_LE(plan.wakeInMs, RenderPacer::kIntervalMs) << "the progress keeps its pace";
    pacer.Rendered(t, plan);
    ++progressOnly;
  }
  EXPECT_EQ(progressOnly, 7);
  plan = pacer.Plan(t, true, true);
  EXPECT_TRUE(plan.list) << "the growth when due";
  pacer.Rendered(t, plan, 2);
  EXPECT_DOUBLE_EQ(pacer.GrowthPauseMs(), RenderPacer::kIntervalMs) << "a cheap growth still waits the pace";

  // Without new rows, other changes (selection, captions) follow at the pace.
  plan = pacer.Plan(t + 31, true, false);
  EXPECT_TRUE(plan.list);
}

TEST(RenderPacing, TheEndOfAWalkIsShownAtOnceAndGrowthPausesAreBounded) {
  RenderPacer pacer;
  RenderPlan plan = pacer.Plan(0, true, true);
  pacer.Rendered(0, plan, 400);  // a dear growth: the pause stops at its bound
  EXPECT_DOUBLE_EQ(pacer.GrowthPauseMs(), RenderPacer::kMaxGrowthPauseMs);
  EXPECT_FALSE(pacer.Plan(100, true, true).list);
  // The walk is over while a growth is pending: its last rows and end text come now, with no wait.
  plan = pacer.Plan(101, false, true);
  EXPECT_TRUE(plan.list);
  EXPECT_LT(plan.wakeInMs, 0);
  pacer.Rendered(101, plan, 5);
  EXPECT_TRUE(pacer.Plan(102, false, false).list) << "without a walk nothing waits for the pace";
}

}  // namespace
