// The read-ahead's pool: its queues in walk order, its bounds and its reader threads.
#include "scan/read_ahead_pool.h"

#include <algorithm>
#include <utility>

#include "platform/fs_redirection.h"

struct ReadAheadTask {
  enum class Kind { List, Content };
  enum class State { Queued, Running, Done, Dropped };
  ReadAheadTask(Kind k, WalkKey walkKey, NativeString p) : kind(k), key(std::move(walkKey)), path(std::move(p)) {}
  const Kind kind;
  State state = State::Queued;
  const WalkKey key;
  const NativeString path;
  std::unique_ptr<BufferedListing> listing;  // List, once done; nullptr: could not be listed
  bool answer = false;                       // Content, once done
};

namespace {

using Task = ReadAheadTask;

constexpr size_t kChargeEvery = 64;  // entries listed between two looks at the limits

// The read-ahead of the entry at ordinal in dir, whose key is given: its listing or its answer.
TaskPtr MakeTask(const NativeString& dir, const ListedEntry& e, const WalkKey& key, uint32_t ordinal) {
  NativeString path;
  path.reserve(dir.size() + e.name.size() + 1);
  path = dir;
  path += e.name;
  if (e.isDirectory) path += kNativeSeparator;
  WalkKey childKey;
  childKey.reserve(key.size() + 1);
  childKey = key;
  childKey.push_back(ordinal);
  return std::make_shared<Task>(e.isDirectory ? Task::Kind::List : Task::Kind::Content, std::move(childKey),
                                std::move(path));
}

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

}  // namespace

ReadAheadPool::ReadAheadPool(DirLister& lister, bool recurse, const ReadAheadSetup& setup)
    : lister_(lister),
      setup_(setup),
      recurse_(recurse),
      answering_(setup.reader != nullptr && setup.wantsContent && setup.contentAnswer) {
  if (answering_) contentReader_ = std::make_unique<StoppableReader>(*setup.reader, stop_);
  readers_.reserve(setup.readers);
  for (size_t i = 0; i < setup.readers; ++i) {
    readers_.emplace_back();
    if (!readers_.back().Start([this] { ReaderBody(); })) {
      readers_.pop_back();
      break;
    }
  }
}

ReadAheadPool::~ReadAheadPool() {
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

void ReadAheadPool::ReaderBody() {
  FsRedirectionOff redirectionOff(setup_.redirection);
  std::unique_lock<PoolMutex> lk(lock_);
  while (!stop_.load()) {
    TaskPtr task = PickLocked();
    if (!task) {
      ++idleReaders_;
      work_.wait(lk);
      --idleReaders_;
      continue;
    }
    task->state = Task::State::Running;
    if (task->kind == Task::Kind::List) {
      ListAhead(*task, lk);
    } else {
      AnswerAhead(*task, lk);
    }
    if (walkWaiting_) done_.notify_all();
  }
}

void ReadAheadPool::ListAhead(Task& task, std::unique_lock<PoolMutex>& lk) {
  ++held_.listings;
  lk.unlock();
  size_t made = 0;
  std::unique_ptr<BufferedListing> listing = List(task.path, task.key, made);
  lk.lock();
  ++stats_.listedAhead;
  if (task.state == Task::State::Dropped || stop_.load()) {
    --held_.listings;
    if (listing) {
      for (BufferedEntry& b : listing->entries) b.task.reset();  // never queued
      ReleaseLocked(*listing);
    }
    return;
  }
  if (listing) QueueLocked(*listing, made);
  task.listing = std::move(listing);
  task.state = Task::State::Done;
}

void ReadAheadPool::AnswerAhead(Task& task, std::unique_lock<PoolMutex>& lk) {
  ++held_.answers;
  lk.unlock();
  const bool answer = setup_.contentAnswer(task.path, *contentReader_);
  lk.lock();
  ++stats_.answeredAhead;
  if (task.state == Task::State::Dropped) {
    --held_.answers;
    return;
  }
  task.answer = answer;
  task.state = Task::State::Done;
}

// Wakes as many idle readers as there is new work for: waking all on every change would cost
// the walk its core on a machine with few.
void ReadAheadPool::WakeReadersLocked(size_t work) {
  if (work >= idleReaders_) {
    if (idleReaders_ > 0) work_.notify_all();
    return;
  }
  for (size_t i = 0; i < work; ++i) work_.notify_one();
}

// The queued task nearest in walk order among those the limits leave room for.
TaskPtr ReadAheadPool::PickLocked() {
  const ReadAheadLimits& limits = setup_.limits;
  const bool list = !listQueue_.empty() && held_.entries < limits.entries && held_.bytes < limits.bytes &&
                    held_.listings < limits.listingsAhead;
  const bool content = !contentQueue_.empty() && held_.answers < limits.contentAnswers;
  Queue* from = nullptr;
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

// Stops with the listing left open at the limits, so one huge directory cannot hold the memory.
std::unique_ptr<BufferedListing> ReadAheadPool::List(const NativeString& dir, const WalkKey& key, size_t& made) {
  std::unique_ptr<DirListing> source = lister_.NewListing();
  ListedEntry e;
  if (!source || !source->Open(dir, e)) return nullptr;
  auto listing = std::make_unique<BufferedListing>();
  size_t entries = 0;  // buffered and not yet charged
  size_t bytes = 0;
  // With the limits reached already, the walk keeps one entry and reads on from the source.
  bool room = Charge(*listing, entries, bytes);
  for (;;) {
    if (!IsDotOrDotDot(e.name)) {
      bytes += Buffer(*listing, e, dir, key, made);
      ++entries;
    }
    if (!room || entries >= kChargeEvery) {
      room = Charge(*listing, entries, bytes);
      if (!room) break;
    }
    if (!source->Next(e)) {
      source->Close();
      source.reset();
      break;
    }
  }
  Charge(*listing, entries, bytes);
  listing->rest = std::move(source);
  return listing;
}

// Adds e to the listing with its read-ahead when it has one (links are left to the walk: its
// loop guard decides on them); the bytes both take.
size_t ReadAheadPool::Buffer(BufferedListing& listing, const ListedEntry& e, const NativeString& dir,
                             const WalkKey& key, size_t& made) {
  const size_t namesCapacity = listing.names.capacity();
  const auto ordinal = static_cast<uint32_t>(listing.entries.size());
  BufferedEntry& b = listing.entries.emplace_back();
  b.size = e.size;
  b.nameOffset = static_cast<uint32_t>(listing.names.size());
  b.nameLength = static_cast<uint32_t>(e.name.size());
  b.isDirectory = e.isDirectory;
  b.isLink = e.isLink;
  b.contentOffline = e.contentOffline;
  listing.names += e.name;
  const size_t bytes = sizeof(BufferedEntry) + (listing.names.capacity() - namesCapacity) * sizeof(NativeChar);
  const bool wanted = e.isDirectory ? recurse_ && !e.isLink : answering_ && setup_.wantsContent(e);
  if (!wanted) return bytes;
  b.task = MakeTask(dir, e, key, ordinal);
  ++made;
  return bytes + TaskBytes(key.size(), dir.size() + e.name.size());
}

// Charges what was buffered since the last charge; whether the limits leave room for more.
bool ReadAheadPool::Charge(BufferedListing& listing, size_t& entries, size_t& bytes) {
  std::lock_guard<PoolMutex> hold(lock_);
  listing.bytes += bytes;
  held_.entries += entries;
  held_.bytes += bytes;
  stats_.peakEntries = std::max(stats_.peakEntries, held_.entries);
  stats_.peakBytes = std::max(stats_.peakBytes, held_.bytes);
  entries = bytes = 0;
  return held_.entries < setup_.limits.entries && held_.bytes < setup_.limits.bytes && !stop_.load();
}

ReadAheadPool::Queue& ReadAheadPool::QueueFor(const Task& task) {
  return task.kind == Task::Kind::List ? listQueue_ : contentQueue_;
}

void ReadAheadPool::QueueLocked(BufferedListing& listing, size_t made) {
  if (made == 0) return;
  for (BufferedEntry& b : listing.entries) {
    if (b.task) QueueFor(*b.task).emplace(b.task->key, b.task);
  }
  WakeReadersLocked(made);
}

void ReadAheadPool::DropLocked(TaskPtr task) {
  switch (task->state) {
    case Task::State::Queued:
      QueueFor(*task).erase(task->key);
      break;
    case Task::State::Done:
      if (task->kind == Task::Kind::Content) {
        --held_.answers;
      } else {
        --held_.listings;
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

void ReadAheadPool::ReleaseLocked(BufferedListing& listing) {
  for (BufferedEntry& b : listing.entries) {
    if (b.task) DropLocked(std::move(b.task));
  }
  held_.entries -= listing.entries.size();
  held_.bytes -= listing.bytes;
  listing.bytes = 0;
  listing.entries.clear();
  if (listing.rest) listing.rest->Close();
  listing.rest.reset();
  if (!listQueue_.empty() || !contentQueue_.empty()) WakeReadersLocked(2);
}

// The walk's own listing of dir, when nothing was read ahead for it.
std::unique_ptr<BufferedListing> ReadAheadPool::ListHere(const NativeString& dir, const WalkKey& key) {
  size_t made = 0;
  std::unique_ptr<BufferedListing> listing = List(dir, key, made);
  std::lock_guard<PoolMutex> hold(lock_);
  ++stats_.listedByWalk;
  if (listing) QueueLocked(*listing, made);
  return listing;
}

std::unique_ptr<BufferedListing> ReadAheadPool::TakeListing(TaskPtr task, const NativeString& dir,
                                                            const WalkKey& key) {
  if (task) {
    std::unique_lock<PoolMutex> lk(lock_);
    if (task->state != Task::State::Queued) {
      WaitLocked(lk, *task);
      if (held_.listings-- == setup_.limits.listingsAhead) WakeReadersLocked(1);
      task->state = Task::State::Dropped;
      return std::move(task->listing);
    }
    listQueue_.erase(task->key);
    task->state = Task::State::Dropped;
  }
  return ListHere(dir, key);
}

void ReadAheadPool::WaitLocked(std::unique_lock<PoolMutex>& lk, const Task& task) {
  walkWaiting_ = true;
  done_.wait(lk, [&] { return task.state != Task::State::Running; });
  walkWaiting_ = false;
}

ContentAnswer ReadAheadPool::TakeAnswer(TaskPtr task) {
  std::unique_lock<PoolMutex> lk(lock_);
  if (task->state == Task::State::Queued) {
    contentQueue_.erase(task->key);
    task->state = Task::State::Dropped;
    lk.unlock();
    return AnswerNow(task->path);
  }
  WaitLocked(lk, *task);
  if (held_.answers-- == setup_.limits.contentAnswers) WakeReadersLocked(1);
  task->state = Task::State::Dropped;
  return task->answer ? ContentAnswer::Suspect : ContentAnswer::NotSuspect;
}

ContentAnswer ReadAheadPool::AnswerNow(const NativeString& path) {
  return setup_.contentAnswer(path, *setup_.reader) ? ContentAnswer::Suspect : ContentAnswer::NotSuspect;
}

ContentAnswer ReadAheadPool::AnswerHere(const NativeString& dir, const ListedEntry& file) {
  if (!answering_ || file.isDirectory || !setup_.wantsContent(file)) return ContentAnswer::NotWorkedOut;
  return AnswerNow(dir + file.name);
}

void ReadAheadPool::Drop(TaskPtr task) {
  std::lock_guard<PoolMutex> hold(lock_);
  DropLocked(std::move(task));
}

void ReadAheadPool::Release(std::unique_ptr<BufferedListing> listing) {
  std::lock_guard<PoolMutex> hold(lock_);
  ReleaseLocked(*listing);
}
