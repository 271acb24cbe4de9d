// The POSIX side of the walk: symbolic links, permissions, undecodable names, FIFOs.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <map>
#include <string>
#include <vector>

#include "platform/dir_listing.h"
#include "platform/file_reader.h"
#include "scan/walker.h"
#include "support/temp_tree.h"

namespace {

struct Seen {
  std::string path;  // GBK dir + name
  std::string nativePath;
  bool lossy;
  uint64_t size;
};

std::vector<Seen> Walk(const TempTree& tree) {
  std::vector<Seen> seen;
  std::string root;
  NativeToGbk(tree.NativeRoot(), root);
  WalkDirectory(root, tree.NativeRoot(),
                [&](const FoundFile& f) {
                  seen.push_back({f.dir + f.name, f.nativeDir + f.nativeName, f.nameLossy, f.size});
                  return true;
                },
                Recurse::Yes, PlatformDirLister());
  return seen;
}

std::map<std::string, int> CountByPath(const std::vector<Seen>& seen, size_t rootLength) {
  std::map<std::string, int> counts;
  for (const Seen& s : seen) ++counts[s.nativePath.substr(rootLength)];
  return counts;
}

TEST(PosixWalk, SymlinkLoopsEndAndEveryDistinctPathIsVisitedOnce) {
  TempTree tree;
  ASSERT_TRUE(tree.File("a/b/c/f", "x"));
  ASSERT_TRUE(tree.File("a/g", "yy"));
  ASSERT_TRUE(tree.File("other/o", "zzz"));
  ASSERT_TRUE(tree.Symlink(tree.Root(), "a/b/c/toRoot", true));
  ASSERT_TRUE(tree.Symlink("../..", "a/b/c/toA", true));  // relative, to a
  ASSERT_TRUE(tree.Symlink("../other", "a/toOther", true));
  ASSERT_TRUE(tree.Symlink("g", "a/fileLink", false));
  ASSERT_TRUE(tree.Symlink("nowhere", "a/dangling", false));

  const auto start = std::chrono::steady_clock::now();
  const std::vector<Seen> seen = Walk(tree);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));

  const std::map<std::string, int> expected = {
      {"a/b/c/f", 1}, {"a/g", 1}, {"a/toOther/o", 1}, {"other/o", 1}, {"a/fileLink", 1}, {"a/dangling", 1}};
  EXPECT_EQ(CountByPath(seen, tree.NativeRoot().size()), expected);
  for (const Seen& s : seen) {
    if (s.nativePath.ends_with("fileLink")) {
      EXPECT_EQ(s.size, 2u) << "a link to a file has its target's size";
    }
    if (s.nativePath.ends_with("dangling")) {
      EXPECT_EQ(s.size, 0u);
    }
  }
}

TEST(PosixWalk, UnreadableDirectoryIsSkippedSilently) {
  if (geteuid() == 0) GTEST_SKIP() << "root reads every directory";
  TempTree tree;
  ASSERT_TRUE(tree.File("locked/inside", "x"));
  ASSERT_TRUE(tree.File("open/visible", "x"));
  ASSERT_EQ(chmod(tree.At("locked").c_str(), 0), 0);
  const std::vector<Seen> seen = Walk(tree);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_TRUE(seen[0].nativePath.ends_with("open/visible"));
}

TEST(PosixWalk, UndecodableNamesBecomeQuestionMarksAndKeepTheirBytes) {
  TempTree tree;
  const std::string rawDir = "d\xC3";
  const std::string rawName = "bad\xFF\xFEname.txt";
  ASSERT_TRUE(tree.File(std::filesystem::path(rawDir) / rawName, "hello"));
  const std::vector<Seen> seen = Walk(tree);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_TRUE(seen[0].lossy);
  EXPECT_EQ(seen[0].nativePath, tree.NativeRoot() + rawDir + "/" + rawName);
  const std::string gbkTail = seen[0].path.substr(seen[0].path.rfind('/') + 1);
  EXPECT_EQ(gbkTail.find('\xFF'), std::string::npos);
  EXPECT_EQ(gbkTail.substr(0, 3), "bad");
  EXPECT_NE(gbkTail.find('?'), std::string::npos);
  EXPECT_TRUE(gbkTail.ends_with("name.txt"));

  auto stream = PlatformFileReader().OpenForRead(seen[0].nativePath);
  ASSERT_NE(stream, nullptr) << "the native name still opens";
  char buf[8];
  EXPECT_EQ(stream->Read(buf, sizeof buf), 5);
}

TEST(PosixRead, FifosAndDevicesAreRefusedAtOnce) {
  TempTree tree;
  const std::string fifo = tree.At("x.txt").native();
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(PlatformFileReader().OpenForRead(fifo), nullptr);
  EXPECT_EQ(PlatformFileReader().OpenForRead("/dev/zero"), nullptr);
  EXPECT_EQ(PlatformFileReader().OpenForRead(tree.NativeRoot()), nullptr) << "a directory is not read";
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));

  // The walk lists the FIFO as a file without a size.
  const std::vector<Seen> seen = Walk(tree);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].size, 0u);
}

TEST(PosixListing, LinkEntriesAreMarkedAndDirectoriesIdentifiedThroughLinks) {
  TempTree tree;
  ASSERT_TRUE(tree.Dir("real"));
  ASSERT_TRUE(tree.Symlink("real", "link", true));
  auto listing = PlatformDirLister().NewListing();
  ListedEntry e;
  ASSERT_TRUE(listing->Open(tree.NativeRoot(), e));
  std::map<std::string, ListedEntry> entries;
  do {
    entries[e.name] = e;
  } while (listing->Next(e));
  listing->Close();
  EXPECT_TRUE(entries.count(".") && entries.count(".."));
  EXPECT_TRUE(entries["real"].isDirectory);
  EXPECT_FALSE(entries["real"].isLink);
  EXPECT_TRUE(entries["link"].isDirectory);
  EXPECT_TRUE(entries["link"].isLink);
  EXPECT_EQ(PlatformDirLister().IdentifyDirectory(tree.NativeRoot() + "real/"),
            PlatformDirLister().IdentifyDirectory(tree.NativeRoot() + "link/"));
  EXPECT_FALSE(PlatformDirLister().IdentifyDirectory(tree.NativeRoot()) ==
               PlatformDirLister().IdentifyDirectory(tree.NativeRoot() + "real/"));
}

}  // namespace
