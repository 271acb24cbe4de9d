#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "scan/classifier.h"
#include "scan/keywords.h"
#include "scan/scan_worker.h"
#include "scan/walker.h"
#include "state/control_state.h"
#include "support/fakes.h"
#include "text/codepage.h"
#include "verdict/result_actions.h"
#include "verdict/score_display.h"
#include "verdict/timer_tick.h"

namespace {

std::string G(const char* utf8) { return Utf8ToGbk(utf8); }

// A few rows byte for byte (the full-width and box-drawing ones among them); every boundary by
// the texts on either side of it.
TEST(VerdictFor, EveryBoundary) {
  EXPECT_EQ(VerdictFor(100), "");
  EXPECT_EQ(VerdictFor(101), "");
  EXPECT_EQ(VerdictFor(70), G("貌似有不和谐的东西哦..."));
  EXPECT_EQ(VerdictFor(0), G("作为一个程序我感觉压力好大...⊙﹏⊙b汗"));
  EXPECT_EQ(VerdictFor(-101), G("我要崩溃了...o(╯□╰)o"));
  EXPECT_EQ(VerdictFor(-1000), G("你是中国最..不纯洁的人了....(*^__^*) 嘻嘻……"));
  // Each range's top and bottom; the next range starts just below.
  const int32_t ranges[][2] = {{99, 70}, {69, 50}, {49, 10}, {9, 0}, {-1, -10}, {-11, -50}, {-51, -100}, {-101, INT32_MIN}};
  std::set<std::string> texts;
  for (const auto& range : ranges) {
    EXPECT_FALSE(VerdictFor(range[0]).empty()) << range[0];
    EXPECT_EQ(VerdictFor(range[1]), VerdictFor(range[0])) << range[1];
    texts.insert(VerdictFor(range[0]));
  }
  EXPECT_EQ(texts.size(), std::size(ranges)) << "a text of its own for every range";
  EXPECT_EQ(VerdictFor(-999), VerdictFor(-101));
  EXPECT_EQ(VerdictFor(-1001), VerdictFor(-101));
}

class ResultsTest : public ::testing::Test {
 protected:
  TestContext t_;
  ScanContext& ctx_ = t_.ctx;
  RecordingControls& controls_ = t_.controls;
  FakeShellOpener& shell_ = t_.shell;
  FakeDirLister& lister_ = t_.lister;
};

TEST_F(ResultsTest, TickShowsScoreThenAdvancesThenVerdict) {
  OnScanTimerTick(ctx_);
  EXPECT_EQ(controls_.Caption(LabelId::Score), "100");
  EXPECT_EQ(controls_.Caption(LabelId::Verdict), "");

  ctx_.HealthScore.store(-12);
  ctx_.AllDrivesMode.store(1);
  controls_.AppendDriveItem("C:\\");
  controls_.SetDriveSelection(0);
  controls_.SetCaption(LabelId::Status, kEndOfScanText.Gbk());
  controls_.TakeLog();
  OnScanTimerTick(ctx_);
  const std::vector<std::string> log = controls_.TakeLog();
  ASSERT_EQ(log.size(), 4u);
  EXPECT_EQ(log[0], "caption P:-12");
  EXPECT_EQ(log[1], "caption S:" + G("准备扫描"));
  EXPECT_EQ(log[2], "caption S:" + G(" 扫描结束!"));
  EXPECT_EQ(log[3], "caption V:" + G("你太厉害了..都负了"));
}

// What a screen reader is told at a scan's end: once the verdict of the final score is shown, and
// not at a drive's end within a whole-machine scan.
TEST_F(ResultsTest, ScanEndIsShownWithTheFinalVerdict) {
  const auto shown = [&] {
    return ShowsScanEnd(ctx_, controls_.Caption(LabelId::Status), controls_.Caption(LabelId::Verdict));
  };
  OnScanTimerTick(ctx_);
  EXPECT_FALSE(shown()) << "no scan yet";
  ctx_.HealthScore.store(95);
  controls_.SetCaption(LabelId::Status, kEndOfScanText.Gbk());
  EXPECT_FALSE(shown()) << "the end text before the tick that shows the verdict";
  OnScanTimerTick(ctx_);
  EXPECT_TRUE(shown());

  ctx_.AllDrivesMode.store(1);
  controls_.AppendDriveItem("C:\\");
  controls_.AppendDriveItem("D:\\");
  controls_.SetDriveSelection(0);
  EXPECT_FALSE(shown()) << "one drive of several done";
  controls_.SetDriveSelection(1);
  OnScanTimerTick(ctx_);
  EXPECT_EQ(controls_.Caption(LabelId::Status), kAllDrivesDoneText.Gbk());
  EXPECT_TRUE(shown());
}

TEST_F(ResultsTest, ClearDuringScanRestartsListAndScore) {
  LoadKeywordLists();
  for (int i = 0; i < 3; ++i) AddSuspectRow(ctx_, ctx_.scanRun.HoldGate(), "a.avi", "C:\\", 1, CategoryForName(".avi"));
  ctx_.HealthScore.store(-5);
  controls_.SetCaption(LabelId::Status, "C:\\a.avi");
  OnScanTimerTick(ctx_);
  OnClearButtonClick(ctx_);
  EXPECT_EQ(controls_.RowCount(), 0);
  EXPECT_EQ(ctx_.HealthScore.load(), 100);
  // The labels follow the empty list at once, not a tick later below it.
  EXPECT_EQ(controls_.Caption(LabelId::Score), "100");
  EXPECT_EQ(controls_.Caption(LabelId::Verdict), "");
  EXPECT_EQ(controls_.Caption(LabelId::Status), "C:\\a.avi");  // nothing else changes
  OnScanTimerTick(ctx_);
  EXPECT_EQ(controls_.Caption(LabelId::Score), "100");
  EXPECT_EQ(controls_.Caption(LabelId::Verdict), "");

  // The walk goes on: its next suspect is the first row and makes the score 99.
  lister_.AddFile(GbkToNative("C:\\"), NativeFromUtf8("性感.avi"), 1);
  WalkDirectory("C:\\", GbkToNative("C:\\"), [&](const FoundFile& f) { return ClassifyFile(ctx_, f); }, Recurse::Yes, lister_);
  EXPECT_EQ(controls_.RowCount(), 1);
  EXPECT_EQ(ctx_.HealthScore.load(), 99);

  OnClearButtonClick(ctx_);
  OnClearButtonClick(ctx_);  // on an empty list: only the score
  EXPECT_EQ(controls_.RowCount(), 0);
  EXPECT_EQ(ctx_.HealthScore.load(), 100);
}

TEST_F(ResultsTest, DoubleClickOpensSelectedRowsPath) {
  OnSuspectListDoubleClick(ctx_, -1);  // below the rows, no selection: asked with the empty path
  ASSERT_EQ(shell_.calls.size(), 1u);
  EXPECT_EQ(shell_.calls[0].first, "");
  EXPECT_TRUE(shell_.calls[0].second.empty());

  AddSuspectRow(ctx_, ctx_.scanRun.HoldGate(), "a.avi", "C:\\", 1, CategoryForName(".avi"));
  for (int i = 1; i < 4; ++i) AddSuspectRow(ctx_, ctx_.scanRun.HoldGate(), "f" + std::to_string(i) + ".rmvb", G("D:\\电影\\"), 1, CategoryForName(".avi"));
  NativeString native = NativeFromUtf8("E:/x.avi");
  AddSuspectRow(ctx_, ctx_.scanRun.HoldGate(), "x?.avi", "E:\\", 1, CategoryForName(".avi"), native);
  controls_.SetSelection(0);
  OnSuspectListDoubleClick(ctx_, -1);
  controls_.SetSelection(3);
  OnSuspectListDoubleClick(ctx_, -1);
  controls_.SetSelection(4);
  OnSuspectListDoubleClick(ctx_, -1);
  OnSuspectListDoubleClick(ctx_, 0);  // on a row: that row, whatever is selected
  ASSERT_EQ(shell_.calls.size(), 5u);
  EXPECT_EQ(shell_.calls[4].first, "C:\\a.avi");
  EXPECT_EQ(shell_.calls[1].first, "C:\\a.avi");
  EXPECT_EQ(shell_.calls[2].first, G("D:\\电影\\f3.rmvb"));
  EXPECT_TRUE(shell_.calls[2].second.empty());
  EXPECT_EQ(shell_.calls[3].first, "E:\\x?.avi");
  EXPECT_EQ(shell_.calls[3].second, native);
  EXPECT_EQ(controls_.RowCount(), 5);
}

}  // namespace
