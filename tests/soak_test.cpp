// Many scans on a real tree with real worker threads, clears in the middle of walks, and a
// view thread reading what the window would render.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/dir_listing.h"
#include "platform/file_reader.h"
#include "scan/classifier.h"
#include "scan/keywords.h"
#include "scan/scan_launch.h"
#include "scan/scan_worker.h"
#include "scan/walker.h"
#include "state/control_state.h"
#include "support/fakes.h"
#include "support/process_memory.h"
#include "support/temp_tree.h"
#include "text/codepage.h"
#include "verdict/result_actions.h"
#include "verdict/timer_tick.h"

namespace {

TEST(Soak, ScansClearsAndTicksKeepRowsAndScoreConsistent) {
  LoadKeywordLists();
  TempTree tree;
  for (const char* rel : {"a性感.avi", "b.doc", "sub/c性感.jpg", "sub/d.txt", "sub/deep/e性感.mp3", "f.doc"})
    ASSERT_TRUE(tree.File(TempTree::U8(rel), "x"));
  std::string root;
  NativeToGbk(tree.NativeRoot(), root);

  TestContext t(FakeThreadStarter::Mode::RealThread, &PlatformFileReader(), &PlatformDirLister());
  ScanContext& ctx = t.ctx;
  RecordingControls& controls = t.controls;
  FakeThreadStarter& threads = t.threads;
  controls.AppendDriveItem(root);
  // Thousands of captions a run: a log of them all would fill a 32-bit address space.
  controls.StopLogging();

  // The walk order of this tree, once, on this thread.
  WalkDirectory(root, tree.NativeRoot(), [&](const FoundFile& f) { return ClassifyFile(ctx, f); }, Recurse::Yes, PlatformDirLister());
  std::vector<std::string> order;
  for (int row = 0; row < controls.RowCount(); ++row) order.push_back(controls.CellText(row, Column::Name));
  ASSERT_EQ(order.size(), 3u);
  OnClearButtonClick(ctx);

  std::atomic<bool> done{false};
  std::atomic<int> badView{0};
  std::thread view([&] {
    while (!done.load()) {
      std::this_thread::sleep_for(std::chrono::microseconds(100));
      controls.AcknowledgeChange();
      controls.Versions();
      controls.Caption(LabelId::Status);
      int count = controls.RowCount();
      for (int row = std::max(0, count - 2); row < count; ++row) {
        std::string kind = controls.CellText(row, Column::Category);
        if (!kind.empty() && kind != CategoryForName(".avi") && kind != CategoryForName(".jpg") && kind != CategoryForName(".mp3"))
          badView.fetch_add(1);
      }
      controls.Selection();
      std::this_thread::yield();
    }
  });
  // A failed assertion returns early: the view thread must still be joined, or the test ends
  // in std::terminate and the failure's own message may never be flushed.
  struct StopView {
    std::atomic<bool>& done;
    std::thread& view;
    ~StopView() {
      done.store(true);
      if (view.joinable()) view.join();
    }
  } stopView{done, view};

  // Waiting as the window's timer does, not spinning, so the workers get the CPU they need.
  const auto pause = [] { std::this_thread::sleep_for(std::chrono::microseconds(200)); };
  size_t memoryAtStart = 0;
  for (int cycle = 0; cycle < 1000; ++cycle) {
    if (cycle == 100) memoryAtStart = ProcessMemoryBytes();
    const int kind = cycle % 3;
    const int before = controls.RowCount();
    OnFullScanButtonClick(ctx);
    ASSERT_EQ(threads.Started(), cycle + 1);
    if (kind == 0) OnClearButtonClick(ctx);
    if (kind == 2) {
      while (ctx.scanRun.IsRunning() && controls.RowCount() == before) pause();
      OnClearButtonClick(ctx);
    }
    while (ctx.scanRun.IsRunning()) {
      OnScanTimerTick(ctx);
      pause();
    }
    ASSERT_TRUE(WaitForScanWorker(ctx));
    threads.JoinAll();
    OnScanTimerTick(ctx);
    ASSERT_EQ(controls.Caption(LabelId::Status), kAllDrivesDoneText.Gbk()) << cycle;

    const int rows = controls.RowCount();
    ASSERT_EQ(ctx.HealthScore.load(), 100 - rows) << cycle;
    if (kind == 1) {
      ASSERT_EQ(rows, before + 3) << cycle;
    } else {
      ASSERT_LE(rows, 3) << cycle;
    }
    // The rows of this walk are its suspects in walk order, none lost or doubled (a clear
    // leaves the tail of them).
    const int fromWalk = kind == 1 ? 3 : rows;
    for (int i = 0; i < fromWalk; ++i) {
      const int row = rows - fromWalk + i;
      ASSERT_EQ(controls.CellText(row, Column::Name), order[3 - fromWalk + i]) << cycle;
      ASSERT_FALSE(controls.CellText(row, Column::Category).empty()) << cycle;
    }
    if (rows > 30) OnClearButtonClick(ctx);
  }
  done.store(true);
  view.join();
  EXPECT_EQ(badView.load(), 0);
  // After warming up, 900 more scans may not make the process grow: nothing piles up per scan.
  if (kProcessMemoryMeaningful && memoryAtStart != 0) {
    const size_t memoryAtEnd = ProcessMemoryBytes();
    EXPECT_LT(memoryAtEnd, memoryAtStart + 16u * 1024 * 1024) << memoryAtStart << " -> " << memoryAtEnd;
  }
}

}  // namespace
