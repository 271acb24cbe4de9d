// The shell's default action, on a thread of its own, with paths below System32 made reachable.
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include "platform/shell.h"
#include "platform/shell_path_win.h"
#include "platform/threads.h"

namespace {

// The shell may load shell extensions and wait on them, so it runs on a thread of its own and
// the UI thread never blocks on it.
class WinShellOpener final : public ShellOpener {
 public:
  void OpenWithDefaultAction(const std::string& gbkPath, const NativeString& nativePath) override {
    std::wstring path = nativePath.empty() ? GbkToWide(gbkPath) : nativePath;
    PlatformThreadStarter().StartDetached([path = std::move(path)] {
      HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
      const std::wstring file = PathForTheShell(path);
      SHELLEXECUTEINFOW request{};
      request.cbSize = sizeof request;
      // The thread has no message loop and ends on return: the launch (a DDE conversation
      // included) must be complete by then. A failed open stays silent, as with ShellExecute.
      request.fMask = SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
      request.lpFile = file.c_str();
      request.lpDirectory = L"";
      request.nShow = SW_SHOWNORMAL;
      ShellExecuteExW(&request);
      if (SUCCEEDED(com)) CoUninitialize();
    });
  }
};

struct ShellFolders {
  std::wstring system;     // "C:\\Windows\\system32\\"
  std::wstring sysnative;  // "C:\\Windows\\Sysnative\\"; empty when this process is not under WOW64
};

// A folder of GetSystemDirectoryW's kind, with its closing backslash; empty on failure.
std::wstring FolderOf(UINT(WINAPI* get)(LPWSTR, UINT)) {
  const UINT size = get(nullptr, 0);
  if (size == 0) return {};
  std::wstring folder(size, L'\0');
  const UINT n = get(folder.data(), size);
  if (n == 0 || n >= size) return {};
  folder.resize(n);
  if (folder.back() != L'\\') folder += L'\\';
  return folder;
}

ShellFolders FindShellFolders() {
  const std::wstring system = FolderOf(GetSystemDirectoryW), windows = FolderOf(GetSystemWindowsDirectoryW);
  if (system.empty() || windows.empty()) return {};
  const std::wstring sysnative = windows + L"Sysnative";
  // The alias exists only for a 32-bit process on 64-bit Windows.
  const DWORD attributes = GetFileAttributesW(sysnative.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return {};
  return {system, sysnative + L'\\'};
}

}  // namespace

std::wstring PathForTheShell(const std::wstring& path) {
  static const ShellFolders folders = FindShellFolders();
  const size_t n = folders.system.size();
  if (folders.sysnative.empty() || path.size() <= n ||
      CompareStringOrdinal(path.c_str(), static_cast<int>(n), folders.system.c_str(), static_cast<int>(n), TRUE) !=
          CSTR_EQUAL)
    return path;
  return folders.sysnative + path.substr(n);
}

ShellOpener& PlatformShellOpener() {
  static WinShellOpener opener;
  return opener;
}
