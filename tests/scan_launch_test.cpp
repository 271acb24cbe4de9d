#include "scan/scan_launch.h"

#include <gtest/gtest.h>

#include <chrono>
#include <set>
#include <string>
#include <thread>

#include "app/control_state.h"
#include "app/globals.h"
#include "scan/keywords.h"
#include "scan/scan_worker.h"
#include "support/fakes.h"
#include "text/codepage.h"

namespace {

std::string G(const char* utf8) { return Utf8ToGbk(utf8); }

class LaunchTest : public ::testing::Test {
 protected:
  ProgramServices Make() {
    ProgramServices s;
    s.controls = &controls_;
    s.lister = &lister_;
    s.drives = &drives_;
    s.threads = &threads_;
    return s;
  }
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

  ControlState controls_;
  FakeDirLister lister_;
  FakeDriveProvider drives_;
  FakeThreadStarter threads_;
  ScopedServices services_{Make()};
};

TEST_F(LaunchTest, FillDriveListKeepsPlatformOrder) {
  drives_.roots = {"C:\\", "E:\\", "D:\\"};
  FillDriveList();
  ASSERT_EQ(controls_.DriveItemCount(), 3);
  EXPECT_EQ(controls_.DriveItemText(1), "E:\\");
  EXPECT_EQ(controls_.DriveItemText(2), "D:\\");
}

TEST_F(LaunchTest, WholeMachineScanStepsDriveByDriveAndStaysDone) {
  FillDriveList();
  OnFullScanButtonClick();
  EXPECT_EQ(AllDrivesMode.load(), 1);
  EXPECT_EQ(controls_.DriveSelection(), 0);
  EXPECT_EQ(ScanRoot, "C:\\");
  EXPECT_EQ(threads_.Started(), 1);

  AdvanceAllDrivesScan();  // still walking: nothing
  EXPECT_EQ(threads_.Started(), 1);
  ASSERT_TRUE(threads_.RunNext());
  EXPECT_EQ(Status(), G("扫描结束!"));

  AdvanceAllDrivesScan();
  EXPECT_EQ(Status(), G("准备扫描"));
  EXPECT_EQ(controls_.DriveSelection(), 1);
  EXPECT_EQ(ScanRoot, "D:\\");
  EXPECT_EQ(threads_.Started(), 2);
  AdvanceAllDrivesScan();
  EXPECT_EQ(threads_.Started(), 2);

  ASSERT_TRUE(threads_.RunNext());
  EXPECT_EQ(Status(), G("扫描结束!"));
  AdvanceAllDrivesScan();
  EXPECT_EQ(Status(), G(" 扫描结束!"));
  for (int i = 0; i < 3; ++i) AdvanceAllDrivesScan();
  EXPECT_EQ(Status(), G(" 扫描结束!"));
  EXPECT_EQ(threads_.Started(), 2);
  EXPECT_EQ(controls_.RowCount(), 2);
  EXPECT_EQ(controls_.CellText(1, 1), "D:\\");
  EXPECT_EQ(HealthScore.load(), 98);  // not reset between drives

  // A second whole-machine scan starts again from the first drive.
  OnFullScanButtonClick();
  EXPECT_EQ(controls_.DriveSelection(), 0);
  EXPECT_EQ(ScanRoot, "C:\\");
  threads_.RunNext();
  EXPECT_EQ(controls_.RowCount(), 3);
}

TEST_F(LaunchTest, SingleDriveScanEndsWithEndTextThatStays) {
  FillDriveList();
  controls_.SetDriveBox({{"D: x", 'D'}}, 0, 'C');
  OnScanButtonClick();
  EXPECT_EQ(AllDrivesMode.load(), 0);
  EXPECT_EQ(ScanRoot, "D:\\");
  threads_.RunNext();
  for (int i = 0; i < 3; ++i) AdvanceAllDrivesScan();
  EXPECT_EQ(Status(), G("扫描结束!"));
  EXPECT_EQ(threads_.Started(), 1);

  // The end text of that walk is not taken for the end of a whole-machine walk begun next.
  OnFullScanButtonClick();
  AdvanceAllDrivesScan();
  EXPECT_EQ(ScanRoot, "C:\\");
  EXPECT_EQ(threads_.Started(), 2);
  EXPECT_EQ(controls_.DriveSelection(), 0);
}

TEST_F(LaunchTest, StartsAreRefusedWhileAWorkerRuns) {
  FillDriveList();
  controls_.SetDriveBox({}, -1, 'C');
  OnScanButtonClick();
  EXPECT_EQ(ScanRoot, "C:\\");
  controls_.SetDriveBox({{"D: x", 'D'}}, 0, 'C');
  OnScanButtonClick();
  OnFullScanButtonClick();
  EXPECT_EQ(ScanRoot, "C:\\");
  EXPECT_EQ(AllDrivesMode.load(), 0);
  EXPECT_EQ(controls_.DriveSelection(), -1);
  EXPECT_EQ(threads_.Started(), 1);
  threads_.RunNext();
  OnScanButtonClick();
  EXPECT_EQ(ScanRoot, "D:\\");
  threads_.RunNext();
}

TEST_F(LaunchTest, EmptyDriveListFullScanDoesNothingAndOneDriveFinishes) {
  OnFullScanButtonClick();
  EXPECT_EQ(AllDrivesMode.load(), 0);
  EXPECT_EQ(threads_.Started(), 0);
  EXPECT_EQ(ScanRoot, "");

  controls_.AppendDriveItem("Z:\\");  // cannot be listed: the walk ends at once
  OnFullScanButtonClick();
  threads_.RunNext();
  AdvanceAllDrivesScan();
  EXPECT_EQ(Status(), G(" 扫描结束!"));
  EXPECT_EQ(controls_.RowCount(), 0);
}

TEST(LaunchRealThreads, WholeMachineSequenceNeverStalls) {
  ControlState controls;
  FakeDirLister lister;
  FakeDriveProvider drives;
  FakeThreadStarter threads(FakeThreadStarter::Mode::RealThread);
  LoadKeywordLists();
  constexpr int kDrives = 26;
  for (int d = 0; d < kDrives; ++d) {
    std::string root = std::string(1, static_cast<char>('A' + d)) + ":\\";
    drives.roots.push_back(root);
    if (d % 3) lister.AddFile(GbkToNative(root), NativeFromUtf8("性感.avi"), d);
  }
  ProgramServices s;
  s.controls = &controls;
  s.lister = &lister;
  s.drives = &drives;
  s.threads = &threads;
  ScopedServices services(s);
  FillDriveList();
  for (int round = 0; round < 5; ++round) {
    ASSERT_TRUE(WaitForScanWorker());
    controls.SetCaption(LabelId::Status, "");  // the last round's final text stays until the first file
    OnFullScanButtonClick();
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (controls.Caption(LabelId::Status) != G(" 扫描结束!") && std::chrono::steady_clock::now() < until) {
      AdvanceAllDrivesScan();
      std::this_thread::yield();
    }
    ASSERT_EQ(controls.Caption(LabelId::Status), G(" 扫描结束!")) << "round " << round;
  }
  ASSERT_TRUE(WaitForScanWorker());
  threads.JoinAll();
  EXPECT_EQ(threads.Started(), 5 * kDrives);
  // Each drive once per round, in order.
  ASSERT_EQ(controls.RowCount(), 5 * (kDrives - (kDrives + 2) / 3));
  std::string previous;
  for (int row = 0; row < controls.RowCount(); ++row) {
    std::string dir = controls.CellText(row, 1);
    if (row % (kDrives - (kDrives + 2) / 3)) {
      EXPECT_LT(previous, dir);
    }
    previous = dir;
  }
}

}  // namespace
