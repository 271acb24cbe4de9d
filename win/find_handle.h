// Owner of a directory search handle (FindFirstFileW): closed with FindClose on every path out.
// Header-only and free of the C++ runtime, like the other owners here.
#pragma once

#include <windows.h>

class UniqueFind {
 public:
  UniqueFind() = default;
  explicit UniqueFind(HANDLE search) : search_(search) {}
  ~UniqueFind() { Reset(); }
  UniqueFind(const UniqueFind&) = delete;
  UniqueFind& operator=(const UniqueFind&) = delete;

  bool Valid() const { return search_ != INVALID_HANDLE_VALUE && search_ != nullptr; }
  HANDLE Get() const { return search_; }
  void Reset(HANDLE search = INVALID_HANDLE_VALUE) {
    if (Valid()) FindClose(search_);
    search_ = search;
  }

 private:
  HANDLE search_ = INVALID_HANDLE_VALUE;
};
