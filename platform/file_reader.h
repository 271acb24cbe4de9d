// Bounded reading of a file's content (the ".txt" rule).
#pragma once

#include <cstddef>
#include <memory>

#include "text/codepage.h"

class FileReadStream {
 public:
  virtual ~FileReadStream() = default;
  // Up to size bytes into buffer; 0 at the end; -1 on a read error.
  virtual long long Read(char* buffer, size_t size) = 0;
};

class FileReader {
 public:
  virtual ~FileReader() = default;
  // Opens for reading only, with writing by others denied; nullptr when it cannot be opened.
  virtual std::unique_ptr<FileReadStream> OpenForRead(const NativeString& path) = 0;
};

FileReader& PlatformFileReader();
