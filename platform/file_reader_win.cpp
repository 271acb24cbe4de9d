// Reading a file's content with CreateFileW/ReadFile; others may read meanwhile but not write.
#include <windows.h>

#include "platform/file_reader.h"
#include "platform/long_path_win.h"
#include "win/unique_handle.h"

namespace {

class HandleStream final : public FileReadStream {
 public:
  explicit HandleStream(HANDLE h) : handle_(h) {}

  long long Read(char* buffer, size_t size) override {
    constexpr size_t kMaxChunk = 1u << 30;
    DWORD want = static_cast<DWORD>(size < kMaxChunk ? size : kMaxChunk);
    DWORD got = 0;
    if (!ReadFile(handle_.Get(), buffer, want, &got, nullptr)) return -1;
    return got;
  }

 private:
  UniqueHandle handle_;
};

class WinFileReader final : public FileReader {
 public:
  std::unique_ptr<FileReadStream> OpenForRead(const NativeString& path) override {
    NativeString fsPath = ToFileSystemPath(path);
    // No recall: a cloud placeholder is not downloaded just to be searched for words.
    UniqueHandle h(CreateFileW(fsPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_FLAG_SEQUENTIAL_SCAN | FILE_FLAG_OPEN_NO_RECALL, nullptr));
    if (!h.Valid()) return nullptr;
    // Only disk files: never a pipe or a device that could block the scan.
    if (GetFileType(h.Get()) != FILE_TYPE_DISK) return nullptr;
    return std::make_unique<HandleStream>(h.Release());
  }
};

}  // namespace

FileReader& PlatformFileReader() {
  static WinFileReader reader;
  return reader;
}
