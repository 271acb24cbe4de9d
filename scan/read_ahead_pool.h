// The read-ahead's pool: reader threads list the directories the walk will enter next and work
// out the content answers of the files it will reach next, within fixed bounds. Queued work is
// keyed by its place in walk order, and a reader always takes the work the walk will need
// soonest; what the walk needs and nobody has started yet, it does itself.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "platform/dir_listing.h"
#include "platform/file_reader.h"
#include "platform/fs_redirection.h"
#include "platform/threads.h"
#include "scan/served_listing.h"

// What is held ahead of the walk at most, whatever the tree.
struct ReadAheadLimits {
  size_t entries = 32 * 1024;            // listed entries not yet passed by the walk
  size_t bytes = 4 * 1024 * 1024;        // their memory, with the names and the queued work
  size_t listingsAhead = 256;            // listings done but not yet entered (each may hold a handle)
  size_t contentAnswers = 64;            // content answers being worked out or waiting
};

// Peak figures of one walk, for the benchmarks.
struct ReadAheadStats {
  size_t peakEntries = 0;
  size_t peakBytes = 0;
  size_t listedAhead = 0;     // listings the readers did
  size_t listedByWalk = 0;    // listings the walk did itself (none ready)
  size_t answeredAhead = 0;   // content answers the readers worked out
};

struct ReadAheadSetup {
  size_t readers = 2;  // 0: no read-ahead at all
  // Content answers are worked out only with all three set: which listed files, and the answer
  // for a path read through the given reader.
  FileReader* reader = nullptr;
  std::function<bool(const ListedEntry& file)> wantsContent;
  std::function<bool(const NativeString& path, FileReader& reader)> contentAnswer;
  ReadAheadLimits limits;
  ReadAheadStats* stats = nullptr;  // filled when the walk ends
  FsRedirectionSwitch* redirection = nullptr;  // turned off on each reader thread, when given
};

// The ordinals of the entries leading to a directory or file. Keys compare lexicographically,
// which is the walk's depth-first pre-order.
using WalkKey = std::vector<uint32_t>;

struct ReadAheadTask;  // a listing or a content answer to work out; the pool's own
using TaskPtr = std::shared_ptr<ReadAheadTask>;

// One listed entry; its name lies in the listing's name buffer, so a reader allocates per
// listing, not per entry (and the walk frees nothing per entry that another thread allocated).
struct BufferedEntry {
  uint64_t size = 0;
  uint32_t nameOffset = 0;
  uint32_t nameLength = 0;
  bool isDirectory = false;
  bool isLink = false;
  bool contentOffline = false;
  TaskPtr task;  // its read-ahead: a subdirectory's listing, or a file's content answer
};

struct BufferedListing {
  NativeString names;
  std::deque<BufferedEntry> entries;  // without "." and ".."; a deque grows without moving or doubling
  std::unique_ptr<DirListing> rest;    // still open when listing stopped at the limits
  size_t bytes = 0;                    // charged to the limits until the listing is released
};

class ReadAheadPool {
 public:
  // Starts setup.readers threads (fewer when no more can be made: the walk does the rest).
  ReadAheadPool(DirLister& lister, bool recurse, const ReadAheadSetup& setup);
  // Stops and joins the readers, and fills setup.stats.
  ~ReadAheadPool();
  ReadAheadPool(const ReadAheadPool&) = delete;
  ReadAheadPool& operator=(const ReadAheadPool&) = delete;

  // The listing of dir, whose key is given: the one read ahead as task (waiting for it while
  // under way), or, with no task or one nobody started, listed now. nullptr: cannot be listed.
  std::unique_ptr<BufferedListing> TakeListing(TaskPtr task, const NativeString& dir, const WalkKey& key);
  // The answer read ahead as task (waiting for it while under way), or worked out now.
  ContentAnswer TakeAnswer(TaskPtr task);
  // Every file the walk serves gets its answer before the visitor sees it, so the visitor never
  // waits on the disk while its effects for the file are half shown; this one for a file of dir
  // that the walk listed itself.
  ContentAnswer AnswerHere(const NativeString& dir, const ListedEntry& file);
  // Read-ahead the walk went past: unqueued, or thrown away once a reader is done with it.
  void Drop(TaskPtr task);
  // A listing the walk is done with, and what was read ahead for its entries and not used.
  void Release(std::unique_ptr<BufferedListing> listing);

 private:
  // What is held ahead of the walk, against the limits.
  struct Held {
    size_t entries = 0;
    size_t bytes = 0;
    size_t listings = 0;  // under way, or done and not yet entered
    size_t answers = 0;   // under way, or done and not yet asked for
  };
  using Queue = std::map<WalkKey, TaskPtr>;

  void ReaderBody();
  void ListAhead(ReadAheadTask& task, std::unique_lock<PoolMutex>& lk);
  void AnswerAhead(ReadAheadTask& task, std::unique_lock<PoolMutex>& lk);
  void WakeReadersLocked(size_t work);
  TaskPtr PickLocked();
  std::unique_ptr<BufferedListing> List(const NativeString& dir, const WalkKey& key, size_t& made);
  size_t Buffer(BufferedListing& listing, const ListedEntry& e, const NativeString& dir, const WalkKey& key,
                size_t& made);
  bool Charge(BufferedListing& listing, size_t& entries, size_t& bytes);
  Queue& QueueFor(const ReadAheadTask& task);
  void QueueLocked(BufferedListing& listing, size_t made);
  void DropLocked(TaskPtr task);
  void ReleaseLocked(BufferedListing& listing);
  std::unique_ptr<BufferedListing> ListHere(const NativeString& dir, const WalkKey& key);
  ContentAnswer AnswerNow(const NativeString& path);
  void WaitLocked(std::unique_lock<PoolMutex>& lk, const ReadAheadTask& task);

  DirLister& lister_;
  const ReadAheadSetup& setup_;
  const bool recurse_;
  const bool answering_;
  std::atomic<bool> stop_{false};
  std::unique_ptr<FileReader> contentReader_;  // the readers' own: fails every read once stopped

  PoolMutex lock_;
  PoolCondition work_;  // readers wait for work or room
  PoolCondition done_;  // the walk waits for work under way
  Queue listQueue_;
  Queue contentQueue_;
  Held held_;
  size_t idleReaders_ = 0;
  bool walkWaiting_ = false;
  ReadAheadStats stats_;
  std::vector<PoolThread> readers_;
};
