// Stand-in file handler for the end-to-end tests: appends the path it is asked to open, as one
// UTF-8 line, to recorder.log beside itself, so the driver can see what the shell launched.
#include <windows.h>
#include <shellapi.h>

#include <string>

namespace {

std::string ToUtf8(const std::wstring& w) {
  if (w.empty()) return {};
  int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), out.data(), n, nullptr, nullptr);
  return out;
}

std::wstring LogPath() {
  std::wstring self(32768, L'\0');
  DWORD n = GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size()));
  self.resize(n);
  size_t slash = self.find_last_of(L'\\');
  return (slash == std::wstring::npos ? std::wstring() : self.substr(0, slash + 1)) + L"recorder.log";
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  // Everything after the program name, joined by spaces, is what the shell passed.
  std::wstring args;
  for (int i = 1; argv && i < argc; ++i) {
    if (i > 1) args += L' ';
    args += argv[i];
  }
  if (argv) LocalFree(argv);
  std::string line = ToUtf8(args) + "\n";

  HANDLE log = CreateFileW(LogPath().c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (log == INVALID_HANDLE_VALUE) return 1;
  DWORD written = 0;
  BOOL ok = WriteFile(log, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  CloseHandle(log);
  return ok && written == line.size() ? 0 : 1;
}
