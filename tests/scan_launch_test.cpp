#include "scan/scan_launch.h"

#include <gtest/gtest.h>

#include <chrono>
#include <set>
#include <string>
#include <thread>

#include "scan/keywords.h"
#include "scan/scan_worker.h"
#include "state/control_state.h"
#include "support/fakes.h"
#include "text/codepage.h"

namespace {

std::string G(const char* utf8) { return Utf8ToGbk(utf8); }

class LaunchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LoadKeywordLists();
    drives_.roots = {"C:\\", "D:\\"};
    for (const char* root : {"C:\\", "D:\\"}) lister_.AddFile(GbkToNative(root), NativeFromUtf8("性感.avi"), 1);
  }
  void TearDown() override {
    while (threads_.RunNext()) {
    }
  }
  std::string Status() { return controls_.Caption(LabelId::Status); }

  TestContext t_;
  ScanContext& ctx_ = t_.ctx;
  RecordingControls& controls_ = t_.controls;
  FakeDirLister& lister_ = t_.lister;
  FakeDriveProvider& drives_ = t_.drives;
  FakeThreadStarter& threads_ = t_.threads;
};

TEST_F(LaunchTest, FillDriveListKeepsPlatformOrder) {
  drives_.roots = {"C:\\", "E:\\", "D:\\"};
  FillDriveList(ctx_);
  ASSERT_EQ(controls_.DriveItemCount(), 3);
  EXPECT_EQ(controls_.DriveItemText(1), "E:\\");
  EXPECT_EQ(controls_.DriveItemText(2), "D:\\");
}

TEST_F(LaunchTest, WholeMachineScanStepsDriveByDriveAndStaysDone) {
  FillDriveList(ctx_);
  OnFullScanButtonClick(ctx_);
  EXPECT_EQ(ctx_.AllDrivesMode.load(), 1);
  EXPECT_EQ(controls_.DriveSelection(), 0);
  EXPECT_EQ(ctx_.ScanRoot, "C:\\");
  EXPECT_EQ(threads_.Started(), 1);

  AdvanceAllDrivesScan(ctx_);  // still walking: nothing
  EXPECT_EQ(threads_.Started(), 1);
  ASSERT_TRUE(threads_.RunNext());
  EXPECT_EQ(Status(), G("扫描结束!"));

  AdvanceAllDrivesScan(ctx_);
  EXPECT_EQ(Status(), G("准备扫描"));
  EXPECT_EQ(controls_.DriveSelection(), 1);
  EXPECT_EQ(ctx_.ScanRoot, "D:\\");
  EXPECT_EQ(threads_.Started(), 2);
  AdvanceAllDrivesScan(ctx_);
  EXPECT_EQ(threads_.Started(), 2);

  ASSERT_TRUE(threads_.RunNext());
  EXPECT_EQ(Status(), G("扫描结束!"));
  AdvanceAllDrivesScan(ctx_);
  EXPECT_EQ(Status(), G(" 扫描结束!"));
  for (int i = 0; i < 3; ++i) AdvanceAllDrivesScan(ctx_);
  EXPECT_EQ(Status(), G(" 扫描结束!"));
  EXPECT_EQ(threads_.Started(), 2);
  EXPECT_EQ(controls_.RowCount(), 2);
  EXPECT_EQ(controls_.CellText(1, Column::Directory), "D:\\");
  EXPECT_EQ(ctx_.HealthScore.load(), 98);  // not reset between drives

  // A second whole-machine scan starts again from the first drive.
  OnFullScanButtonClick(ctx_);
  EXPECT_EQ(controls_.DriveSelection(), 0);
  EXPECT_EQ(ctx_.ScanRoot, "C:\\");
  threads_.RunNext();
  EXPECT_EQ(controls_.RowCount(), 3);
}

TEST_F(LaunchTest, SingleDriveScanEndsWithEndTextThatStays) {
  FillDriveList(ctx_);
  controls_.SetDriveBox({{"D: x", 'D'}}, 0, 'C');
  OnScanButtonClick(ctx_);
  EXPECT_EQ(ctx_.AllDrivesMode.load(), 0);
  EXPECT_EQ(ctx_.ScanRoot, "D:\\");
  threads_.RunNext();
  for (int i = 0; i < 3; ++i) AdvanceAllDrivesScan(ctx_);
  EXPECT_EQ(Status(), G("扫描结束!"));
  EXPECT_EQ(threads_.Started(), 1);

  // The end text of that walk is not taken for the end of a whole-machine walk begun next.
  OnFullScanButtonClick(ctx_);
  AdvanceAllDrivesScan(ctx_);
  EXPECT_EQ(ctx_.ScanRoot, "C:\\");
  EXPECT_EQ(threads_.Started(), 2);
  EXPECT_EQ(controls_.DriveSelection(), 0);
}

TEST_F(LaunchTest, StartsAreRefusedWhileAWorkerRuns) {
  FillDriveList(ctx_);
  controls_.SetDriveBox({}, -1, 'C');
  OnScanButtonClick(ctx_);
  EXPECT_EQ(ctx_.ScanRoot, "C:\\");
  controls_.SetDriveBox({{"D: x", 'D'}}, 0, 'C');
  OnScanButtonClick(ctx_);
  OnFullScanButtonClick(ctx_);
  EXPECT_EQ(ctx_.ScanRoot, "C:\\");
  EXPECT_EQ(ctx_.AllDrivesMode.load(), 0);
  EXPECT_EQ(controls_.DriveSelection(), -1);
  EXPECT_EQ(threads_.Started(), 1);
  threads_.RunNext();
  OnScanButtonClick(ctx_);
  EXPECT_EQ(ctx_.ScanRoot, "D:\\");
  threads_.RunNext();
}

TEST_F(LaunchTest, EmptyDriveListFullScanDoesNothingAndOneDriveFinishes) {
  OnFullScanButtonClick(ctx_);
  EXPECT_EQ(ctx_.AllDrivesMode.load(), 0);
  EXPECT_EQ(threads_.Started(), 0);
  EXPECT_EQ(ctx_.ScanRoot, "");

  controls_.AppendDriveItem("Z:\\");  // cannot be listed: the walk ends at once
  OnFullScanButtonClick(ctx_);
  threads_.RunNext();
  AdvanceAllDrivesScan(ctx_);
  EXPECT_EQ(Status(), G(" 扫描结束!"));
  EXPECT_EQ(controls_.RowCount(), 0);
}

TEST(LaunchRealThreads, WholeMachineSequenceNeverStalls) {
  TestContext t(FakeThreadStarter::Mode::RealThread);
  ScanContext& ctx = t.ctx;
  RecordingControls& controls = t.controls;
  FakeDirLister& lister = t.lister;
  FakeDriveProvider& drives = t.drives;
  FakeThreadStarter& threads = t.threads;
  LoadKeywordLists();
  constexpr int kDrives = 26;
  for (int d = 0; d < kDrives; ++d) {
    std::string root = std::string(1, static_cast<char>('A' + d)) + ":\\";
    drives.roots.push_back(root);
    if (d % 3) lister.AddFile(GbkToNative(root), NativeFromUtf8("性感.avi"), d);
  }
  FillDriveList(ctx);
  for (int round = 0; round < 5; ++round) {
    ASSERT_TRUE(WaitForScanWorker(ctx));
    controls.SetCaption(LabelId::Status, "");  // the last round's final text stays until the first file
    OnFullScanButtonClick(ctx);
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (controls.Caption(LabelId::Status) != G(" 扫描结束!") && std::chrono::steady_clock::now() < until) {
      AdvanceAllDrivesScan(ctx);
      std::this_thread::yield();
    }
    ASSERT_EQ(controls.Caption(LabelId::Status), G(" 扫描结束!")) << "round " << round;
  }
  ASSERT_TRUE(WaitForScanWorker(ctx));
  threads.JoinAll();
  EXPECT_EQ(threads.Started(), 5 * kDrives);
  // Each drive once per round, in order.
  ASSERT_EQ(controls.RowCount(), 5 * (kDrives - (kDrives + 2) / 3));
  std::string previous;
  for (int row = 0; row < controls.RowCount(); ++row) {
    std::string dir = controls.CellText(row, Column::Directory);
    if (row % (kDrives - (kDrives + 2) / 3)) {
      EXPECT_LT(previous, dir);
    }
    previous = dir;
  }
}

}  // namespace
