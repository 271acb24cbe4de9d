// The walk over an in-memory tree (exact order, links, failures), plain and with read-ahead, and
// over real temporary trees.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/dir_listing.h"
#include "platform/file_reader.h"
#include "scan/read_ahead.h"
#include "scan/walker.h"
#include "support/temp_tree.h"

namespace fs = std::filesystem;

namespace {

const char kSep = static_cast<char>(kNativeSeparator);

NativeString N(const std::string& ascii) { return NativeString(ascii.begin(), ascii.end()); }

// A tree kept in memory, listed in exactly the order its entries were added.
class FakeLister final : public DirLister {
 public:
  struct Node {
    std::string name;
    bool isDirectory = false;
    bool isLink = false;
    uint64_t size = 0;
    bool unlistable = false;
    int target = -1;  // a link's directory
    std::vector<int> children;
  };

  FakeLister() { nodes_.push_back(MakeNode("", true)); }

  int AddDir(int parent, const std::string& name) { return Add(parent, MakeNode(name, true)); }
  int AddFile(int parent, const std::string& name, uint64_t size = 0) {
    Node n = MakeNode(name, false);
    n.size = size;
    return Add(parent, n);
  }
  int AddLink(int parent, const std::string& name, int target) {
    Node n = MakeNode(name, true);
    n.isLink = true;
    n.target = target;
    return Add(parent, n);
  }
  Node& At(int i) { return nodes_[static_cast<size_t>(i)]; }

  static NativeString Root() { return N(std::string("R") + kSep); }

  std::atomic<int> identifyCalls{0};
  std::atomic<int> openListings{0};

  std::unique_ptr<DirListing> NewListing() override { return std::make_unique<Listing>(*this); }
  DirectoryId IdentifyDirectory(const NativeString& dir) override {
    ++identifyCalls;
    int node = Resolve(dir);
    DirectoryId id;
    if (node >= 0) id = {1, static_cast<uint64_t>(node), true};
    return id;
  }

 private:
  class Listing final : public DirListing {
   public:
    explicit Listing(FakeLister& owner) : owner_(owner) {}
    bool Open(const NativeString& dir, ListedEntry& first) override {
      node_ = owner_.Resolve(dir);
      if (node_ < 0 || owner_.At(node_).unlistable) return false;
      ++owner_.openListings;
      next_ = 0;
      entries_ = {".", ".."};
      for (int c : owner_.At(node_).children) entries_.push_back(owner_.At(c).name);
      return Next(first);
    }
    bool Next(ListedEntry& entry) override {
      if (node_ < 0 || next_ >= entries_.size()) return false;
      const size_t i = next_++;
      entry = ListedEntry{};
      entry.name = N(entries_[i]);
      if (i < 2) {
        entry.isDirectory = true;
        return true;
      }
      const Node& n = owner_.At(owner_.At(node_).children[i - 2]);
      entry.isDirectory = n.isDirectory;
      entry.isLink = n.isLink;
      entry.size = n.size;
      return true;
    }
    void Close() override {
      if (node_ >= 0) --owner_.openListings;
      node_ = -1;
    }

   private:
    FakeLister& owner_;
    int node_ = -1;
    size_t next_ = 0;
    std::vector<std::string> entries_;
  };

  static Node MakeNode(const std::string& name, bool isDirectory) {
    Node n;
    n.name = name;
    n.isDirectory = isDirectory;
    return n;
  }

  int Add(int parent, Node n) {
    nodes_.push_back(n);
    const int id = static_cast<int>(nodes_.size()) - 1;
    nodes_[static_cast<size_t>(parent)].children.push_back(id);
    return id;
  }

  int Resolve(const NativeString& dir) {
    const NativeString root = Root();
    if (dir.compare(0, root.size(), root) != 0) return -1;
    int node = 0;
    size_t pos = root.size();
    while (pos < dir.size()) {
      size_t end = dir.find(kNativeSeparator, pos);
      if (end == NativeString::npos) end = dir.size();
      const NativeString part = dir.substr(pos, end - pos);
      int found = -1;
      for (int c : At(node).children) {
        if (N(At(c).name) == part) found = c;
      }
      if (found < 0) return -1;
      if (At(found).isLink) {
        found = At(found).target;
        if (found < 0 || static_cast<size_t>(found) >= nodes_.size()) return -1;
      }
      if (!At(found).isDirectory) return -1;
      node = found;
      pos = end + 1;
    }
    return node;
  }

  std::vector<Node> nodes_;
};

struct Visit {
  std::string dir;
  std::string name;
  uint64_t size;
  bool operator==(const Visit&) const = default;
};

// The logic tests run on the plain walk and on the read-ahead one, with room to spare and with
// limits so tight that most listings are the walk's own.
struct Engine {
  const char* name;
  size_t readers;
  ReadAheadLimits limits;
};
const Engine kEngines[] = {
    {"plain", 0, {}}, {"oneReader", 1, {}}, {"threeReaders", 3, {}}, {"tightLimits", 2, {2, 512, 1, 1}}};

class WalkDirectoryLogic : public ::testing::TestWithParam<Engine> {};
INSTANTIATE_TEST_SUITE_P(Engines, WalkDirectoryLogic, ::testing::ValuesIn(kEngines),
                         [](const auto& info) { return std::string(info.param.name); });

std::vector<Visit> WalkFake(FakeLister& fake, Recurse recurse = Recurse::Yes,
                            const std::function<bool(const FoundFile&)>& answer = nullptr) {
  std::vector<Visit> seen;
  ReadAheadSetup setup;
  setup.readers = WalkDirectoryLogic::GetParam().readers;
  setup.limits = WalkDirectoryLogic::GetParam().limits;
  WalkDirectoryReadAhead(std::string("R") + kSep, FakeLister::Root(),
                         [&](const FoundFile& f) {
                           seen.push_back({f.dir, f.name, f.size});
                           return answer ? answer(f) : true;
                         },
                         recurse, fake, setup);
  return seen;
}

std::string D(const std::string& slashPath) {
  std::string s = slashPath;
  for (char& c : s) {
    if (c == '/') c = kSep;
  }
  return s;
}

TEST_P(WalkDirectoryLogic, ListingOrderDepthFirstPreOrderAndSkips) {
  FakeLister fake;
  fake.AddFile(0, "first.avi", 7);
  const int a = fake.AddDir(0, "a");
  fake.AddFile(a, "x", 1);
  const int sub = fake.AddDir(a, "sub");
  fake.AddFile(sub, "deep", 2);
  fake.AddDir(a, "empty");
  fake.AddFile(a, "y", 3);
  fake.AddDir(0, ".hidden");
  fake.AddFile(fake.AddDir(0, "..b"), "z", 4);
  fake.AddFile(0, "last", 5);

  const std::vector<Visit> expected = {
      {D("R/"), "first.avi", 7}, {D("R/a/"), "x", 1}, {D("R/a/sub/"), "deep", 2},
      {D("R/a/"), "y", 3},       {D("R/..b/"), "z", 4}, {D("R/"), "last", 5}};
  EXPECT_EQ(WalkFake(fake), expected);
  EXPECT_EQ(fake.openListings, 0) << "every opened listing is closed";
  EXPECT_EQ(fake.identifyCalls, 0) << "a walk without links never asks for directory identities";

  const std::vector<Visit> flat = {{D("R/"), "first.avi", 7}, {D("R/"), "last", 5}};
  EXPECT_EQ(WalkFake(fake, Recurse::No), flat);
}

TEST_P(WalkDirectoryLogic, FalseFromTheVisitorEndsOnlyThatDirectory) {
  FakeLister fake;
  const int d = fake.AddDir(0, "d");
  const int before = fake.AddDir(d, "before");
  fake.AddFile(before, "inBefore");
  fake.AddFile(d, "stop");
  fake.AddFile(d, "after");
  fake.AddFile(fake.AddDir(d, "afterDir"), "inAfterDir");
  fake.AddFile(fake.AddDir(0, "sibling"), "inSibling");
  fake.AddFile(0, "rootLast");

  std::vector<std::string> names;
  for (const Visit& v : WalkFake(fake, Recurse::Yes, [](const FoundFile& f) { return f.name != "stop"; })) {
    names.push_back(v.name);
  }
  EXPECT_EQ(names, (std::vector<std::string>{"inBefore", "stop", "inSibling", "rootLast"}));
  EXPECT_EQ(fake.openListings, 0);
}

TEST_P(WalkDirectoryLogic, UnlistableDirectoriesEndSilently) {
  FakeLister fake;
  fake.AddFile(0, "one");
  const int locked = fake.AddDir(0, "locked");
  fake.AddFile(locked, "hidden");
  fake.At(locked).unlistable = true;
  fake.AddFile(0, "two");
  std::vector<std::string> names;
  for (const Visit& v : WalkFake(fake)) names.push_back(v.name);
  EXPECT_EQ(names, (std::vector<std::string>{"one", "two"}));

  FakeLister rootless;
  rootless.At(0).unlistable = true;
  EXPECT_TRUE(WalkFake(rootless).empty());
}

TEST_P(WalkDirectoryLogic, LinksAreEnteredUnlessTheyLeadBackOntoThePath) {
  FakeLister fake;
  const int a = fake.AddDir(0, "a");
  const int b = fake.AddDir(a, "b");
  fake.AddFile(b, "f");
  fake.AddLink(b, "toRoot", 0);
  fake.AddLink(b, "toA", a);
  fake.AddLink(b, "toSelf", b);
  const int other = fake.AddDir(0, "other");
  fake.AddFile(other, "g");
  fake.AddLink(a, "toOther", other);  // not an ancestor: walked a second time under its new path
  fake.AddLink(other, "toA", a);      // skipped below a/toOther, where a is on the path

  std::vector<Visit> expected = {{D("R/a/b/"), "f", 0},
                                 {D("R/a/toOther/"), "g", 0},
                                 {D("R/other/"), "g", 0},
                                 {D("R/other/toA/b/"), "f", 0}};
  EXPECT_EQ(WalkFake(fake), expected);
  EXPECT_EQ(fake.openListings, 0);
}

TEST_P(WalkDirectoryLogic, ManyLinksBackStayLinearAndIdentitiesAreCached) {
  FakeLister fake;
  int dir = 0;
  constexpr int kDepth = 60;
  for (int i = 0; i < kDepth; ++i) {
    fake.AddLink(dir, "up", 0);
    fake.AddLink(dir, "parent", dir);
    fake.AddFile(dir, "f");
    dir = fake.AddDir(dir, "d");
  }
  EXPECT_EQ(WalkFake(fake).size(), static_cast<size_t>(kDepth));
  // Each link costs its own identity; each directory on the path is identified at most once.
  EXPECT_LE(fake.identifyCalls, 2 * kDepth + kDepth + 1);
}

TEST_P(WalkDirectoryLogic, LinksWhoseTargetCannotBeToldAreNotEntered) {
  FakeLister fake;
  fake.AddLink(0, "dangling", 12345);
  fake.AddFile(0, "f");
  EXPECT_EQ(WalkFake(fake).size(), 1u);
}

// A reference listing of the real tree, in the platform's order, through std::filesystem.
void ListReference(const fs::path& dir, const std::string& text, std::vector<Visit>& out) {
  for (const fs::directory_entry& e : fs::directory_iterator(dir)) {
    std::string name;
    NativeToGbk(e.path().filename().native(), name);
    if (e.is_directory()) {
      ListReference(e.path(), text + name + kSep, out);
    } else {
      out.push_back({text, name, e.file_size()});
    }
  }
}

std::vector<Visit> WalkReal(const TempTree& tree, Recurse recurse = Recurse::Yes, std::vector<bool>* lossy = nullptr) {
  std::string root;
  NativeToGbk(tree.NativeRoot(), root);
  std::vector<Visit> seen;
  WalkDirectory(root, tree.NativeRoot(),
                [&](const FoundFile& f) {
                  seen.push_back({f.dir, f.name, f.size});
                  if (lossy != nullptr) lossy->push_back(f.nameLossy);
                  EXPECT_EQ(f.nativeDir.back(), kNativeSeparator);
                  EXPECT_EQ(f.dir.back(), kSep);
                  return true;
                },
                recurse, PlatformDirLister());
  return seen;
}

TEST(WalkDirectoryReal, FollowsThePlatformListingOrderDepthFirst) {
  TempTree tree;
  for (const char* f : {"a/x.avi", "a/sub/deep.txt", "a/y", "b/c/d/e/f.jpg", "top1", "top2", ".hidden/h",
                        "..b/z", "m/n/o"}) {
    ASSERT_TRUE(tree.File(f, std::string(std::strlen(f), 'k')));
  }
  ASSERT_TRUE(tree.Dir("empty/empty2"));
  for (int i = 0; i < 40; ++i) ASSERT_TRUE(tree.File("many/f" + std::to_string(i)));

  std::string root;
  NativeToGbk(tree.NativeRoot(), root);
  std::vector<Visit> expected;
  ListReference(tree.Root(), root, expected);
  const std::vector<Visit> seen = WalkReal(tree);
  EXPECT_EQ(seen.size(), 49u);
  EXPECT_EQ(seen, expected);

  std::vector<Visit> flat;
  for (const Visit& v : expected) {
    if (v.dir == root) flat.push_back(v);
  }
  EXPECT_EQ(WalkReal(tree, Recurse::No), flat);
}

TEST(WalkDirectoryReal, FileSizesBeyondFourGigabytes) {
  TempTree tree;
  constexpr uint64_t kBig = 5000000000ull;
  if (!tree.SparseFile("big.bin", kBig)) GTEST_SKIP() << "no sparse file here";
  ASSERT_TRUE(tree.File("small", "12345"));
  std::map<std::string, uint64_t> sizes;
  for (const Visit& v : WalkReal(tree)) sizes[v.name] = v.size;
  EXPECT_EQ(sizes["big.bin"], kBig);
  EXPECT_EQ(sizes["small"], 5u);
}

TEST(WalkDirectoryReal, GbkNamesArriveAsGbkBytesAndOpen) {
  TempTree tree;
  const std::string utf8Dir = "电影";
  const std::string utf8Name = "测试.txt";
  ASSERT_TRUE(tree.File(TempTree::U8(utf8Dir + "/" + utf8Name), "content"));
  std::vector<bool> lossy;
  const std::vector<Visit> seen = WalkReal(tree, Recurse::Yes, &lossy);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].name, Utf8ToGbk(utf8Name));
  EXPECT_EQ(seen[0].dir.substr(seen[0].dir.size() - 5), Utf8ToGbk(utf8Dir) + kSep);
  EXPECT_FALSE(lossy[0]);

  // The GBK texts name the same file when turned back into the platform's form.
  auto stream = PlatformFileReader().OpenForRead(GbkToNative(seen[0].dir + seen[0].name));
  ASSERT_NE(stream, nullptr);
  char buf[16];
  EXPECT_EQ(stream->Read(buf, sizeof buf), 7);
}

TEST(WalkDirectoryReal, MissingRootCallsNothing) {
  TempTree tree;
  const NativeString gone = tree.NativeRoot() + N("gone") + kNativeSeparator;
  int calls = 0;
  WalkDirectory("gone", gone, [&](const FoundFile&) { return ++calls, true; }, Recurse::Yes, PlatformDirLister());
  EXPECT_EQ(calls, 0);
  ListedEntry e;
  EXPECT_FALSE(PlatformDirLister().NewListing()->Open(gone, e));
  EXPECT_FALSE(PlatformDirLister().IdentifyDirectory(gone).valid);
  EXPECT_TRUE(PlatformDirLister().IdentifyDirectory(tree.NativeRoot()).valid);
}

}  // namespace
