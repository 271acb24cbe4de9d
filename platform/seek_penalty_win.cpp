// Windows: the volume's storage device is asked whether it incurs a seek penalty.
#include <windows.h>
#include <winioctl.h>

#include <string>

#include "platform/long_path_win.h"
#include "platform/seek_penalty.h"
#include "win/unique_handle.h"

namespace {

class StorageDeviceQuery final : public SeekPenaltyQuery {
 public:
  bool DriveIncursSeekPenalty(const NativeString& path) override;
};

bool StorageDeviceQuery::DriveIncursSeekPenalty(const NativeString& path) {
  const NativeString fsPath = ToFileSystemPath(path);
  std::wstring mountPoint(fsPath.size() + MAX_PATH, L'\0');
  if (!GetVolumePathNameW(fsPath.c_str(), mountPoint.data(), static_cast<DWORD>(mountPoint.size()))) return false;
  mountPoint.resize(wcslen(mountPoint.c_str()));
  wchar_t volume[64];
  if (!GetVolumeNameForVolumeMountPointW(mountPoint.c_str(), volume, 64)) return false;
  std::wstring device = volume;  // \\?\Volume{...}\ : without the last backslash it names the volume
  if (!device.empty() && device.back() == L'\\') device.pop_back();
  // No access rights are needed to ask for storage properties.
  UniqueHandle h(CreateFileW(device.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                             nullptr));
  if (!h.Valid()) return false;
  STORAGE_PROPERTY_QUERY query{};
  query.PropertyId = StorageDeviceSeekPenaltyProperty;
  query.QueryType = PropertyStandardQuery;
  DEVICE_SEEK_PENALTY_DESCRIPTOR answer{};
  DWORD got = 0;
  if (!DeviceIoControl(h.Get(), IOCTL_STORAGE_QUERY_PROPERTY, &query, sizeof query, &answer, sizeof answer, &got,
                       nullptr) ||
      got < sizeof answer)
    return false;
  return answer.IncursSeekPenalty != FALSE;
}

}  // namespace

SeekPenaltyQuery& PlatformSeekPenaltyQuery() {
  static StorageDeviceQuery query;
  return query;
}
