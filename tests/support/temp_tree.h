// Real temporary directory trees for tests: directories, files, sparse files, links.
// Relative names are UTF-8 unless given as a std::filesystem::path (raw bytes on POSIX).
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "text/codepage.h"

class TempTree {
 public:
  TempTree();   // a fresh, empty directory under the system's temporary folder
  ~TempTree();  // removes it with everything below
  TempTree(const TempTree&) = delete;
  TempTree& operator=(const TempTree&) = delete;

  const std::filesystem::path& Root() const { return root_; }
  // The root as a directory text in the platform's form, ending in the separator.
  NativeString NativeRoot() const;
  // The path of rel below the root ('/' separates levels in rel).
  std::filesystem::path At(const std::filesystem::path& rel) const { return root_ / rel; }

  bool Dir(const std::filesystem::path& rel);  // with missing parents
  bool File(const std::filesystem::path& rel, std::string_view content = {});
  bool SparseFile(const std::filesystem::path& rel, uint64_t size);  // holes, no data written
  // A link at rel pointing at target (absolute, or relative to the link's directory).
  bool Symlink(const std::filesystem::path& target, const std::filesystem::path& rel, bool toDirectory);

  static std::filesystem::path U8(std::string_view utf8);

 private:
  std::filesystem::path root_;
};
