// StartupSignal: when run as "*.tmp", clears the first three bytes of the mapping named
// ToFullWidth("Mirel-QT"); no mapping, or no view of it, is a silent no-op.
#include "app/startup_signal.h"

#include <windows.h>

#include <cstring>
#include <string>

#include "text/gbk_text.h"
#include "win/unique_handle.h"

bool SendStartupSignal(const NativeString& modulePath) {
  size_t slash = modulePath.find_last_of(L'\\');
  NativeString name = (slash == NativeString::npos) ? modulePath : modulePath.substr(slash + 1);
  std::string gbkName;
  NativeToGbk(name, gbkName);
  if (!IsTmpModuleName(gbkName)) return false;

  // The name is GBK bytes; opening it by its UTF-16 form gives the same object on every locale.
  std::wstring mappingName = GbkToWide(ToFullWidth("Mirel-QT"));
  constexpr DWORD kAccess = FILE_MAP_READ | FILE_MAP_WRITE;
  UniqueHandle mapping(OpenFileMappingW(kAccess, FALSE, mappingName.c_str()));
  if (!mapping.Valid()) return false;
  // The view stays mapped until the process ends; the handle is not needed for it.
  void* view = MapViewOfFile(mapping.Get(), kAccess, 0, 0, 0);
  if (view) {
    static constexpr char kPayload[3] = {0, 0, 0};
    std::memcpy(view, kPayload, sizeof(kPayload));
  }
  return view != nullptr;
}

void StartupSignal() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return;
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    if (path.size() >= 32768) return;
    path.resize(path.size() * 2);
  }
  SendStartupSignal(path);
}
