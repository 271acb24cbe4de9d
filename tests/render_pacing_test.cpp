// When the window shows the state, on a clock of our own: the rules pinned without timing a window.
#include "state/render_pacing.h"

#include <gtest/gtest.h>

namespace {

// While rows keep coming the progress runs at its own pace, and the rows with score and verdict
// wait for the list's next growth: ten times its last cost, within the bounds.
TEST(RenderPacing, ProgressRunsFreeWhileTheListWaitsForItsGrowth) {
  RenderPacer pacer;
  double t = 1000;
  RenderPlan plan = pacer.Plan(t, true, true);
  ASSERT_TRUE(plan.list && plan.progress) << "the first rows of a walk are shown at once";
  pacer.Rendered(t, plan, 6);  // growing took 6 ms: the next growth waits 60 ms

  plan = pacer.Plan(t + 10, true, true);
  EXPECT_FALSE(plan.progress || plan.list) << "nothing within the pace";
  EXPECT_DOUBLE_EQ(plan.wakeInMs, 20);

  plan = pacer.Plan(t + 30, true, true);
  EXPECT_TRUE(plan.progress) << "the progress at its pace";
  EXPECT_FALSE(plan.list) << "rows, score and verdict wait for the growth";
  EXPECT_DOUBLE_EQ(plan.wakeInMs, 30) << "back for the progress before the growth is due";
  pacer.Rendered(t + 30, plan);
  plan = pacer.Plan(t + 60, true, true);
  EXPECT_TRUE(plan.list && plan.progress) << "the growth when due";
  pacer.Rendered(t + 60, plan, 1);

  // A cheap growth still waits the pace; without new rows the list follows at the pace too.
  EXPECT_FALSE(pacer.Plan(t + 80, true, true).list);
  EXPECT_TRUE(pacer.Plan(t + 90, true, false).list);

  // A dear growth waits at most the bound, so the score still changes five times a second.
  pacer.Rendered(t + 100, pacer.Plan(t + 100, true, true), 50);
  EXPECT_FALSE(pacer.Plan(t + 100 + RenderPacer::kMaxGrowthPauseMs - 1, true, true).list);
  EXPECT_TRUE(pacer.Plan(t + 100 + RenderPacer::kMaxGrowthPauseMs, true, true).list);
  EXPECT_LE(RenderPacer::kMaxGrowthPauseMs, 200);
}

// The end of a walk is shown at once, everything together: its end text with every row.
TEST(RenderPacing, TheEndOfAWalkIsShownWholeAtOnce) {
  RenderPacer pacer;
  pacer.Rendered(0, pacer.Plan(0, true, true), 40);
  EXPECT_FALSE(pacer.Plan(50, true, true).list);
  const RenderPlan plan = pacer.Plan(51, false, true);
  EXPECT_TRUE(plan.list && plan.progress);
  EXPECT_LT(plan.wakeInMs, 0);
  pacer.Rendered(51, plan, 5);
  EXPECT_TRUE(pacer.Plan(52, false, false).list) << "without a walk nothing waits for the pace";
}

}  // namespace
