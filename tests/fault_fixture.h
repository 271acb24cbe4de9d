// The whole engine (walk, classifier, rows into a ControlState) over a real temporary tree,
// with a hook that may disturb the tree while the walk runs.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "platform/dir_listing.h"
#include "platform/file_reader.h"
#include "scan/classifier.h"
#include "scan/keywords.h"
#include "scan/scan_worker.h"
#include "scan/walker.h"
#include "state/control_state.h"
#include "support/fakes.h"
#include "support/temp_tree.h"
#include "text/codepage.h"

class FaultTest : public ::testing::Test {
 protected:
  void SetUp() override { LoadKeywordLists(); }

  // A name keyword in UTF-8 ("性感" when listed), for suspect names.
  static std::string Keyword() {
    const std::string wanted = Utf8ToGbk("性感");
    for (const std::string& k : NameKeywords)
      if (k == wanted) return "性感";
    return GbkToUtf8(NameKeywords.front());
  }
  // A GBK text holding five content entries: a suspect ".txt" content.
  static std::string SuspectText() {
    std::string text;
    for (size_t i = 0; i < 5 && i < ContentKeywords.size(); ++i) text += ContentKeywords[i] + "\r\n";
    return text;
  }

  // Runs the engine over the tree; hook runs before each file is classified. Returns the
  // number of files the walk handed over.
  size_t Scan(const std::function<void(const FoundFile&)>& hook = {}) {
    std::string gbkRoot;
    NativeToGbk(tree_.NativeRoot(), gbkRoot);
    size_t files = 0;
    WalkDirectory(
        gbkRoot, tree_.NativeRoot(),
        [&](const FoundFile& f) {
          ++files;
          if (hook) hook(f);
          return ClassifyFile(ctx_, f);
        },
        Recurse::Yes, PlatformDirLister());
    return files;
  }

  // How many rows list this UTF-8 name (column 0).
  int RowsNamed(const std::string& utf8Name) {
    const std::string gbk = Utf8ToGbk(utf8Name);
    int n = 0;
    for (int row = 0; row < state_.RowCount(); ++row) n += state_.CellText(row, Column::Name) == gbk ? 1 : 0;
    return n;
  }

  // Every row's full path (column 1 + column 0) is unique.
  void ExpectNoRowTwice() {
    std::vector<std::string> paths;
    for (int row = 0; row < state_.RowCount(); ++row) paths.push_back(state_.CellText(row, Column::Directory) + state_.CellText(row, Column::Name));
    std::sort(paths.begin(), paths.end());
    EXPECT_EQ(std::adjacent_find(paths.begin(), paths.end()), paths.end()) << "a file listed twice";
    EXPECT_EQ(ctx_.HealthScore.load(), 100 - state_.RowCount());
  }

  // Runs body on its own thread; a body still running after limit ends the test program,
  // since a hung thread cannot be joined.
  static void WithinSeconds(double limit, const std::function<void()>& body, const char* what) {
    std::packaged_task<void()> task(body);
    std::future<void> done = task.get_future();
    std::thread runner(std::move(task));
    if (done.wait_for(std::chrono::duration<double>(limit)) != std::future_status::ready) {
      std::fprintf(stderr, "%s did not finish within %.0f s\n", what, limit);
      std::fflush(stderr);
      std::_Exit(1);
    }
    runner.join();
  }

  TempTree tree_;
  TestContext t_{FakeThreadStarter::Mode::OnDemand, &PlatformFileReader(), &PlatformDirLister()};
  ScanContext& ctx_ = t_.ctx;
  RecordingControls& state_ = t_.controls;
};
