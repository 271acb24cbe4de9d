#include "temp_tree.h"

#include <atomic>
#include <chrono>
#include <fstream>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#endif

namespace fs = std::filesystem;

namespace {

std::atomic<unsigned> treeCounter{0};

#ifdef _WIN32
// std::filesystem stops at MAX_PATH here; the extended-length form (\\?\\) does not.
void RemoveLongTree(const std::wstring& dir) {
  WIN32_FIND_DATAW data;
  HANDLE h = FindFirstFileW((dir + L"\\*").c_str(), &data);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = data.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring path = dir + L"\\" + name;
      SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
      const bool isDir = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
      if (isDir && (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
        RemoveLongTree(path);
      } else if (isDir) {
        RemoveDirectoryW(path.c_str());
      } else {
        DeleteFileW(path.c_str());
      }
    } while (FindNextFileW(h, &data));
    FindClose(h);
  }
  RemoveDirectoryW(dir.c_str());
}
#endif

}  // namespace

TempTree::TempTree() {
  std::error_code ec;
  fs::path base = fs::temp_directory_path(ec);
  if (ec) base = fs::current_path();
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  for (unsigned attempt = 0;; ++attempt) {
    fs::path candidate =
        base / ("kevu-tree-" + std::to_string(stamp) + "-" + std::to_string(treeCounter++) + "-" +
                std::to_string(attempt));
    if (fs::create_directory(candidate, ec) || attempt > 100) {
      root_ = fs::absolute(candidate, ec);
      break;
    }
  }
}

TempTree::~TempTree() {
  std::error_code ec;
  // Permissions taken away by a test must not keep the tree from being removed.
  for (auto it = fs::recursive_directory_iterator(root_, fs::directory_options::skip_permission_denied, ec);
       !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    std::error_code ignored;
    if (it->is_directory(ignored) && !it->is_symlink(ignored)) {
      fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    }
  }
  fs::permissions(root_, fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(root_, ec);
#ifdef _WIN32
  if (ec && root_.native().rfind(L"\\\\", 0) != 0) RemoveLongTree(L"\\\\?\\" + root_.native());
#endif
}

NativeString TempTree::NativeRoot() const {
  NativeString s = root_.native();
  if (s.empty() || s.back() != kNativeSeparator) s += kNativeSeparator;
  return s;
}

bool TempTree::Dir(const fs::path& rel) {
  std::error_code ec;
  fs::create_directories(At(rel), ec);
  return !ec && fs::is_directory(At(rel), ec);
}

bool TempTree::File(const fs::path& rel, std::string_view content) {
  const fs::path p = At(rel);
  if (p.has_parent_path()) {
    std::error_code ec;
    fs::create_directories(p.parent_path(), ec);
  }
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
  return static_cast<bool>(out);
}

bool TempTree::SparseFile(const fs::path& rel, uint64_t size) {
  if (!File(rel)) return false;
  std::error_code ec;
  fs::resize_file(At(rel), size, ec);
  return !ec;
}

bool TempTree::Symlink(const fs::path& target, const fs::path& rel, bool toDirectory) {
  std::error_code ec;
  if (toDirectory) {
    fs::create_directory_symlink(target, At(rel), ec);
  } else {
    fs::create_symlink(target, At(rel), ec);
  }
  return !ec;
}

fs::path TempTree::U8(std::string_view utf8) {
  return fs::path(std::u8string(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size()));
}
