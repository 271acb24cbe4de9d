// Directory listing through opendir/readdir; a symbolic link to a directory counts as one.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include "platform/dir_listing.h"

namespace {

void FillFromStat(const struct stat& st, ListedEntry& entry) {
  entry.isDirectory = S_ISDIR(st.st_mode);
  entry.size = S_ISREG(st.st_mode) && st.st_size > 0 ? static_cast<uint64_t>(st.st_size) : 0;
}

class PosixListing final : public DirListing {
 public:
  ~PosixListing() override { Close(); }

  bool Open(const NativeString& dir, ListedEntry& first) override {
    Close();
    dir_ = opendir(dir.c_str());
    if (dir_ == nullptr) return false;
    if (!Next(first)) {
      Close();
      return false;
    }
    return true;
  }

  bool Next(ListedEntry& entry) override {
    if (dir_ == nullptr) return false;
    // An error in the middle of a listing ends it like its end does.
    struct dirent* d = readdir(dir_);
    if (d == nullptr) return false;
    entry.name.assign(d->d_name);
    entry.isDirectory = false;
    entry.isLink = false;
    entry.contentOffline = false;
    entry.size = 0;
    const char* name = d->d_name;
    if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) return true;
    struct stat st;
    switch (d->d_type) {
      case DT_DIR:
        entry.isDirectory = true;
        break;
      case DT_REG:
        if (fstatat(dirfd(dir_), name, &st, AT_SYMLINK_NOFOLLOW) == 0) FillFromStat(st, entry);
        break;
      case DT_LNK:
        FollowLink(name, entry);
        break;
      case DT_UNKNOWN:
        if (fstatat(dirfd(dir_), name, &st, AT_SYMLINK_NOFOLLOW) != 0) break;
        if (S_ISLNK(st.st_mode)) {
          FollowLink(name, entry);
        } else {
          FillFromStat(st, entry);
        }
        break;
      default:  // FIFOs, sockets, devices: files without a size
        break;
    }
    return true;
  }

  void Close() override {
    if (dir_ != nullptr) closedir(dir_);
    dir_ = nullptr;
  }

 private:
  // A dangling link stays a file of size 0.
  void FollowLink(const char* name, ListedEntry& entry) {
    entry.isLink = true;
    struct stat st;
    if (fstatat(dirfd(dir_), name, &st, 0) == 0) FillFromStat(st, entry);
  }

  DIR* dir_ = nullptr;
};

class PosixDirLister final : public DirLister {
 public:
  std::unique_ptr<DirListing> NewListing() override { return std::make_unique<PosixListing>(); }

  DirectoryId IdentifyDirectory(const NativeString& dir) override {
    DirectoryId id;
    struct stat st;
    if (stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return id;
    id.volume = static_cast<uint64_t>(st.st_dev);
    id.index = static_cast<uint64_t>(st.st_ino);
    id.valid = true;
    return id;
  }
};

}  // namespace

DirLister& PlatformDirLister() {
  static PosixDirLister lister;
  return lister;
}
