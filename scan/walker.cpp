// The recursive walk: listing order, depth first, files to the visitor, directories entered.
#include "scan/walker.h"

#include <deque>
#include <memory>
#include <utility>
#include <vector>

namespace {

constexpr char kGbkSeparator = static_cast<char>(kNativeSeparator);

// One directory on the current walk path; its identity is asked for only when a link is met.
struct PathLevel {
  size_t nativeLength;
  DirectoryId id;
  bool idKnown;
};

// The texts grow and shrink in place down the recursion (append, walk, truncate), and one
// listing and one entry per depth are reused, so a walk of millions of files does not
// allocate per entry.
class TreeWalk {
 public:
  TreeWalk(const std::string& dir, const NativeString& nativeDir, const FileVisitor& visitor, Recurse recurse,
           ServedLister& lister)
      : dir_(dir), nativeDir_(nativeDir), visitor_(visitor), recurse_(recurse == Recurse::Yes), lister_(lister) {}

  void Run() {
    path_.push_back({nativeDir_.size(), {}, false});
    WalkCurrent(0);
  }

 private:
  void WalkCurrent(size_t depth) {
    if (listings_.size() <= depth) {
      listings_.push_back(lister_.NewListing());
      entries_.emplace_back();
    }
    ServedListing* listing = listings_[depth].get();
    ServedEntry& served = entries_[depth];
    const ListedEntry& entry = served.listed;
    if (listing == nullptr || !listing->Open(nativeDir_, served)) return;
    const size_t dirLength = dir_.size();
    const size_t nativeLength = nativeDir_.size();
    do {
      if (IsDotOrDotDot(entry.name)) continue;
      if (entry.isDirectory) {
        if (!recurse_) continue;
        name_.clear();
        const bool dirExact = NativeToGbk(entry.name, name_);
        dir_ += name_;
        dir_ += kGbkSeparator;
        nativeDir_ += entry.name;
        nativeDir_ += kNativeSeparator;
        if (!entry.isLink || !LeadsBackOntoPath()) {
          path_.push_back({nativeDir_.size(), {}, false});
          // Below a folder GBK cannot name, only the native path reaches a file.
          if (!dirExact) ++lossyFolders_;
          WalkCurrent(depth + 1);
          if (!dirExact) --lossyFolders_;
          path_.pop_back();
        }
        dir_.resize(dirLength);
        nativeDir_.resize(nativeLength);
        continue;
      }
      name_.clear();
      const bool exact = NativeToGbk(entry.name, name_);
      const FoundFile file{dir_, name_, entry.size, nativeDir_, entry.name, !exact || lossyFolders_ > 0,
                           entry.contentOffline, served.content};
      if (!visitor_(file)) break;
    } while (listing->Next(served));
    listing->Close();
  }

  // nativeDir_ holds the link's path. A target that cannot be identified is not entered
  // either: without its identity a loop cannot be ruled out.
  bool LeadsBackOntoPath() {
    const DirectoryId target = lister_.IdentifyDirectory(nativeDir_);
    if (!target.valid) return true;
    for (size_t i = path_.size(); i-- > 0;) {
      PathLevel& level = path_[i];
      if (!level.idKnown) {
        level.id = lister_.IdentifyDirectory(nativeDir_.substr(0, level.nativeLength));
        level.idKnown = true;
      }
      if (level.id == target) return true;
    }
    return false;
  }

  std::string dir_;
  NativeString nativeDir_;
  std::string name_;
  const FileVisitor& visitor_;
  const bool recurse_;
  ServedLister& lister_;
  std::vector<PathLevel> path_;
  size_t lossyFolders_ = 0;  // folders on the walk path whose GBK name is not exact
  std::vector<std::unique_ptr<ServedListing>> listings_;
  std::deque<ServedEntry> entries_;  // a deque: references stay valid while deeper levels are added
};

class DirectListing final : public ServedListing {
 public:
  explicit DirectListing(std::unique_ptr<DirListing> inner) : inner_(std::move(inner)) {}
  bool Open(const NativeString& dir, ServedEntry& first) override { return inner_->Open(dir, first.listed); }
  bool Next(ServedEntry& entry) override { return inner_->Next(entry.listed); }
  void Close() override { inner_->Close(); }

 private:
  std::unique_ptr<DirListing> inner_;
};

// The listings of a DirLister served as they come, without content answers.
class DirectLister final : public ServedLister {
 public:
  explicit DirectLister(DirLister& inner) : inner_(inner) {}
  std::unique_ptr<ServedListing> NewListing() override {
    std::unique_ptr<DirListing> listing = inner_.NewListing();
    if (!listing) return nullptr;
    return std::make_unique<DirectListing>(std::move(listing));
  }
  DirectoryId IdentifyDirectory(const NativeString& dir) override { return inner_.IdentifyDirectory(dir); }

 private:
  DirLister& inner_;
};

}  // namespace

void WalkDirectory(const std::string& dir, const NativeString& nativeDir, const FileVisitor& visitor,
                   Recurse recurse, ServedLister& lister) {
  TreeWalk walk(dir, nativeDir, visitor, recurse, lister);
  walk.Run();
}

void WalkDirectory(const std::string& dir, const NativeString& nativeDir, const FileVisitor& visitor,
                   Recurse recurse, DirLister& lister) {
  DirectLister direct(lister);
  WalkDirectory(dir, nativeDir, visitor, recurse, direct);
}
