// Drives through GetLogicalDriveStringsW, GetDriveTypeW and GetVolumeInformationW.
#include <windows.h>

#include "platform/drive_provider.h"
#include "text/codepage.h"

namespace {

std::string ToGbk(NativeStringView wide) {
  std::string gbk;
  NativeToGbk(wide, gbk);
  return gbk;
}

class WinDriveProvider final : public DriveProvider {
 public:
  std::vector<std::string> DriveRoots() override {
    std::vector<std::string> roots;
    DWORD need = GetLogicalDriveStringsW(0, nullptr);
    if (need == 0) return roots;
    std::wstring buffer(need + 1, L'\0');
    DWORD n = GetLogicalDriveStringsW(static_cast<DWORD>(buffer.size()), buffer.data());
    if (n == 0 || n > buffer.size()) return roots;
    buffer.resize(n);
    size_t start = 0;
    while (start < buffer.size()) {
      size_t end = buffer.find(L'\0', start);
      if (end == std::wstring::npos) end = buffer.size();
      if (end > start) roots.push_back(ToGbk(NativeStringView(buffer).substr(start, end - start)));
      start = end + 1;
    }
    return roots;
  }

  DriveType TypeOf(const std::string& root) override {
    switch (GetDriveTypeW(GbkToWide(root).c_str())) {
      case DRIVE_FIXED: return DriveType::Fixed;
      case DRIVE_REMOVABLE: return DriveType::Removable;
      case DRIVE_REMOTE: return DriveType::Remote;
      case DRIVE_CDROM: return DriveType::CdRom;
      case DRIVE_RAMDISK: return DriveType::RamDisk;
      default: return DriveType::Unknown;
    }
  }

  std::string VolumeLabel(const std::string& root) override {
    wchar_t label[MAX_PATH + 1] = {};
    if (!GetVolumeInformationW(GbkToWide(root).c_str(), label, MAX_PATH + 1, nullptr, nullptr, nullptr, nullptr, 0)) {
      return "";
    }
    return ToGbk(label);
  }

  char CurrentDriveLetter() override {
    wchar_t dir[MAX_PATH + 1] = {};
    DWORD n = GetCurrentDirectoryW(MAX_PATH + 1, dir);
    if (n == 0 || n > MAX_PATH) {
      // A longer current directory still starts with its drive.
      std::wstring longDir(n == 0 ? 1 : n, L'\0');
      n = n == 0 ? 0 : GetCurrentDirectoryW(n, longDir.data());
      if (n >= 2 && longDir[1] == L':') return Upper(longDir[0]);
    } else if (n >= 2 && dir[1] == L':') {
      return Upper(dir[0]);
    }
    // A UNC working directory has no letter: the system drive stands in for it.
    // Asked for its length first: no fixed buffer limits the folder's path.
    const UINT length = GetWindowsDirectoryW(nullptr, 0);
    std::wstring windows(length == 0 ? 1 : length, L'\0');
    const UINT got = length == 0 ? 0 : GetWindowsDirectoryW(windows.data(), length);
    if (got >= 2 && got < length && windows[1] == L':') return Upper(windows[0]);
    return 'C';
  }

 private:
  static char Upper(wchar_t c) {
    if (c >= L'a' && c <= L'z') return static_cast<char>(c - L'a' + 'A');
    if (c >= L'A' && c <= L'Z') return static_cast<char>(c);
    return 'C';
  }
};

}  // namespace

DriveProvider& PlatformDriveProvider() {
  static WinDriveProvider provider;
  return provider;
}
