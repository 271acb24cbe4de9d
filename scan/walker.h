// Depth-first, pre-order walk of a directory tree; every file goes to the visitor.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/dir_listing.h"
#include "scan/served_listing.h"

// One file found by the walk. dir ends in '\' (POSIX: '/'); both texts are GBK.
struct FoundFile {
  const std::string& dir;
  const std::string& name;
  uint64_t size;
  const NativeString& nativeDir;   // the platform's path of dir, ending in the separator
  const NativeString& nativeName;  // the platform's own name
  bool nameLossy;                  // GBK could not hold the name, or a folder of dir, exactly
  bool contentOffline;             // the file's data is not on the disk
  ContentAnswer content = ContentAnswer::NotWorkedOut;
};

// true: go on with this directory; false: stop listing this directory only.
using FileVisitor = std::function<bool(const FoundFile&)>;

// Whether a walk descends into subdirectories; a scan always does.
enum class Recurse : bool { No, Yes };

// dir is the GBK directory text ending in the separator; nativeDir the same path in the
// platform's form. A directory link back onto the current walk path is not entered again.
void WalkDirectory(const std::string& dir, const NativeString& nativeDir, const FileVisitor& visitor,
                   Recurse recurse, ServedLister& lister);
// The same over the platform's (or a fake's) listings, served as they come.
void WalkDirectory(const std::string& dir, const NativeString& nativeDir, const FileVisitor& visitor,
                   Recurse recurse, DirLister& lister);
