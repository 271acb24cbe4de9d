// The engine on real trees that change under it: folders and files vanishing during the walk,
// a ".txt" growing and shrinking while it is read, a wide folder. Each walk must end, crash
// nothing, and list every readable suspect once.
#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "fault_fixture.h"
#include "scan/keywords.h"

namespace fs = std::filesystem;

namespace {

// The first level below the root that holds the file, as a GBK text.
std::string TopLevel(const FoundFile& f, size_t rootLength) {
  std::string rest = f.dir.substr(rootLength);
  return rest.substr(0, rest.find(static_cast<char>(kNativeSeparator)));
}

class VanishingTree : public FaultTest {
 protected:
  // Three top-level folders, each with suspects directly inside and one level down.
  void MakeTree() {
    const std::string k = Keyword();
    for (const char* top : {"alpha", "beta", "gamma"}) {
      std::string t = top;
      ASSERT_TRUE(tree_.File(TempTree::U8(t + "/" + k + "_" + t + ".avi")));
      ASSERT_TRUE(tree_.File(TempTree::U8(t + "/plain_" + t + ".doc")));
      ASSERT_TRUE(tree_.File(TempTree::U8(t + "/sub/" + k + "_" + t + "_sub.jpg")));
      ASSERT_TRUE(tree_.File(TempTree::U8(t + "/sub/story_" + t + ".txt"), SuspectText()));
    }
  }
  size_t RootLength() {
    std::string gbkRoot;
    NativeToGbk(tree_.NativeRoot(), gbkRoot);
    return gbkRoot.size();
  }
  std::vector<std::string> SuspectsOf(const std::string& top) {
    const std::string k = Keyword();
    return {k + "_" + top + ".avi", k + "_" + top + "_sub.jpg", "story_" + top + ".txt"};
  }
};

TEST_F(VanishingTree, ASiblingFolderRemovedBeforeItsTurnIsSkippedQuietly) {
  MakeTree();
  const size_t rootLength = RootLength();
  std::string first, removed;
  Scan([&](const FoundFile& f) {
    if (!first.empty()) return;
    first = TopLevel(f, rootLength);
    // Any other top-level folder has not been walked yet: depth first, pre-order.
    for (const char* top : {"alpha", "beta", "gamma"}) {
      if (first != top) {
        removed = top;
        break;
      }
    }
    std::error_code ec;
    fs::remove_all(tree_.At(removed), ec);
    ASSERT_FALSE(ec);
  });
  ASSERT_FALSE(removed.empty());
  for (const char* top : {"alpha", "beta", "gamma"}) {
    for (const std::string& name : SuspectsOf(top)) {
      EXPECT_EQ(RowsNamed(name), top == removed ? 0 : 1) << name;
    }
  }
  ExpectNoRowTwice();
}

TEST_F(VanishingTree, TheFolderBeingListedRemovedUnderTheWalk) {
  MakeTree();
  const size_t rootLength = RootLength();
  std::string victim;
  Scan([&](const FoundFile& f) {
    if (!victim.empty()) return;
    victim = TopLevel(f, rootLength);
    std::error_code ec;
    fs::remove_all(tree_.At(victim), ec);  // may fail where open folders cannot be removed
  });
  ASSERT_FALSE(victim.empty());
  for (const char* top : {"alpha", "beta", "gamma"}) {
    for (const std::string& name : SuspectsOf(top)) {
      if (top == victim) {
        EXPECT_LE(RowsNamed(name), 1) << name;
      } else {
        EXPECT_EQ(RowsNamed(name), 1) << name;
      }
    }
  }
  ExpectNoRowTwice();
}

TEST_F(FaultTest, ATxtRemovedBetweenListingAndReadingIsNoSuspect) {
  const std::string k = Keyword();
  ASSERT_TRUE(tree_.File("gone.txt", SuspectText()));
  ASSERT_TRUE(tree_.File("kept.txt", SuspectText()));
  ASSERT_TRUE(tree_.File(TempTree::U8(k + "_clip.avi")));
  Scan([&](const FoundFile& f) {
    if (f.name == "gone.txt") {
      std::error_code ec;
      fs::remove(tree_.At("gone.txt"), ec);
    }
  });
  EXPECT_EQ(RowsNamed("gone.txt"), 0);
  EXPECT_EQ(RowsNamed("kept.txt"), 1);
  EXPECT_EQ(RowsNamed(k + "_clip.avi"), 1);
  ExpectNoRowTwice();
}

// A writer keeps rewriting, growing and cutting a ".txt" while the content rule and whole
// scans read it: every read gives some answer and ends.
TEST_F(FaultTest, ATxtGrowingAndShrinkingWhileReadGivesSomeAnswer) {
  const std::string k = Keyword();
  ASSERT_TRUE(tree_.File("busy.txt", SuspectText()));
  ASSERT_TRUE(tree_.File(TempTree::U8(k + "_steady.mp4")));
  const fs::path busy = tree_.At("busy.txt");
  std::string block(256 * 1024, 'a');
  block += SuspectText();

  std::atomic<bool> stop{false};
  std::atomic<int> rewrites{0};
  std::thread writer([&] {
    while (!stop.load()) {
      {
        std::ofstream out(busy, std::ios::binary | std::ios::trunc);
        for (int i = 0; i < 8 && !stop.load(); ++i) out.write(block.data(), static_cast<std::streamsize>(block.size()));
      }
      std::error_code ec;
      fs::resize_file(busy, block.size() / 3, ec);
      {
        std::ofstream out(busy, std::ios::binary | std::ios::app);
        out.write(block.data(), static_cast<std::streamsize>(block.size()));
      }
      fs::resize_file(busy, 0, ec);
      ++rewrites;
    }
  });

  int reads = 0, scans = 0;
  WithinSeconds(
      60,
      [&] {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
        while (std::chrono::steady_clock::now() < until) {
          (void)MatchContentKeywordsInFile(busy.native(), PlatformFileReader());
          ++reads;
          if (reads % 8 == 0) {
            state_.DeleteAllRows();
            ctx_.HealthScore = 100;
            EXPECT_EQ(Scan(), 2u);
            EXPECT_EQ(RowsNamed(k + "_steady.mp4"), 1);
            EXPECT_LE(RowsNamed("busy.txt"), 1);
            ++scans;
          }
        }
      },
      "reading a changing .txt");
  stop = true;
  writer.join();
  EXPECT_GT(reads, 0);
  EXPECT_GT(rewrites.load(), 0);
  ExpectNoRowTwice();
}

TEST_F(FaultTest, AWideFolderIsWalkedWhole) {
  const std::string k = Keyword();
  const int count = 3000;
  for (int i = 0; i < count; ++i) {
    std::string name = (i % 1000 == 500 ? k + "_" : std::string("file_")) + std::to_string(i) + ".jpg";
    ASSERT_TRUE(tree_.File(TempTree::U8("wide/" + name)));
  }
  EXPECT_EQ(Scan(), static_cast<size_t>(count));
  for (int i = 500; i < count; i += 1000) EXPECT_EQ(RowsNamed(k + "_" + std::to_string(i) + ".jpg"), 1);
  EXPECT_EQ(state_.RowCount(), 3);
  ExpectNoRowTwice();
}

}  // namespace
