// What the walk reads directories through: the platform's listings as they come, or the
// read-ahead's, served from memory with the ".txt" answers it worked out before the walk got there.
#pragma once

#include <memory>

#include "platform/dir_listing.h"

// A ".txt" content answer that the read-ahead worked out before the walk reached the file.
enum class ContentAnswer : unsigned char { NotWorkedOut, Suspect, NotSuspect };

struct ServedEntry {
  ListedEntry listed;
  ContentAnswer content = ContentAnswer::NotWorkedOut;
};

// The calls of DirListing, with the entries served.
class ServedListing {
 public:
  virtual ~ServedListing() = default;
  virtual bool Open(const NativeString& dir, ServedEntry& first) = 0;
  virtual bool Next(ServedEntry& entry) = 0;
  virtual void Close() = 0;
};

class ServedLister {
 public:
  virtual ~ServedLister() = default;
  virtual std::unique_ptr<ServedListing> NewListing() = 0;
  virtual DirectoryId IdentifyDirectory(const NativeString& dir) = 0;
};
