// One directory listing at a time, in the platform's order (FindFirstFileW/FindNextFileW on
// Windows, opendir/readdir on POSIX).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "text/codepage.h"

struct ListedEntry {
  NativeString name;         // the platform's own bare name
  bool isDirectory = false;  // the directory bit; a POSIX symlink to a directory counts as one
  bool isLink = false;       // reparse point (Windows) or symbolic link (POSIX)
  bool contentOffline = false;  // Windows: data not on the disk (recall on access, offline)
  uint64_t size = 0;
};

// Identity of a directory, for the loop guard: same value means same directory.
struct DirectoryId {
  uint64_t volume = 0;
  uint64_t index = 0;
  bool valid = false;
  bool operator==(const DirectoryId& o) const {
    return valid && o.valid && volume == o.volume && index == o.index;
  }
};

// "." and "..", which a listing may deliver and a walk never enters.
inline bool IsDotOrDotDot(NativeStringView name) {
  return (name.size() == 1 && name[0] == NativeChar('.')) ||
         (name.size() == 2 && name[0] == NativeChar('.') && name[1] == NativeChar('.'));
}

class DirListing {
 public:
  virtual ~DirListing() = default;
  // Opens the listing of dir (which ends in the separator) and delivers its first entry;
  // false when it cannot be listed. "." and ".." may be delivered: the walker skips them.
  virtual bool Open(const NativeString& dir, ListedEntry& first) = 0;
  // The next entry, or false at the end of the listing.
  virtual bool Next(ListedEntry& entry) = 0;
  virtual void Close() = 0;
};

class DirLister {
 public:
  virtual ~DirLister() = default;
  virtual std::unique_ptr<DirListing> NewListing() = 0;
  // Identity of a directory (following links); invalid when it cannot be told.
  virtual DirectoryId IdentifyDirectory(const NativeString& dir) = 0;
};

// The platform's implementation (dir_listing_win.cpp or dir_listing_posix.cpp).
DirLister& PlatformDirLister();
