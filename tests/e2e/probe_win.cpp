#include "probe_win.h"

#include <commctrl.h>

#include <cstdint>
#include <cstdio>

#include "inside_probe_win.h"

namespace e2e {

namespace {

constexpr size_t kTextOffset = 512;
constexpr size_t kTextChars = 4096;

void PrintLine(const std::string& line) {
  // Raw UTF-8 bytes: under Wine they reach the harness's pipe unchanged.
  std::string out = line + "\n";
  fwrite(out.data(), 1, out.size(), stdout);
  fflush(stdout);
}

std::string Shown(const std::wstring& text) {
  std::string out(1, '"');
  out += Narrow(text);
  out += '"';
  return out;
}

}  // namespace

std::wstring Widen(std::string_view utf8) {
  if (utf8.empty()) return {};
  int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
  return out;
}

std::string Narrow(std::wstring_view wide) {
  if (wide.empty()) return {};
  int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n, nullptr, nullptr);
  return out;
}

bool Report::Check(bool ok, const std::string& name, const std::string& detail) {
  if (ok) {
    PrintLine("PASS " + name);
  } else {
    ++failed_;
    PrintLine("FAIL " + name + (detail.empty() ? "" : ": " + detail));
  }
  return ok;
}

bool Report::Equal(const std::wstring& got, const std::wstring& want, const std::string& name) {
  return Check(got == want, name, "got " + Shown(got) + ", want " + Shown(want));
}

bool Report::Equal(long long got, long long want, const std::string& name) {
  return Check(got == want, name, "got " + std::to_string(got) + ", want " + std::to_string(want));
}

void Report::Note(const std::string& text) { PrintLine("NOTE " + text); }

bool WaitFor(const std::function<bool()>& cond, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  for (;;) {
    if (cond()) return true;
    if (GetTickCount() - start >= timeoutMs) return cond();
    Sleep(50);
  }
}

RemoteBuffer::RemoteBuffer(HANDLE process, size_t size) : process_(process) {
  if (process_) base_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
}

RemoteBuffer::~RemoteBuffer() {
  if (base_) VirtualFreeEx(process_, base_, 0, MEM_RELEASE);
}

bool RemoteBuffer::Write(size_t offset, const void* data, size_t size) const {
  SIZE_T done = 0;
  return base_ && WriteProcessMemory(process_, at(offset), data, size, &done) && done == size;
}

bool RemoteBuffer::Read(size_t offset, void* data, size_t size) const {
  SIZE_T done = 0;
  return base_ && ReadProcessMemory(process_, at(offset), data, size, &done) && done == size;
}

HWND FindMainWindow(const wchar_t* cls, DWORD pid) {
  HWND hwnd = nullptr;
  while ((hwnd = FindWindowExW(nullptr, hwnd, cls, nullptr)) != nullptr) {
    DWORD owner = 0;
    GetWindowThreadProcessId(hwnd, &owner);
    if (pid == 0 || owner == pid) return hwnd;
  }
  return nullptr;
}

LRESULT Send(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, DWORD timeoutMs) {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(hwnd, msg, wp, lp, SMTO_NORMAL, timeoutMs, &result)) return -1;
  return static_cast<LRESULT>(result);
}

std::wstring WindowText(HWND hwnd) {
  LRESULT n = Send(hwnd, WM_GETTEXTLENGTH, 0, 0);
  if (n <= 0) return {};
  std::wstring text(static_cast<size_t>(n) + 1, L'\0');
  LRESULT got = Send(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  text.resize(got > 0 ? static_cast<size_t>(got) : 0);
  return text;
}

bool Alive(HWND hwnd) {
  DWORD_PTR result = 0;
  return IsWindow(hwnd) && SendMessageTimeoutW(hwnd, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result);
}

RECT ChildRect(HWND child) {
  RECT r{};
  GetWindowRect(child, &r);
  MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

namespace {

// Runs start(parameter) on a new thread of the target; gives its exit code, or 0.
DWORD RunInTarget(const Target& target, LPTHREAD_START_ROUTINE start, void* parameter) {
  HANDLE thread = CreateRemoteThread(target.process, nullptr, 0, start, parameter, 0, nullptr);
  if (thread == nullptr) return 0;
  DWORD code = 0;
  if (WaitForSingleObject(thread, 30000) != WAIT_OBJECT_0 || !GetExitCodeThread(thread, &code)) code = 0;
  CloseHandle(thread);
  return code;
}

}  // namespace

DWORD CallInTarget(const Target& target, const char* entryName, void* data, size_t size, bool keepLoaded,
                   std::string* why) {
  wchar_t self[MAX_PATH] = {};
  const DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring path(self, n);
  path = path.substr(0, path.find_last_of(L'\\') + 1) + L"probe.dll";
  // Loaded here too, for where its entry lies from its base; kernel32 lies at the same place in
  // every process of a session, so LoadLibraryW's address here is its address there.
  HMODULE local = LoadLibraryW(path.c_str());
  const auto* entry = local ? reinterpret_cast<const char*>(GetProcAddress(local, entryName)) : nullptr;
  const auto load = reinterpret_cast<LPTHREAD_START_ROUTINE>(
      reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "LoadLibraryW")));
  const auto unload = reinterpret_cast<LPTHREAD_START_ROUTINE>(
      reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "FreeLibrary")));
  if (entry == nullptr) {
    *why = std::string("probe.dll or its ") + entryName + " not found beside the driver";
    return 0;
  }
  const size_t pathBytes = (path.size() + 1) * sizeof(wchar_t);
  RemoteBuffer remote(target.process, size + pathBytes);
  if (!remote.Write(0, data, size) || !remote.Write(size, path.c_str(), pathBytes)) {
    *why = "no memory in the target";
    return 0;
  }
  // A 32-bit module's handle is its base, and a thread's exit code carries it whole.
  const DWORD base = RunInTarget(target, load, remote.at(size));
  if (base == 0) {
    *why = "probe.dll did not load in the target";
    return 0;
  }
  const auto remoteEntry = reinterpret_cast<LPTHREAD_START_ROUTINE>(
      static_cast<uintptr_t>(base) + static_cast<uintptr_t>(entry - reinterpret_cast<const char*>(local)));
  DWORD result = RunInTarget(target, remoteEntry, remote.at(0));
  if (result != 0 && !remote.Read(0, data, size)) result = 0;
  if (!keepLoaded) RunInTarget(target, unload, reinterpret_cast<void*>(static_cast<uintptr_t>(base)));
  if (result == 0) *why = std::string(entryName) + " did not run in the target";
  return result;
}

bool MeasureInTarget(const Target& target, TextProbeRequest& request, std::string* why) {
  return CallInTarget(target, "MeasureTexts", &request, sizeof request, false, why) == 1;
}

ListViewProbe::ListViewProbe(const Target& target, HWND list)
    : list_(list), buffer_(target.process, kTextOffset + kTextChars * sizeof(wchar_t)) {}

int ListViewProbe::Count() const { return static_cast<int>(Send(list_, LVM_GETITEMCOUNT, 0, 0)); }

int ListViewProbe::Selected() const {
  return static_cast<int>(Send(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

std::wstring ListViewProbe::Cell(int row, int column) const {
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = reinterpret_cast<LPWSTR>(buffer_.at(kTextOffset));
  item.cchTextMax = static_cast<int>(kTextChars);
  wchar_t nul = 0;
  if (!buffer_.Write(0, &item, sizeof item) || !buffer_.Write(kTextOffset, &nul, sizeof nul)) return L"<no remote memory>";
  LRESULT n = Send(list_, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(buffer_.at(0)));
  if (n <= 0) return {};
  std::wstring text(static_cast<size_t>(n), L'\0');
  if (!buffer_.Read(kTextOffset, text.data(), text.size() * sizeof(wchar_t))) return L"<unreadable>";
  return text;
}

Row ListViewProbe::ReadRow(int row) const {
  Row r;
  for (int c = 0; c < 4; ++c) r.cells[c] = Cell(row, c);
  return r;
}

std::vector<Row> ListViewProbe::ReadRows(int from) const {
  std::vector<Row> rows;
  int n = Count();
  for (int i = from; i < n; ++i) rows.push_back(ReadRow(i));
  return rows;
}

bool ListViewProbe::ItemRect(int row, RECT* rect) const {
  RECT r{};
  r.left = LVIR_BOUNDS;
  if (!buffer_.Write(0, &r, sizeof r)) return false;
  if (Send(list_, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(buffer_.at(0))) <= 0) return false;
  return buffer_.Read(0, rect, sizeof *rect);
}

bool ListViewProbe::SetSelected(int row, bool selected) const {
  LVITEMW item{};
  item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  item.state = selected ? (LVIS_SELECTED | LVIS_FOCUSED) : 0;
  if (!buffer_.Write(0, &item, sizeof item)) return false;
  return Send(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(buffer_.at(0))) > 0;
}

std::wstring ListViewProbe::ColumnText(int column) const {
  LVCOLUMNW col{};
  col.mask = LVCF_TEXT;
  col.pszText = reinterpret_cast<LPWSTR>(buffer_.at(kTextOffset));
  col.cchTextMax = static_cast<int>(kTextChars);
  wchar_t nul = 0;
  if (!buffer_.Write(0, &col, sizeof col) || !buffer_.Write(kTextOffset, &nul, sizeof nul)) return L"<no remote memory>";
  if (Send(list_, LVM_GETCOLUMNW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(buffer_.at(0))) <= 0) return {};
  std::wstring text(kTextChars, L'\0');
  buffer_.Read(kTextOffset, text.data(), text.size() * sizeof(wchar_t));
  text.resize(wcsnlen(text.c_str(), kTextChars));
  return text;
}

int ListViewProbe::ColumnWidth(int column) const {
  return static_cast<int>(Send(list_, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0));
}

namespace {

BOOL CALLBACK AddVisibleWindow(HWND hwnd, LPARAM param) {
  if (!IsWindowVisible(hwnd)) return TRUE;
  wchar_t cls[128] = {};
  GetClassNameW(hwnd, cls, 128);
  auto* list = reinterpret_cast<std::vector<std::pair<HWND, std::string>>*>(param);
  list->emplace_back(hwnd, Narrow(cls) + " " + Shown(WindowText(hwnd)));
  return TRUE;
}

}  // namespace

std::vector<std::pair<HWND, std::string>> VisibleTopWindows() {
  std::vector<std::pair<HWND, std::string>> out;
  EnumWindows(AddVisibleWindow, reinterpret_cast<LPARAM>(&out));
  return out;
}

std::string NewWindows(const std::vector<std::pair<HWND, std::string>>& before,
                       const std::vector<std::pair<HWND, std::string>>& after) {
  std::string added;
  for (const auto& w : after) {
    bool known = false;
    for (const auto& b : before) known = known || b.first == w.first;
    if (!known) added += (added.empty() ? "" : ", ") + w.second;
  }
  return added;
}

void PressMouse(HWND hwnd, POINT pt, bool down) {
  ClientToScreen(hwnd, &pt);
  SetCursorPos(pt.x, pt.y);
  INPUT press{};
  press.type = INPUT_MOUSE;
  press.mi.dwFlags = down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
  SendInput(1, &press, sizeof(INPUT));
}

void DoubleClick(HWND hwnd, POINT pt) {
  ClientToScreen(hwnd, &pt);
  SetCursorPos(pt.x, pt.y);
  INPUT clicks[4] = {};
  const DWORD flags[4] = {MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP};
  for (int i = 0; i < 4; ++i) {
    clicks[i].type = INPUT_MOUSE;
    clicks[i].mi.dwFlags = flags[i];
  }
  SendInput(4, clicks, sizeof(INPUT));
  // A click soon after would make a triple click of it.
  Sleep(GetDoubleClickTime() + 100);
}

void PressKey(WORD vk, WORD modifier) {
  INPUT keys[4] = {};
  int n = 0;
  auto key = [&](WORD code, bool up) {
    keys[n].type = INPUT_KEYBOARD;
    keys[n].ki.wVk = code;
    keys[n].ki.wScan = static_cast<WORD>(MapVirtualKeyW(code, MAPVK_VK_TO_VSC));
    keys[n].ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    ++n;
  };
  if (modifier) key(modifier, false);
  key(vk, false);
  key(vk, true);
  if (modifier) key(modifier, true);
  SendInput(static_cast<UINT>(n), keys, sizeof(INPUT));
  Sleep(150);
}

HWND FocusOf(HWND hwnd) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  DWORD thread = GetWindowThreadProcessId(hwnd, nullptr);
  if (GetGUIThreadInfo(thread, &info) && info.hwndFocus) return info.hwndFocus;
  return hwnd;
}

}  // namespace e2e
