// The walk with read-ahead: reader threads list the directories the walk will enter next and
// work out the content answers of the files it will reach next, while the walk itself stays
// the one of walker.h (same order, same visitor calls, on the calling thread).
#pragma once

#include <cstddef>
#include <string>

#include "platform/dir_listing.h"
#include "platform/seek_penalty.h"
#include "scan/read_ahead_pool.h"
#include "scan/walker.h"

// WalkDirectory with read-ahead through lister; the pool stops before it returns.
void WalkDirectoryReadAhead(const std::string& dir, const NativeString& nativeDir, const FileVisitor& visitor,
                            Recurse recurse, DirLister& lister, const ReadAheadSetup& setup);

// Readers for a walk on a drive without a seek penalty: bench_walk's cold runs put 8 and 16
// within their noise of each other, fewer slower, more slower again.
inline constexpr size_t kReadersWithoutSeekPenalty = 8;

// One reader where the drive holding path seeks (parallel requests would make it jump to and
// fro), kReadersWithoutSeekPenalty elsewhere or when it cannot be told.
size_t ReadAheadReadersFor(SeekPenaltyQuery& drives, const NativeString& path);
