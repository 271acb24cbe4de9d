#include "support/memory_file_reader.h"

#include <algorithm>
#include <cstring>
#include <utility>

class MemoryFileReader::Stream : public FileReadStream {
 public:
  Stream(MemoryFileReader& owner, NativeString path, File file)
      : owner_(owner), path_(std::move(path)), file_(std::move(file)) {}

  long long Read(char* buffer, size_t size) override {
    const long long left = static_cast<long long>(file_.content.size() - position_);
    if (file_.failAfterBytes >= 0 && static_cast<long long>(position_) >= file_.failAfterBytes) return -1;
    size_t take = std::min(size, static_cast<size_t>(left));
    if (file_.maxReadSize > 0) take = std::min(take, file_.maxReadSize);
    if (file_.failAfterBytes >= 0) {
      take = std::min(take, static_cast<size_t>(file_.failAfterBytes - static_cast<long long>(position_)));
    }
    if (take > 0) std::memcpy(buffer, file_.content.data() + position_, take);
    position_ += take;
    std::lock_guard<std::mutex> guard(owner_.lock_);
    owner_.bytesRead_[path_] += static_cast<long long>(take);
    return static_cast<long long>(take);
  }

 private:
  MemoryFileReader& owner_;
  NativeString path_;
  File file_;
  size_t position_ = 0;
};

void MemoryFileReader::AddFile(const NativeString& path, std::string content, size_t maxReadSize) {
  File file;
  file.content = std::move(content);
  file.maxReadSize = maxReadSize;
  AddFile(path, std::move(file));
}

void MemoryFileReader::AddFile(const NativeString& path, File file) {
  std::lock_guard<std::mutex> guard(lock_);
  files_[path] = std::move(file);
}

void MemoryFileReader::AddUnopenable(const NativeString& path) {
  std::lock_guard<std::mutex> guard(lock_);
  files_.erase(path);
}

std::unique_ptr<FileReadStream> MemoryFileReader::OpenForRead(const NativeString& path) {
  std::lock_guard<std::mutex> guard(lock_);
  ++opens_[path];
  const auto it = files_.find(path);
  if (it == files_.end()) return nullptr;
  return std::make_unique<Stream>(*this, path, it->second);
}

int MemoryFileReader::OpenCount(const NativeString& path) const {
  std::lock_guard<std::mutex> guard(lock_);
  const auto it = opens_.find(path);
  return it == opens_.end() ? 0 : it->second;
}

long long MemoryFileReader::BytesRead(const NativeString& path) const {
  std::lock_guard<std::mutex> guard(lock_);
  const auto it = bytesRead_.find(path);
  return it == bytesRead_.end() ? 0 : it->second;
}
