// The read-ahead walk against the plain one on real random trees: the same visitor calls and the
// same shown effects, also while folders vanish and appear; and a clear or a close mid-walk.
#include "scan/read_ahead.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "scan/classifier.h"
#include "scan/keywords.h"
#include "scan/scan_worker.h"
#include "scan/walker.h"
#include "support/fakes.h"
#include "support/temp_tree.h"
#include "text/codepage.h"

namespace fs = std::filesystem;

namespace {

// splitmix64: the same trees on every library.
class Rng {
 public:
  explicit Rng(uint64_t seed) : state_(seed) {}
  size_t Below(size_t n) {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return static_cast<size_t>((z ^ (z >> 31)) % n);
  }

 private:
  uint64_t state_;
};

std::string ContentWith(size_t entries) {
  std::string text = Utf8ToGbk("今天");
  for (size_t i = 0; i < entries && i < ContentKeywords.size(); ++i) text += ContentKeywords[i * 7 % ContentKeywords.size()] + ",";
  return text;
}

// Deep chains, wide folders, empty folders, ".txt" files with and without hits, names GBK
// cannot hold, and links: back onto the path (loops), sideways, dangling.
void MakeTree(TempTree& tree, uint64_t seed) {
  Rng rng(seed);
  const std::vector<std::string> pieces = {"照片", "notes", "性感", "报告", "成人", "data", "x"};
  std::vector<std::string> dirs = {""};
  size_t serial = 0;
  tree.File("shared/s1.avi", "s");
  tree.File(TempTree::U8("shared/性感.jpg"), "s");
  for (size_t d = 0; d < dirs.size() && dirs.size() < 80; ++d) {
    const std::string dir = dirs[d];
    const size_t depth = static_cast<size_t>(std::count(dir.begin(), dir.end(), '/'));
    const size_t files = rng.Below(5) == 0 ? 70 + rng.Below(130) : rng.Below(6);
    for (size_t i = 0; i < files; ++i) {
      const std::string stem = pieces[rng.Below(pieces.size())] + std::to_string(serial++);
      switch (rng.Below(6)) {
        case 0: tree.File(TempTree::U8(dir + stem + ".txt"), ContentWith(rng.Below(3) == 0 ? 2 : 6)); break;
        case 1: tree.File(TempTree::U8(dir + stem + ".TXT"), rng.Below(2) ? "" : std::string(1, '\0') + ContentWith(6)); break;
        default: tree.File(TempTree::U8(dir + stem + (rng.Below(2) ? ".avi" : ".doc")), std::string(rng.Below(9), 'k'));
      }
    }
    const size_t subdirs = depth > 7 ? 0 : depth == 0 ? 3 + rng.Below(3) : rng.Below(depth < 2 ? 5 : 3) + (rng.Below(4) == 0 ? 1 : 0);
    for (size_t i = 0; i < subdirs; ++i) {
      const std::string sub = dir + pieces[rng.Below(pieces.size())] + "_" + std::to_string(serial++) + "/";
      tree.Dir(TempTree::U8(sub));
      dirs.push_back(sub);
    }
    if (depth > 0 && rng.Below(8) == 0) tree.Symlink(tree.Root(), TempTree::U8(dir + "toRoot"), true);
    if (depth > 1 && rng.Below(8) == 0) tree.Symlink("..", TempTree::U8(dir + "toParent"), true);
    if (rng.Below(6) == 0) tree.Symlink(tree.At("shared"), TempTree::U8(dir + "side"), true);
    if (rng.Below(10) == 0) tree.Symlink("nowhere", TempTree::U8(dir + "dangling"), true);
  }
#ifndef _WIN32
  tree.File(fs::path(std::string("\xff\xfe") + "bad.txt"), ContentWith(6));  // not UTF-8: a lossy name
#endif
}

struct Engine {
  const char* name;
  size_t readers;
  ReadAheadLimits limits;
};
const Engine kPlain{"plain", 0, {}};
const Engine kReadAhead[] = {{"oneReader", 1, {}}, {"threeReaders", 3, {}}, {"tightLimits", 2, {40, 16 * 1024, 2, 1}}};

// One scan as the worker does it, recording every visitor call and every shown effect.
struct Scan {
  std::vector<std::string> calls;
  std::vector<std::string> shown;
  ReadAheadStats stats;
};

Scan RunScan(const TempTree& tree, const Engine& engine,
             const std::function<void(const FoundFile&)>& duringWalk = nullptr) {
  TestContext t(FakeThreadStarter::Mode::OnDemand, &PlatformFileReader(), &PlatformDirLister());
  ScanContext& ctx = t.ctx;
  RecordingControls& controls = t.controls;
  std::string root;
  NativeToGbk(tree.NativeRoot(), root);
  Scan scan;
  ReadAheadSetup setup;
  setup.readers = engine.readers;
  setup.limits = engine.limits;
  setup.reader = &PlatformFileReader();
  setup.wantsContent = ClassifierReadsContent;
  setup.contentAnswer = MatchContentKeywordsInFile;
  setup.stats = &scan.stats;
  WalkDirectoryReadAhead(root, tree.NativeRoot(),
                         [&](const FoundFile& f) {
                           if (duringWalk) duringWalk(f);
                           // Below the root, so that walks of two equal trees compare.
                           std::string nativePath;
                           NativeToGbk(f.nativeDir.substr(tree.NativeRoot().size()) + f.nativeName, nativePath);
                           scan.calls.push_back(f.dir.substr(root.size()) + "|" + f.name + "|" +
                                                std::to_string(f.size) + "|" + nativePath + "|" +
                                                (f.nameLossy ? "lossy" : "") + (f.contentOffline ? "offline" : ""));
                           return ClassifyFile(ctx, f);
                         },
                         Recurse::Yes, ctx.lister, setup);
  scan.shown = controls.TakeLog();
  scan.shown.push_back("score " + std::to_string(ctx.HealthScore.load()));
  return scan;
}

TEST(ReadAheadWalk, RandomTreesGiveTheSameCallsAndEffectsAsThePlainWalk) {
  LoadKeywordLists();
  for (uint64_t seed = 1; seed <= 4; ++seed) {
    TempTree tree;
    MakeTree(tree, seed);
    const Scan plain = RunScan(tree, kPlain);
    ASSERT_GT(plain.calls.size(), 20u) << seed;
    for (const Engine& engine : kReadAhead) {
      const Scan ahead = RunScan(tree, engine);
      ASSERT_EQ(ahead.calls, plain.calls) << engine.name << " seed " << seed;
      ASSERT_EQ(ahead.shown, plain.shown) << engine.name << " seed " << seed;
      EXPECT_GT(ahead.stats.listedAhead + ahead.stats.listedByWalk, 0u);
      // Over the limits by at most a chunk of 64 entries per lister and an entry per level.
      EXPECT_LE(ahead.stats.peakEntries, engine.limits.entries + 64 * (engine.readers + 1) + 10) << engine.name;
      EXPECT_LE(ahead.stats.peakBytes, engine.limits.bytes + 64 * 512 * (engine.readers + 1)) << engine.name;
    }
  }
  // The readers do take part: given time (a visitor that pauses at its first file, long enough
  // for threads to start even under Wine), listings and answers are theirs.
  TempTree tree;
  MakeTree(tree, 7);
  bool first = true;
  const Scan ahead = RunScan(tree, kReadAhead[1], [&](const FoundFile&) {
    std::this_thread::sleep_for(std::chrono::milliseconds(first ? 200 : 1));
    first = false;
  });
  EXPECT_GT(ahead.stats.listedAhead, ahead.stats.listedByWalk) << ahead.calls.size() << " calls, " << ahead.stats.answeredAhead << " answers ahead";
  EXPECT_GT(ahead.stats.answeredAhead, 0u);
}

// Folders removed and made while the walk runs: everything else is walked exactly as by the
// plain walk; of the changed folders each engine sees what was there at its own moment.
TEST(ReadAheadWalk, FoldersVanishingAndAppearingDuringTheWalk) {
  LoadKeywordLists();
  const auto isChanged = [](const std::string& call) {
    return call.find("gone") != std::string::npos || call.find("fresh") != std::string::npos;
  };
  for (size_t at : {0u, 5u, 40u}) {
    std::vector<std::string> expected;
    for (const Engine* engine : {&kPlain, &kReadAhead[0], &kReadAhead[1], &kReadAhead[2]}) {
      TempTree tree;
      for (int top = 0; top < 6; ++top) {
        const std::string t = "top" + std::to_string(top) + "/";
        for (int i = 0; i < 12; ++i) tree.File(t + "f" + std::to_string(i) + ".avi", "x");
        for (int i = 0; i < 3; ++i) tree.File(t + "gone/g" + std::to_string(i) + "/x" + std::to_string(i) + ".txt", ContentWith(6));
        tree.File(t + "stay/s.txt", ContentWith(6));
      }
      size_t seen = 0;
      const Scan scan = RunScan(tree, *engine, [&](const FoundFile&) {
        if (seen++ != at) return;
        std::error_code ec;
        for (int top = 0; top < 6; ++top) {
          const fs::path t = tree.At("top" + std::to_string(top));
          fs::remove_all(t / "gone", ec);
          tree.File("top" + std::to_string(top) + "/fresh/n.txt", ContentWith(6));
        }
      });
      std::vector<std::string> kept;
      for (const std::string& call : scan.calls)
        if (!isChanged(call)) kept.push_back(call);
      if (engine == &kPlain) {
        expected = kept;
      } else {
        EXPECT_EQ(kept, expected) << engine->name << " at " << at;
      }
    }
  }
}

// The worker on a real thread over a tree large enough to clear and close in the middle.
class ReadAheadWorker : public ::testing::Test {
 protected:
  void SetUp() override {
    LoadKeywordLists();
    for (int d = 0; d < 40; ++d) {
      for (int i = 0; i < 50; ++i) {
        const std::string name = std::string("d") + std::to_string(d) + "/f" + std::to_string(i);
        tree_.File(TempTree::U8(name + (i % 10 == 0 ? "性感.avi" : i % 10 == 5 ? ".txt" : ".doc")),
                   i % 10 == 5 ? ContentWith(6) : "x");
      }
    }
    NativeToGbk(tree_.NativeRoot(), root_);
    ctx_.ScanRoot = root_;
  }

  TempTree tree_;
  std::string root_;
  TestContext t_{FakeThreadStarter::Mode::RealThread, &PlatformFileReader(), &PlatformDirLister()};
  ScanContext& ctx_ = t_.ctx;
  RecordingControls& controls_ = t_.controls;
  FakeThreadStarter& threads_ = t_.threads;
};

TEST_F(ReadAheadWorker, ClearMidWalkKeepsOnlyRowsOfFilesShownAfterIt) {
  // Every .txt answer is worked out before its file reaches the visitor, so a clear cannot fall
  // between a file's progress and its row.
  for (int round = 0; round < 8; ++round) {
    ASSERT_TRUE(StartScanWorker(ctx_));
    while (ctx_.scanRun.IsRunning() && controls_.RowCount() < 3 + round * 20) std::this_thread::yield();
    {
      // The clear action, with a mark in the log in the same hold of the gate.
      const ScanRun::Hold hold = ctx_.scanRun.HoldGate();
      controls_.DeleteAllRows();
      ctx_.HealthScore.store(100);
      controls_.SetCaption(LabelId::Verdict, "CLEAR");
    }
    ASSERT_TRUE(WaitForScanWorker(ctx_));
    threads_.JoinAll();
    const std::vector<std::string> log = controls_.TakeLog();
    const auto mark = std::find(log.begin(), log.end(), "caption V:CLEAR");
    ASSERT_NE(mark, log.end());
    // Every row after the clear is of a file whose progress was shown after it.
    std::vector<std::string> shownAfter;
    for (auto it = mark; it != log.end(); ++it) {
      if (it->rfind("caption S:", 0) == 0) shownAfter.push_back(it->substr(10));
      if (it->rfind("row:", 0) == 0) {
        const std::string name = it->substr(4, it->find('|') - 4);
        ASSERT_FALSE(shownAfter.empty()) << name;
        EXPECT_NE(shownAfter.back().find(name), std::string::npos) << name;
      }
    }
    EXPECT_EQ(ctx_.HealthScore.load(), 100 - controls_.RowCount());
    controls_.DeleteAllRows();
  }
}

TEST_F(ReadAheadWorker, CloseMidWalkStopsTheWalkAndItsReaders) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        bool ok = StartScanWorker(ctx_);
        while (ctx_.scanRun.IsRunning() && controls_.RowCount() < 10) std::this_thread::yield();
        ctx_.scanRun.Abandon();
        const int rows = controls_.RowCount();
        const auto start = std::chrono::steady_clock::now();
        while (ctx_.scanRun.IsRunning() && std::chrono::steady_clock::now() - start < std::chrono::seconds(20))
          std::this_thread::yield();
        ok = ok && !ctx_.scanRun.IsRunning() && controls_.RowCount() == rows;
        threads_.JoinAll();  // the worker's thread ends once its readers have
        std::exit(ok ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
