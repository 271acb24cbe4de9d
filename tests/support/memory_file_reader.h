// An in-memory FileReader for tests: files are byte strings keyed by path, served in reads of
// at most a chosen size, with optional failures.
#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "platform/file_reader.h"

class MemoryFileReader : public FileReader {
 public:
  struct File {
    std::string content;
    size_t maxReadSize = 0;           // bytes handed out per Read at most; 0: as many as asked
    long long failAfterBytes = -1;    // Read fails once this many bytes were handed out; -1: never
  };

  void AddFile(const NativeString& path, std::string content, size_t maxReadSize = 0);
  void AddFile(const NativeString& path, File file);
  // A path that exists but cannot be opened (locked, access denied).
  void AddUnopenable(const NativeString& path);

  std::unique_ptr<FileReadStream> OpenForRead(const NativeString& path) override;

  int OpenCount(const NativeString& path) const;
  // Bytes handed out by Read for that path, over every stream opened on it.
  long long BytesRead(const NativeString& path) const;

 private:
  class Stream;
  mutable std::mutex lock_;
  std::map<NativeString, File> files_;
  std::map<NativeString, int> opens_;
  std::map<NativeString, long long> bytesRead_;
};
