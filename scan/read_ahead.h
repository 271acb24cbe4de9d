// The walk with read-ahead: reader threads list the directories the walk will enter next and
// work out the content answers of the files it will reach next, while the walk itself stays
// the one of walker.h (same order, same visitor calls, on the calling thread).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "platform/dir_listing.h"
#include "platform/file_reader.h"
#include "platform/fs_redirection.h"
#include "platform/seek_penalty.h"
#include "scan/walker.h"

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

// WalkDirectory with read-ahead through lister; the pool stops before it returns.
void WalkDirectoryReadAhead(const std::string& dir, const NativeString& nativeDir, const FileVisitor& visitor,
                            bool recurse, DirLister& lister, const ReadAheadSetup& setup);

// Readers for a walk on a drive without a seek penalty: bench_walk's cold runs put 8 and 16
// within their noise of each other, fewer slower, more slower again.
inline constexpr size_t kReadersWithoutSeekPenalty = 8;

// One reader where the drive holding path seeks (parallel requests would make it jump to and
// fro), kReadersWithoutSeekPenalty elsewhere or when it cannot be told.
size_t ReadAheadReadersFor(SeekPenaltyQuery& drives, const NativeString& path);
