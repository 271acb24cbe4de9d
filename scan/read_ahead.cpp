// The walk of walker.h runs unchanged over listings served from what the pool's readers listed
// ahead (read_ahead_pool.h); this is the walk's side.
#include "scan/read_ahead.h"

#include <memory>
#include <utility>
#include <vector>


namespace {

class ReadAheadListing;
using OpenListings = std::vector<ReadAheadListing*>;  // the walk's open listings, outermost first

// Serves entries from the buffered listing, then from the listing left open. The walk enters a
// directory right after its parent served it, so its key is the parent's key and the ordinal of
// that entry, and its read-ahead lies in the parent's entry of that ordinal.
class ReadAheadListing final : public ServedListing {
 public:
  ReadAheadListing(ReadAheadPool& pool, OpenListings& open) : pool_(pool), open_(open) {}
  ~ReadAheadListing() override { Close(); }

  bool Open(const NativeString& dir, ServedEntry& first) override {
    Close();
    ReadAheadListing* parent = open_.empty() ? nullptr : open_.back();
    key_.clear();
    TaskPtr task;
    if (parent != nullptr) {
      key_ = parent->key_;
      key_.push_back(parent->served_ - 1);
      task = parent->TakeListTask(key_.back());
    }
    listing_ = pool_.TakeListing(std::move(task), dir, key_);
    if (!listing_) return false;
    if (listing_->rest) dir_ = dir;
    served_ = 0;
    last_ = nullptr;
    open_.push_back(this);
    if (!Next(first)) {
      Close();
      return false;
    }
    return true;
  }

  bool Next(ServedEntry& entry) override {
    if (!listing_) return false;
    // A subdirectory read ahead that the walk went past without entering.
    if (last_ != nullptr && last_->task) pool_.Drop(std::move(last_->task));
    last_ = nullptr;
    if (served_ < listing_->entries.size()) {
      last_ = &listing_->entries[served_++];
      Serve(*last_, entry);
      return true;
    }
    if (listing_->rest) {
      if (listing_->rest->Next(entry.listed)) {
        ++served_;
        entry.content = pool_.AnswerHere(dir_, entry.listed);
        return true;
      }
      listing_->rest->Close();
      listing_->rest.reset();
    }
    return false;
  }

  void Close() override {
    if (!listing_) return;
    last_ = nullptr;
    pool_.Release(std::move(listing_));
    open_.pop_back();
  }

 private:
  void Serve(BufferedEntry& b, ServedEntry& entry) {
    entry.listed.name.assign(listing_->names, b.nameOffset, b.nameLength);
    entry.listed.isDirectory = b.isDirectory;
    entry.listed.isLink = b.isLink;
    entry.listed.contentOffline = b.contentOffline;
    entry.listed.size = b.size;
    entry.content = ContentAnswer::NotWorkedOut;
    if (b.task && !b.isDirectory) entry.content = pool_.TakeAnswer(std::move(b.task));
  }

  // The listing read ahead for the subdirectory served as the given entry, if there is one.
  TaskPtr TakeListTask(uint32_t ordinal) {
    if (ordinal >= listing_->entries.size()) return nullptr;  // served from the listing left open
    BufferedEntry& b = listing_->entries[ordinal];
    return b.isDirectory ? std::move(b.task) : nullptr;
  }

  ReadAheadPool& pool_;
  OpenListings& open_;
  std::unique_ptr<BufferedListing> listing_;  // set while open
  NativeString dir_;                          // kept for the files of the part listed here
  WalkKey key_;
  uint32_t served_ = 0;             // entries served so far; the buffered ones first
  BufferedEntry* last_ = nullptr;  // the buffered entry served last
};

class ReadAheadLister final : public ServedLister {
 public:
  ReadAheadLister(DirLister& lister, Recurse recurse, const ReadAheadSetup& setup)
      : lister_(lister), pool_(lister, recurse == Recurse::Yes, setup) {}

  std::unique_ptr<ServedListing> NewListing() override { return std::make_unique<ReadAheadListing>(pool_, open_); }
  DirectoryId IdentifyDirectory(const NativeString& dir) override { return lister_.IdentifyDirectory(dir); }

 private:
  DirLister& lister_;
  ReadAheadPool pool_;
  OpenListings open_;
};

}  // namespace

void WalkDirectoryReadAhead(const std::string& dir, const NativeString& nativeDir, const FileVisitor& visitor,
                            Recurse recurse, DirLister& lister, const ReadAheadSetup& setup) {
  if (setup.readers == 0) {
    WalkDirectory(dir, nativeDir, visitor, recurse, lister);
    return;
  }
  ReadAheadLister ahead(lister, recurse, setup);
  WalkDirectory(dir, nativeDir, visitor, recurse, ahead);
}

size_t ReadAheadReadersFor(SeekPenaltyQuery& drives, const NativeString& path) {
  return drives.DriveIncursSeekPenalty(path) ? 1 : kReadersWithoutSeekPenalty;
}
