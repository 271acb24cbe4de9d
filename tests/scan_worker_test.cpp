#include "scan/scan_worker.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "app/control_state.h"
#include "app/globals.h"
#include "scan/classifier.h"
#include "scan/keywords.h"
#include "support/fakes.h"
#include "text/codepage.h"

namespace {

std::string G(const char* utf8) { return Utf8ToGbk(utf8); }

TEST(ProgressText, ShortDirectoriesWholeLongOnesCut) {
  const std::string dir39 = "C:\\" + std::string(35, 'a') + "\\";  // 39 bytes
  ASSERT_EQ(dir39.size(), 39u);
  EXPECT_EQ(ProgressText(dir39, "x.avi"), dir39 + "x.avi");

  const std::string dir40 = "C:\\0123456789abcdefghijklmnopqrstuvwxyz\\";
  ASSERT_EQ(dir40.size(), 40u);
  EXPECT_EQ(ProgressText(dir40, "x.avi"), "C:\\0123456789abc....lmnopqrstuvwxyz\\x.avi");

  const std::string longName(300, 'n');  // the name is never shortened
  EXPECT_EQ(ProgressText(dir40, longName).size(), 16 + 4 + 16 + 300u);
  EXPECT_EQ(ProgressText("", "a"), "a");

  // Cuts count bytes, even inside a double-byte character.
  const std::string wide = G("C:\\电影电影电影电影电影电影电影电影电影电影\\");  // 4 + 40 bytes
  std::string shown = ProgressText(wide, "n");
  EXPECT_EQ(shown.size(), 16 + 4 + 16 + 1u);
  EXPECT_EQ(shown.substr(0, 16), wide.substr(0, 16));
  EXPECT_EQ(shown.substr(20, 16), wide.substr(wide.size() - 16));
}

class WorkerTest : public ::testing::Test {
 protected:
  ProgramServices Make() {
    ProgramServices s;
    s.controls = &controls_;
    s.lister = &lister_;
    s.reader = &PlatformFileReader();
    s.threads = &threads_;
    return s;
  }
  ControlState controls_;
  FakeDirLister lister_;
  FakeThreadStarter threads_;
  ScopedServices services_{Make()};
};

TEST_F(WorkerTest, RowCellsInOrderAndReveal) {
  RevealLastRow();
  EXPECT_EQ(controls_.Selection(), -1);
  EXPECT_EQ(controls_.PendingRevealRow(), -1);

  AddSuspectRow("a.avi", "C:\\", 0, CategoryVideo());
  AddSuspectRow("big.mkv", "D:\\x\\", 5000000000ULL, CategoryVideo());
  NativeString native = NativeFromUtf8("E:/n.avi");
  AddSuspectRow("n?.avi", "E:\\", 1, CategoryFile(), &native);
  ASSERT_EQ(controls_.RowCount(), 3);
  EXPECT_EQ(controls_.CellText(0, 0), "a.avi");
  EXPECT_EQ(controls_.CellText(0, 1), "C:\\");
  EXPECT_EQ(controls_.CellText(0, 2), "0");
  EXPECT_EQ(controls_.CellText(0, 3), CategoryVideo());
  EXPECT_EQ(controls_.CellText(1, 2), "5000000000");
  EXPECT_TRUE(controls_.RowNativePath(1).empty());
  EXPECT_EQ(controls_.RowNativePath(2), native);
  RevealLastRow();
  EXPECT_EQ(controls_.Selection(), 2);
  EXPECT_EQ(controls_.PendingRevealRow(), 2);
}

TEST_F(WorkerTest, WorkerWalksRootAddsRowsAndEndsWithEndText) {
  LoadKeywordLists();
  const NativeString root = GbkToNative("C:\\");
  lister_.AddFile(root, NativeFromUtf8("性感.avi"), 12);
  lister_.AddFile(root, NativeFromUtf8("clip.avi"), 3);
  controls_.AppendRow("earlier");  // rows of an earlier scan stay above
  ScanRoot = "C:\\";
  ASSERT_TRUE(StartScanWorker());
  EXPECT_TRUE(IsScanWorkerRunning());
  EXPECT_FALSE(StartScanWorker());  // refused while one runs
  EXPECT_EQ(threads_.Started(), 1);
  ASSERT_TRUE(threads_.RunNext());
  EXPECT_FALSE(IsScanWorkerRunning());
  EXPECT_EQ(controls_.Caption(LabelId::Status), G("扫描结束!"));
  ASSERT_EQ(controls_.RowCount(), 2);
  EXPECT_EQ(controls_.CellText(0, 0), "earlier");
  EXPECT_EQ(controls_.CellText(1, 0), G("性感.avi"));
  EXPECT_EQ(controls_.CellText(1, 1), "C:\\");
  EXPECT_EQ(controls_.CellText(1, 2), "12");
  EXPECT_EQ(controls_.Selection(), 1);
  EXPECT_EQ(HealthScore.load(), 99);

  // A walk of an unlistable root still ends with the end text.
  controls_.SetCaption(LabelId::Status, "x");
  ScanRoot = "Q:\\";
  ASSERT_TRUE(StartScanWorker());
  ASSERT_TRUE(threads_.RunNext());
  EXPECT_EQ(controls_.Caption(LabelId::Status), G("扫描结束!"));
  EXPECT_EQ(controls_.RowCount(), 2);
}

TEST_F(WorkerTest, FailedThreadStartLeavesNoWorkerRunning) {
  threads_.FailStarts(true);
  EXPECT_FALSE(StartScanWorker());
  EXPECT_FALSE(IsScanWorkerRunning());
  threads_.FailStarts(false);
  EXPECT_TRUE(StartScanWorker());
  threads_.RunNext();
}

TEST(StatusTexts, Exact) {
  EXPECT_EQ(EndOfScanText(), G("扫描结束!"));
  EXPECT_EQ(PrepareScanText(), G("准备扫描"));
  EXPECT_EQ(AllDrivesDoneText(), G(" 扫描结束!"));
  EXPECT_EQ(EndOfScanText().size(), 9u);
}

// Abandoning and the exit clean-up are one-way: each case runs in a child process.
TEST(ExitCleanUpDeathTest, RunningWorkerIsAbandonedAndItsStateKept) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        ControlState controls;
        FakeDirLister lister;
        FakeThreadStarter threads;
        lister.AddFile(GbkToNative("C:\\"), NativeFromUtf8("性感.avi"), 1);
        ScopedServices services([&] {
          ProgramServices s;
          s.controls = &controls;
          s.lister = &lister;
          s.threads = &threads;
          return s;
        }());
        LoadKeywordLists();
        ScanRoot = "C:\\";
        bool ok = StartScanWorker();
        ReleaseGlobals();  // worker still running (held): nothing it reads is released
        ok = ok && ScanRoot == "C:\\" && !NameKeywords.empty() && !ContentKeywords.empty();
        threads.RunNext();
        ok = ok && controls.RowCount() == 0 && controls.Caption(LabelId::Status).empty();
        ok = ok && !StartScanWorker() && !IsScanWorkerRunning();
        std::exit(ok ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST(ExitCleanUpDeathTest, IdleReleaseFreesRootAndListsOnce) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        LoadKeywordLists();
        ScanRoot = "C:\\";
        ReleaseGlobals();
        bool ok = ScanRoot.empty() && NameKeywords.empty() && ContentKeywords.empty();
        ScanRoot = "D:\\";
        ReleaseGlobals();  // once only
        ok = ok && ScanRoot == "D:\\";
        std::exit(ok ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
