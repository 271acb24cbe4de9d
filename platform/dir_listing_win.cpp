// Directory listing through FindFirstFileExW / FindNextFileW.
#include <windows.h>

#include "platform/dir_listing.h"
#include "platform/long_path_win.h"
#include "win/find_handle.h"
#include "win/unique_handle.h"

#ifndef FILE_ATTRIBUTE_RECALL_ON_DATA_ACCESS
#define FILE_ATTRIBUTE_RECALL_ON_DATA_ACCESS 0x00400000
#endif

namespace {

void Fill(const WIN32_FIND_DATAW& data, ListedEntry& entry) {
  entry.name.assign(data.cFileName);
  entry.isDirectory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  entry.isLink = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  entry.contentOffline =
      (data.dwFileAttributes & (FILE_ATTRIBUTE_RECALL_ON_DATA_ACCESS | FILE_ATTRIBUTE_OFFLINE)) != 0;
  entry.size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

class WinListing final : public DirListing {
 public:
  ~WinListing() override { Close(); }

  bool Open(const NativeString& dir, ListedEntry& first) override {
    Close();
    pattern_.assign(dir);
    pattern_ += L'*';
    ToFileSystemPath(pattern_, fsPattern_);
    find_.Reset(FindFirstFileExW(fsPattern_.c_str(), FindExInfoBasic, &data_, FindExSearchNameMatch, nullptr,
                                 FIND_FIRST_EX_LARGE_FETCH));
    if (!find_.Valid()) return false;
    Fill(data_, first);
    return true;
  }

  bool Next(ListedEntry& entry) override {
    if (!find_.Valid() || !FindNextFileW(find_.Get(), &data_)) return false;
    Fill(data_, entry);
    return true;
  }

  void Close() override { find_.Reset(); }

 private:
  UniqueFind find_;
  WIN32_FIND_DATAW data_{};
  NativeString pattern_;
  NativeString fsPattern_;
};

class WinDirLister final : public DirLister {
 public:
  std::unique_ptr<DirListing> NewListing() override { return std::make_unique<WinListing>(); }

  DirectoryId IdentifyDirectory(const NativeString& dir) override {
    DirectoryId id;
    NativeString path = ToFileSystemPath(dir);
    // Backup semantics open directories; the handle follows reparse points to their target.
    UniqueHandle h(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                               FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!h.Valid()) return id;
    BY_HANDLE_FILE_INFORMATION info;
    if (GetFileInformationByHandle(h.Get(), &info) && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      id.volume = info.dwVolumeSerialNumber;
      id.index = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
      id.valid = true;
    }
    return id;
  }
};

}  // namespace

DirLister& PlatformDirLister() {
  static WinDirLister lister;
  return lister;
}
