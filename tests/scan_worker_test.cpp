#include "scan/scan_worker.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/globals.h"
#include "scan/classifier.h"
#include "scan/keywords.h"
#include "state/control_state.h"
#include "support/fakes.h"
#include "text/codepage.h"

namespace {

std::string G(const char* utf8) { return Utf8ToGbk(utf8); }

class WorkerTest : public ::testing::Test {
 protected:
  TestContext t_;
  ScanContext& ctx_ = t_.ctx;
  RecordingControls& controls_ = t_.controls;
  FakeDirLister& lister_ = t_.lister;
  FakeThreadStarter& threads_ = t_.threads;

  std::string ProgressOf(const std::string& dir, const std::string& name) {
    ShowProgress(ctx_, ctx_.scanRun.HoldGate(), dir, name);
    return controls_.Caption(LabelId::Status);
  }
};

TEST_F(WorkerTest, ProgressShowsShortDirectoriesWholeAndCutsLongOnes) {
  const std::string dir39 = "C:\\" + std::string(35, 'a') + "\\";  // 39 bytes
  ASSERT_EQ(dir39.size(), 39u);
  EXPECT_EQ(ProgressOf(dir39, "x.avi"), dir39 + "x.avi");

  const std::string dir40 = "C:\\0123456789abcdefghijklmnopqrstuvwxyz\\";
  ASSERT_EQ(dir40.size(), 40u);
  EXPECT_EQ(ProgressOf(dir40, "x.avi"), "C:\\0123456789abc....lmnopqrstuvwxyz\\x.avi");

  const std::string longName(300, 'n');  // the name is never shortened
  EXPECT_EQ(ProgressOf(dir40, longName).size(), 16 + 4 + 16 + 300u);
  EXPECT_EQ(ProgressOf("", "a"), "a");

  // Cuts count bytes, even inside a double-byte character.
  const std::string wide = G("C:\\电影电影电影电影电影电影电影电影电影电影\\");  // 4 + 40 bytes
  std::string shown = ProgressOf(wide, "n");
  EXPECT_EQ(shown.size(), 16 + 4 + 16 + 1u);
  EXPECT_EQ(shown.substr(0, 16), wide.substr(0, 16));
  EXPECT_EQ(shown.substr(20, 16), wide.substr(wide.size() - 16));
}

TEST_F(WorkerTest, RowCellsInOrderAndReveal) {
  const ScanRun::Hold gate = ctx_.scanRun.HoldGate();
  RevealLastRow(ctx_, gate);
  EXPECT_EQ(controls_.Selection(), -1);
  EXPECT_EQ(controls_.PendingRevealRow(), -1);

  AddSuspectRow(ctx_, gate, "a.avi", "C:\\", 0, CategoryForName(".avi"));
  AddSuspectRow(ctx_, gate, "big.mkv", "D:\\x\\", 5000000000ULL, CategoryForName(".avi"));
  NativeString native = NativeFromUtf8("E:/n.avi");
  AddSuspectRow(ctx_, gate, "n?.avi", "E:\\", 1, CategoryForName("x"), native);
  ASSERT_EQ(controls_.RowCount(), 3);
  EXPECT_EQ(controls_.CellText(0, Column::Name), "a.avi");
  EXPECT_EQ(controls_.CellText(0, Column::Directory), "C:\\");
  EXPECT_EQ(controls_.CellText(0, Column::Size), "0");
  EXPECT_EQ(controls_.CellText(0, Column::Category), CategoryForName(".avi"));
  EXPECT_EQ(controls_.CellText(1, Column::Size), "5000000000");
  EXPECT_TRUE(controls_.RowNativePath(1).empty());
  EXPECT_EQ(controls_.RowNativePath(2), native);
  RevealLastRow(ctx_, gate);
  EXPECT_EQ(controls_.Selection(), 2);
  EXPECT_EQ(controls_.PendingRevealRow(), 2);
}

TEST_F(WorkerTest, EachFileShowsProgressThenItsWholeRowThenTheReveal) {
  LoadKeywordLists();
  const std::string dir = "D:\\", suspect = G("性感.avi");
  const NativeString nativeDir = GbkToNative(dir);
  const auto classify = [&](const std::string& name, bool lossy) {
    const NativeString nativeName = GbkToNative(name);
    return ClassifyFile(ctx_, FoundFile{dir, name, 7, nativeDir, nativeName, lossy, false});
  };
  EXPECT_TRUE(classify("a.doc", false));
  EXPECT_TRUE(classify(suspect, true));
  EXPECT_TRUE(classify("b.doc", false));
  const std::vector<std::string> want = {
      "caption S:D:\\a.doc", "select:-1",
      "caption S:D:\\" + suspect, "row:" + suspect + "|D:\\|7|" + CategoryForName(".avi"), "select:0", "visible:0",
      "caption S:D:\\b.doc", "select:0", "visible:0"};
  EXPECT_EQ(controls_.TakeLog(), want);
  EXPECT_EQ(ctx_.HealthScore.load(), 99);
  // A name GBK could not hold keeps the platform's path for the shell.
  EXPECT_EQ(controls_.RowNativePath(0), nativeDir + GbkToNative(suspect));

  ctx_.scanRun.Abandon();
  EXPECT_FALSE(classify(suspect, false)) << "an abandoned walk shows nothing more";
  EXPECT_EQ(controls_.RowCount(), 1);
  EXPECT_TRUE(controls_.TakeLog().empty());
}

TEST_F(WorkerTest, WorkerWalksRootAddsRowsAndEndsWithEndText) {
  LoadKeywordLists();
  const NativeString root = GbkToNative("C:\\");
  lister_.AddFile(root, NativeFromUtf8("性感.avi"), 12);
  lister_.AddFile(root, NativeFromUtf8("clip.avi"), 3);
  SuspectRow earlier;
  earlier.cells[static_cast<int>(Column::Name)] = "earlier";
  controls_.AddRow(earlier);  // rows of an earlier scan stay above
  ctx_.ScanRoot = "C:\\";
  // The window's notice comes once a run is over and its end text written.
  std::vector<std::string> atNotice;
  ctx_.scanRun.SetFinishNotifier(
      [&] { atNotice.push_back(controls_.Caption(LabelId::Status) + (ctx_.scanRun.IsRunning() ? "+" : "")); });
  ASSERT_TRUE(StartScanWorker(ctx_));
  EXPECT_TRUE(ctx_.scanRun.IsRunning());
  EXPECT_FALSE(StartScanWorker(ctx_));  // refused while one runs
  EXPECT_EQ(threads_.Started(), 1);
  ASSERT_TRUE(threads_.RunNext());
  EXPECT_FALSE(ctx_.scanRun.IsRunning());
  EXPECT_EQ(controls_.Caption(LabelId::Status), G("扫描结束!"));
  EXPECT_EQ(atNotice, std::vector<std::string>{G("扫描结束!")});
  ASSERT_EQ(controls_.RowCount(), 2);
  EXPECT_EQ(controls_.CellText(0, Column::Name), "earlier");
  EXPECT_EQ(controls_.CellText(1, Column::Name), G("性感.avi"));
  EXPECT_EQ(controls_.CellText(1, Column::Directory), "C:\\");
  EXPECT_EQ(controls_.CellText(1, Column::Size), "12");
  EXPECT_EQ(controls_.Selection(), 1);
  EXPECT_EQ(ctx_.HealthScore.load(), 99);

  // A walk of an unlistable root still ends with the end text.
  controls_.SetCaption(LabelId::Status, "x");
  ctx_.ScanRoot = "Q:\\";
  ASSERT_TRUE(StartScanWorker(ctx_));
  ASSERT_TRUE(threads_.RunNext());
  EXPECT_EQ(controls_.Caption(LabelId::Status), G("扫描结束!"));
  EXPECT_EQ(controls_.RowCount(), 2);
}

TEST_F(WorkerTest, WalkAndEachReaderTurnRedirectionOffAndOneReaderServesADriveThatSeeks) {
  lister_.AddFile(GbkToNative("C:\\"), NativeFromUtf8("a.doc"), 1);
  ctx_.ScanRoot = "C:\\";
  FakeFsRedirectionSwitch& redirection = t_.redirection;
  for (const bool seeks : {false, true}) {
    t_.seekPenalty.seeks = seeks;
    const int before = redirection.offs.load();
    ASSERT_TRUE(StartScanWorker(ctx_));
    ASSERT_TRUE(threads_.RunNext());
    const int readers = seeks ? 1 : static_cast<int>(kReadersWithoutSeekPenalty);
    EXPECT_EQ(redirection.offs.load() - before, 1 + readers) << "seeks: " << seeks;
    EXPECT_EQ(redirection.restores.load(), redirection.offs.load());
  }
}

TEST_F(WorkerTest, FailedThreadStartLeavesNoWorkerRunning) {
  threads_.FailStarts(true);
  EXPECT_FALSE(StartScanWorker(ctx_));
  EXPECT_FALSE(ctx_.scanRun.IsRunning());
  threads_.FailStarts(false);
  EXPECT_TRUE(StartScanWorker(ctx_));
  threads_.RunNext();
}

TEST(StatusTexts, Exact) {
  EXPECT_EQ(kEndOfScanText.Gbk(), G("扫描结束!"));
  EXPECT_EQ(kPrepareScanText.Gbk(), G("准备扫描"));
  EXPECT_EQ(kAllDrivesDoneText.Gbk(), G(" 扫描结束!"));
  EXPECT_EQ(kEndOfScanText.Gbk().size(), 9u);
}

// Abandoning and the exit clean-up are one-way: each case runs in a child process.
TEST(ExitCleanUpDeathTest, RunningWorkerIsAbandonedAndItsStateKept) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        TestContext t;
        t.lister.AddFile(GbkToNative("C:\\"), NativeFromUtf8("性感.avi"), 1);
        LoadKeywordLists();
        t.ctx.ScanRoot = "C:\\";
        int notices = 0;
        t.ctx.scanRun.SetFinishNotifier([&] { ++notices; });
        bool ok = StartScanWorker(t.ctx);
        ReleaseGlobals(t.ctx);  // worker still running (held): nothing it reads is released
        ok = ok && t.ctx.ScanRoot == "C:\\" && !NameKeywords.empty() && !ContentKeywords.empty();
        t.threads.RunNext();
        ok = ok && t.controls.RowCount() == 0 && t.controls.Caption(LabelId::Status).empty() && notices == 0;
        ok = ok && !StartScanWorker(t.ctx) && !t.ctx.scanRun.IsRunning();
        std::exit(ok ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST(ExitCleanUpDeathTest, IdleReleaseFreesRootAndListsOnce) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        TestContext t;
        LoadKeywordLists();
        t.ctx.ScanRoot = "C:\\";
        ReleaseGlobals(t.ctx);
        bool ok = t.ctx.ScanRoot.empty() && NameKeywords.empty() && ContentKeywords.empty();
        t.ctx.ScanRoot = "D:\\";
        ReleaseGlobals(t.ctx);  // once only
        ok = ok && t.ctx.ScanRoot == "D:\\";
        std::exit(ok ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
