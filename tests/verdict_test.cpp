#include "verdict/verdict.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scan/classifier.h"
#include "scan/keywords.h"
#include "scan/scan_worker.h"
#include "scan/walker.h"
#include "state/control_state.h"
#include "support/fakes.h"
#include "text/codepage.h"

namespace {

std::string G(const char* utf8) { return Utf8ToGbk(utf8); }

TEST(VerdictFor, EveryBoundary) {
  const std::string t2 = G("貌似有不和谐的东西哦..."), t3 = G("不和谐程度打败了360XX卫士"),
                    t4 = G("不和谐的东西有点多哦..."), t5 = G("作为一个程序我感觉压力好大...⊙﹏⊙b汗"),
                    t6 = G("恭喜你啊....一点健康度都没有了"), t7 = G("你太厉害了..都负了"),
                    t8 = G("你把岛国的东西都搬过来了吧?"), t9 = G("我要崩溃了...o(╯□╰)o"),
                    t10 = G("你是中国最..不纯洁的人了....(*^__^*) 嘻嘻……");
  for (const std::string* t : {&t2, &t3, &t4, &t5, &t6, &t7, &t8, &t9, &t10}) ASSERT_FALSE(t->empty());
  struct Case {
    int32_t score;
    const std::string& text;
  };
  const std::string none;
  const Case cases[] = {{100, none}, {99, t2},    {70, t2},   {69, t3},    {50, t3},     {49, t4},
                        {10, t4},    {9, t5},     {0, t5},    {-1, t6},    {-10, t6},    {-11, t7},
                        {-50, t7},   {-51, t8},   {-100, t8}, {-101, t9},  {-999, t9},   {-1001, t9},
                        {-1000, t10}, {INT32_MIN, t9}, {101, none}};
  for (const Case& c : cases) EXPECT_EQ(VerdictFor(c.score), c.text) << c.score;
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
  WalkDirectory("C:\\", [&](const FoundFile& f) { return ClassifyFile(ctx_, f); }, true, lister_);
  EXPECT_EQ(controls_.RowCount(), 1);
  EXPECT_EQ(ctx_.HealthScore.load(), 99);

  OnClearButtonClick(ctx_);
  OnClearButtonClick(ctx_);  // on an empty list: only the score
  EXPECT_EQ(controls_.RowCount(), 0);
  EXPECT_EQ(ctx_.HealthScore.load(), 100);
}

TEST_F(ResultsTest, DoubleClickOpensSelectedRowsPath) {
  OnSuspectListDoubleClick(ctx_);  // no selection: asked with the empty path
  ASSERT_EQ(shell_.calls.size(), 1u);
  EXPECT_EQ(shell_.calls[0].first, "");
  EXPECT_TRUE(shell_.calls[0].second.empty());

  AddSuspectRow(ctx_, ctx_.scanRun.HoldGate(), "a.avi", "C:\\", 1, CategoryForName(".avi"));
  for (int i = 1; i < 4; ++i) AddSuspectRow(ctx_, ctx_.scanRun.HoldGate(), "f" + std::to_string(i) + ".rmvb", G("D:\\电影\\"), 1, CategoryForName(".avi"));
  NativeString native = NativeFromUtf8("E:/x.avi");
  AddSuspectRow(ctx_, ctx_.scanRun.HoldGate(), "x?.avi", "E:\\", 1, CategoryForName(".avi"), native);
  controls_.SetSelection(0);
  OnSuspectListDoubleClick(ctx_);
  controls_.SetSelection(3);
  OnSuspectListDoubleClick(ctx_);
  controls_.SetSelection(4);
  OnSuspectListDoubleClick(ctx_);
  OpenSuspectListRow(ctx_, 0);  // the row itself, whatever is selected
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
