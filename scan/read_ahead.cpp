// The walk of walker.h runs unchanged over a DirLister whose listings are served from what
// reader threads listed ahead. Queued work is keyed by its place in walk order, and a reader
// always takes the work the walk will need soonest, within fixed limits; what the walk needs
// and nobody has started yet, it does itself.
#include "scan/read_ahead.h"

#include <algorithm>
#include <atomic>
#include <deque>
#include <map>
#include <memory>
#include <vector>

#include "platform/fs_redirection.h"
#include "platform/seek_penalty.h"
#include "platform/threads.h"

namespace {

// The ordinals of the entries leading to a directory or file. Keys compare lexicographically,
// which is the walk's depth-first pre-order.
using WalkKey = std::vector<uint32_t>;

constexpr size_t kChargeEvery = 64;  // entries listed between two looks at the limits

struct Task;
using TaskPtr = std::shared_ptr<Task>;

// One listed entry; its name lies in the listing's name buffer, so a reader allocates per
// listing, not per entry (and the walk frees nothing per entry that another thread allocated).
struct BufferedEntry {
  uint64_t size = 0;
  uint32_t nameOffset = 0;
  uint32_t nameLength = 0;
  bool isDirectory = false;
  bool isLink = false;
  bool contentOffline = false;
  bool wanted = false;  // a subdirectory to list ahead or a file whose content answer is wanted
  TaskPtr task;         // that read-ahead
};

struct Listing {
  NativeString names;
  std::deque<BufferedEntry> entries;  // without "." and ".."; a deque grows without moving or doubling
  std::unique_ptr<DirListing> rest;    // still open when listing stopped at the limits
  size_t bytes = 0;                    // charged to the limits until the listing is released
};

struct Task {
  enum class Kind { List, Content };
  enum class State { Queued, Running, Done, Dropped };
  Task(Kind k, WalkKey walkKey, NativeString p) : kind(k), key(std::move(walkKey)), path(std::move(p)) {}
  const Kind kind;
  State state = State::Queued;
  const WalkKey key;
  const NativeString path;
  std::unique_ptr<Listing> listing;  // List, once done; nullptr: could not be listed
  bool answer = false;               // Content, once done
};


// What the read-ahead task of an entry will take, charged with the entry.
size_t TaskBytes(size_t depth, size_t pathLength) {
  constexpr size_t kQueueNode = 64;  // a map node and the shared block, roughly
  return sizeof(Task) + kQueueNode + (depth + 1) * sizeof(uint32_t) + (pathLength + 1) * sizeof(NativeChar);
}

// A reader for content answers that fails every read once the walk is over, so a reader
// thread in a long file stops at its next chunk.
class StoppableReader final : public FileReader {
 public:
  StoppableReader(FileReader& inner, const std::atomic<bool>& stop) : inner_(inner), stop_(stop) {}

  std::unique_ptr<FileReadStream> OpenForRead(const NativeString& path) override {
    if (stop_.load()) return nullptr;
    std::unique_ptr<FileReadStream> stream = inner_.OpenForRead(path);
    if (!stream) return nullptr;
    return std::make_unique<Stream>(std::move(stream), stop_);
  }

 private:
  class Stream final : public FileReadStream {
   public:
    Stream(std::unique_ptr<FileReadStream> inner, const std::atomic<bool>& stop)
        : inner_(std::move(inner)), stop_(stop) {}
    long long Read(char* buffer, size_t size) override { return stop_.load() ? -1 : inner_->Read(buffer, size); }

   private:
    std::unique_ptr<FileReadStream> inner_;
    const std::atomic<bool>& stop_;
  };

  FileReader& inner_;
  const std::atomic<bool>& stop_;
};

class ServedListing;

class ReadAheadLister final : public DirLister {
 public:
  ReadAheadLister(DirLister& inner, bool recurse, const ReadAheadSetup& setup)
      : inner_(inner),
        setup_(setup),
        recurse_(recurse),
        answering_(setup.reader != nullptr && setup.wantsContent && setup.contentAnswer) {
    if (answering_) contentReader_ = std::make_unique<StoppableReader>(*setup.reader, stop_);
    readers_.reserve(setup.readers);
    for (size_t i = 0; i < setup.readers; ++i) {
      // Without a thread the walk simply does the work itself.
      readers_.emplace_back();
      if (!readers_.back().Start([this] { ReaderBody(); })) {
        readers_.pop_back();
        break;
      }
    }
  }

  ~ReadAheadLister() override {
    {
      std::lock_guard<PoolMutex> hold(lock_);
      stop_.store(true);
    }
    work_.notify_all();
    for (PoolThread& t : readers_) t.Join();
    if (setup_.stats != nullptr) *setup_.stats = stats_;
    // What is left ahead (queued work, listings not entered) goes with the queues' tasks.
    listQueue_.clear();
    contentQueue_.clear();
  }

  std::unique_ptr<DirListing> NewListing() override;
  DirectoryId IdentifyDirectory(const NativeString& dir) override { return inner_.IdentifyDirectory(dir); }

 private:
  friend class ServedListing;

  void ReaderBody() {
    FsRedirectionOff redirectionOff(setup_.redirection);
    std::unique_lock<PoolMutex> lk(lock_);
    for (;;) {
      if (stop_.load()) return;
      TaskPtr task = PickLocked();
      if (!task) {
        ++idleReaders_;
        work_.wait(lk);
        --idleReaders_;
        continue;
      }
      task->state = Task::State::Running;
      if (task->kind == Task::Kind::List) {
        ++listingsAhead_;
        lk.unlock();
        std::unique_ptr<Listing> listing = List(task->path, task->key.size());
        const size_t made = listing ? MakeTasks(*listing, task->key, task->path) : 0;
        lk.lock();
        ++stats_.listedAhead;
        if (task->state == Task::State::Dropped || stop_.load()) {
          --listingsAhead_;
          if (listing) {
            for (BufferedEntry& b : listing->entries) b.task.reset();  // never queued
            ReleaseLocked(*listing);
          }
        } else {
          if (listing) QueueLocked(*listing, made);
          task->listing = std::move(listing);
          task->state = Task::State::Done;
        }
      } else {
        ++answersHeld_;
        lk.unlock();
        const bool answer = setup_.contentAnswer(task->path, *contentReader_);
        lk.lock();
        ++stats_.answeredAhead;
        if (task->state == Task::State::Dropped) {
          --answersHeld_;
        } else {
          task->answer = answer;
          task->state = Task::State::Done;
        }
      }
      if (walkWaiting_) done_.notify_all();
    }
  }

  // Wakes as many idle readers as there is new work for: waking all on every change would
  // cost the walk its core on a machine with few.
  void WakeReadersLocked(size_t work) {
    if (work >= idleReaders_) {
      if (idleReaders_ > 0) work_.notify_all();
      return;
    }
    for (size_t i = 0; i < work; ++i) work_.notify_one();
  }

  // The queued task nearest in walk order among those the limits leave room for.
  TaskPtr PickLocked() {
    const ReadAheadLimits& limits = setup_.limits;
    const bool list = !listQueue_.empty() && entries_ < limits.entries && bytes_ < limits.bytes &&
                      listingsAhead_ < limits.listingsAhead;
    const bool content = !contentQueue_.empty() && answersHeld_ < limits.contentAnswers;
    std::map<WalkKey, TaskPtr>* from = nullptr;
    if (list && content) {
      from = listQueue_.begin()->first < contentQueue_.begin()->first ? &listQueue_ : &contentQueue_;
    } else if (list) {
      from = &listQueue_;
    } else if (content) {
      from = &contentQueue_;
    }
    if (from == nullptr) return nullptr;
    TaskPtr task = std::move(from->begin()->second);
    from->erase(from->begin());
    return task;
  }

  // Lists dir into memory, stopping (with the listing left open) once the limits are reached.
  // nullptr when dir cannot be listed.
  std::unique_ptr<Listing> List(const NativeString& dir, size_t depth) {
    std::unique_ptr<DirListing> source = inner_.NewListing();
    ListedEntry e;
    if (!source || !source->Open(dir, e)) return nullptr;
    auto listing = std::make_unique<Listing>();
    size_t unchargedEntries = 0;
    size_t unchargedBytes = 0;
    bool stopped = false;
    const auto charge = [&] {
      std::lock_guard<PoolMutex> hold(lock_);
      ChargeLocked(*listing, unchargedEntries, unchargedBytes);
      unchargedEntries = unchargedBytes = 0;
      return entries_ < setup_.limits.entries && bytes_ < setup_.limits.bytes && !stop_.load();
    };
    // With the limits reached already, the walk keeps one entry and reads on from the source.
    bool room = charge();
    for (;;) {
      if (!IsDotOrDotDot(e.name)) {
        const bool wanted = e.isDirectory ? recurse_ && !e.isLink : answering_ && setup_.wantsContent(e);
        const size_t namesCapacity = listing->names.capacity();
        BufferedEntry b;
        b.size = e.size;
        b.nameOffset = static_cast<uint32_t>(listing->names.size());
        b.nameLength = static_cast<uint32_t>(e.name.size());
        b.isDirectory = e.isDirectory;
        b.isLink = e.isLink;
        b.contentOffline = e.contentOffline;
        b.wanted = wanted;
        listing->names += e.name;
        listing->entries.push_back(std::move(b));
        unchargedBytes += sizeof(BufferedEntry) + (listing->names.capacity() - namesCapacity) * sizeof(NativeChar) +
                          (wanted ? TaskBytes(depth, dir.size() + e.name.size()) : 0);
        ++unchargedEntries;
      }
      if (!room || unchargedEntries >= kChargeEvery) {
        room = charge();
        if (!room) {
          stopped = true;
          break;
        }
      }
      if (!source->Next(e)) break;
    }
    charge();
    if (stopped) {
      listing->rest = std::move(source);
    } else {
      source->Close();
    }
    return listing;
  }

  void ChargeLocked(Listing& listing, size_t entries, size_t bytes) {
    listing.bytes += bytes;
    entries_ += entries;
    bytes_ += bytes;
    stats_.peakEntries = std::max(stats_.peakEntries, entries_);
    stats_.peakBytes = std::max(stats_.peakBytes, bytes_);
  }

  // The read-ahead of the subdirectories the walk will enter and of the content answers it
  // will ask for (links are left to the walk: its loop guard decides on them); made outside
  // the lock and charged with their entries, queued by QueueLocked.
  size_t MakeTasks(Listing& listing, const WalkKey& key, const NativeString& dir) {
    size_t made = 0;
    for (size_t i = 0; i < listing.entries.size(); ++i) {
      BufferedEntry& b = listing.entries[i];
      if (!b.wanted) continue;
      const bool list = b.isDirectory;
      NativeString path;
      path.reserve(dir.size() + b.nameLength + 1);
      path = dir;
      path.append(listing.names, b.nameOffset, b.nameLength);
      if (list) path += kNativeSeparator;
      WalkKey childKey;
      childKey.reserve(key.size() + 1);
      childKey = key;
      childKey.push_back(static_cast<uint32_t>(i));
      b.task = std::make_shared<Task>(list ? Task::Kind::List : Task::Kind::Content, std::move(childKey),
                                      std::move(path));
      ++made;
    }
    return made;
  }

  void QueueLocked(Listing& listing, size_t made) {
    if (made == 0) return;
    for (BufferedEntry& b : listing.entries) {
      if (b.task) (b.task->kind == Task::Kind::List ? listQueue_ : contentQueue_).emplace(b.task->key, b.task);
    }
    WakeReadersLocked(made);
  }

  // Work the walk will not use: unqueued, or thrown away once a reader is done with it.
  void DropLocked(TaskPtr task) {
    switch (task->state) {
      case Task::State::Queued:
        (task->kind == Task::Kind::List ? listQueue_ : contentQueue_).erase(task->key);
        break;
      case Task::State::Done:
        if (task->kind == Task::Kind::Content) {
          --answersHeld_;
        } else {
          --listingsAhead_;
          if (task->listing) ReleaseLocked(*task->listing);
          task->listing.reset();
        }
        break;
      case Task::State::Running:
      case Task::State::Dropped:
        break;
    }
    task->state = Task::State::Dropped;
  }

  void ReleaseLocked(Listing& listing) {
    for (BufferedEntry& b : listing.entries) {
      if (b.task) DropLocked(std::move(b.task));
    }
    entries_ -= listing.entries.size();
    bytes_ -= listing.bytes;
    listing.bytes = 0;
    listing.entries.clear();
    if (listing.rest) listing.rest->Close();
    listing.rest.reset();
    if (!listQueue_.empty() || !contentQueue_.empty()) WakeReadersLocked(2);
  }

  // The walk's own listing of dir, when nothing was read ahead for it.
  std::unique_ptr<Listing> ListHere(const NativeString& dir, const WalkKey& key) {
    std::unique_ptr<Listing> listing = List(dir, key.size());
    const size_t made = listing ? MakeTasks(*listing, key, dir) : 0;
    std::lock_guard<PoolMutex> hold(lock_);
    ++stats_.listedByWalk;
    if (listing) QueueLocked(*listing, made);
    return listing;
  }

  // The listing a reader did (waiting for one under way), or the walk's own.
  std::unique_ptr<Listing> TakeListing(const TaskPtr& task) {
    std::unique_lock<PoolMutex> lk(lock_);
    if (task->state == Task::State::Queued) {
      listQueue_.erase(task->key);
      task->state = Task::State::Dropped;
      lk.unlock();
      return ListHere(task->path, task->key);
    }
    WaitLocked(lk, *task);
    if (listingsAhead_-- == setup_.limits.listingsAhead) WakeReadersLocked(1);
    task->state = Task::State::Dropped;
    return std::move(task->listing);
  }

  void WaitLocked(std::unique_lock<PoolMutex>& lk, const Task& task) {
    walkWaiting_ = true;
    done_.wait(lk, [&] { return task.state != Task::State::Running; });
    walkWaiting_ = false;
  }

  // The answer a reader worked out (waiting for one under way), or the walk's own.
  ContentAnswer TakeAnswer(const TaskPtr& task) {
    std::unique_lock<PoolMutex> lk(lock_);
    if (task->state == Task::State::Queued) {
      contentQueue_.erase(task->key);
      task->state = Task::State::Dropped;
      lk.unlock();
      return AnswerHere(task->path);
    }
    WaitLocked(lk, *task);
    if (answersHeld_-- == setup_.limits.contentAnswers) WakeReadersLocked(1);
    task->state = Task::State::Dropped;
    return task->answer ? ContentAnswer::Suspect : ContentAnswer::NotSuspect;
  }

  // Every file the visitor would read gets its answer before the visitor sees it, so the
  // visitor never has to wait on the disk while its effects for the file are half shown.
  ContentAnswer AnswerHere(const NativeString& path) {
    return setup_.contentAnswer(path, *setup_.reader) ? ContentAnswer::Suspect : ContentAnswer::NotSuspect;
  }

  ContentAnswer AnswerHere(const NativeString& dir, const ListedEntry& file) {
    if (!answering_ || file.isDirectory || !setup_.wantsContent(file)) return ContentAnswer::NotWorkedOut;
    return AnswerHere(dir + file.name);
  }

  void Release(std::unique_ptr<Listing> listing) {
    std::lock_guard<PoolMutex> hold(lock_);
    ReleaseLocked(*listing);
  }

  DirLister& inner_;
  const ReadAheadSetup& setup_;
  const bool recurse_;
  const bool answering_;
  std::unique_ptr<StoppableReader> contentReader_;
  std::atomic<bool> stop_{false};
  std::vector<ServedListing*> open_;  // the walk's open listings, outermost first (walk thread only)

  PoolMutex lock_;
  PoolCondition work_;  // readers wait for work or room
  PoolCondition done_;  // the walk waits for work under way
  std::map<WalkKey, TaskPtr> listQueue_;
  std::map<WalkKey, TaskPtr> contentQueue_;
  size_t entries_ = 0;
  size_t bytes_ = 0;
  size_t listingsAhead_ = 0;  // listings under way or done and not yet entered
  size_t answersHeld_ = 0;    // content answers under way or done and not yet asked for
  size_t idleReaders_ = 0;
  bool walkWaiting_ = false;
  ReadAheadStats stats_;
  std::vector<PoolThread> readers_;
};

// The walk's side: serves entries from the buffered listing, then from the listing left open.
class ServedListing final : public DirListing {
 public:
  explicit ServedListing(ReadAheadLister& owner) : owner_(owner) {}
  ~ServedListing() override { Close(); }

  bool Open(const NativeString& dir, ListedEntry& first) override {
    Close();
    ServedListing* parent = owner_.open_.empty() ? nullptr : owner_.open_.back();
    TaskPtr task;
    if (parent != nullptr && parent->current_ != nullptr && parent->current_->task &&
        parent->current_->task->kind == Task::Kind::List && parent->current_->task->path == dir) {
      task = std::move(parent->current_->task);
    }
    if (task) {
      key_ = task->key;
      listing_ = owner_.TakeListing(task);
    } else {
      key_.clear();
      if (parent != nullptr) {
        key_ = parent->key_;
        key_.push_back(parent->handedOut_ - 1);
      }
      listing_ = owner_.ListHere(dir, key_);
    }
    if (!listing_) return false;
    if (listing_->rest) dir_ = dir;
    open_ = true;
    next_ = 0;
    handedOut_ = 0;
    current_ = nullptr;
    owner_.open_.push_back(this);
    if (!Next(first)) {
      Close();
      return false;
    }
    return true;
  }

  bool Next(ListedEntry& entry) override {
    if (!open_) return false;
    DropUnused();
    if (next_ < listing_->entries.size()) {
      BufferedEntry& b = listing_->entries[next_++];
      ++handedOut_;
      current_ = &b;
      entry.name.assign(listing_->names, b.nameOffset, b.nameLength);
      entry.isDirectory = b.isDirectory;
      entry.isLink = b.isLink;
      entry.contentOffline = b.contentOffline;
      entry.size = b.size;
      entry.content = ContentAnswer::NotWorkedOut;
      if (b.task && b.task->kind == Task::Kind::Content) {
        entry.content = owner_.TakeAnswer(b.task);
        b.task.reset();
      }
      return true;
    }
    current_ = nullptr;
    if (listing_->rest) {
      if (listing_->rest->Next(entry)) {
        ++handedOut_;
        entry.content = owner_.AnswerHere(dir_, entry);
        return true;
      }
      listing_->rest->Close();
      listing_->rest.reset();
    }
    return false;
  }

  void Close() override {
    if (!open_) return;
    open_ = false;
    current_ = nullptr;
    owner_.Release(std::move(listing_));
    owner_.open_.pop_back();
  }

 private:
  // A subdirectory read ahead that the walk went past without entering.
  void DropUnused() {
    if (current_ == nullptr || !current_->task) return;
    std::lock_guard<PoolMutex> hold(owner_.lock_);
    owner_.DropLocked(std::move(current_->task));
  }

  ReadAheadLister& owner_;
  std::unique_ptr<Listing> listing_;
  NativeString dir_;  // kept for the files of the part listed here
  WalkKey key_;
  size_t next_ = 0;
  uint32_t handedOut_ = 0;
  BufferedEntry* current_ = nullptr;  // the buffered entry handed out last
  bool open_ = false;
};

std::unique_ptr<DirListing> ReadAheadLister::NewListing() { return std::make_unique<ServedListing>(*this); }

}  // namespace

void WalkDirectoryReadAhead(const std::string& dir, const NativeString& nativeDir, const FileVisitor& visitor,
                            bool recurse, DirLister& lister, const ReadAheadSetup& setup) {
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
