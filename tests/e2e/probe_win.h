// Reading and driving another process's window from outside, as a user would see and use it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace e2e {

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view wide);

// One check's outcome, printed as "PASS name" or "FAIL name: detail".
class Report {
 public:
  bool Check(bool ok, const std::string& name, const std::string& detail = {});
  // Compares two texts; the detail shows both on a mismatch.
  bool Equal(const std::wstring& got, const std::wstring& want, const std::string& name);
  bool Equal(long long got, long long want, const std::string& name);
  void Note(const std::string& text);
  int failed() const { return failed_; }

 private:
  int failed_ = 0;
};

// Polls every 50 ms until cond holds or timeoutMs passes; gives the last result of cond.
bool WaitFor(const std::function<bool()>& cond, DWORD timeoutMs);

// A block of memory inside the target process, for list-view messages that carry pointers.
class RemoteBuffer {
 public:
  RemoteBuffer(HANDLE process, size_t size);
  ~RemoteBuffer();
  RemoteBuffer(const RemoteBuffer&) = delete;
  RemoteBuffer& operator=(const RemoteBuffer&) = delete;

  bool ok() const { return base_ != nullptr; }
  char* at(size_t offset) const { return static_cast<char*>(base_) + offset; }
  bool Write(size_t offset, const void* data, size_t size) const;
  bool Read(size_t offset, void* data, size_t size) const;

 private:
  HANDLE process_;
  void* base_ = nullptr;
};

// The running program as seen from outside: its process and main window.
struct Target {
  HANDLE process = nullptr;
  DWORD pid = 0;
  HWND main = nullptr;

  HWND Control(int id) const { return GetDlgItem(main, id); }
};

// The top-level window of class cls owned by pid (any process when pid is 0).
HWND FindMainWindow(const wchar_t* cls, DWORD pid);

std::wstring WindowText(HWND hwnd);
bool Alive(HWND hwnd);  // the window exists and its thread answers
// Sends a message with a timeout so a hung target fails the check instead of the driver.
LRESULT Send(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, DWORD timeoutMs = 15000);

// A control's rectangle in its parent's client coordinates.
RECT ChildRect(HWND child);

// Runs the entry of probe.dll (beside the driver) inside the target on a copy of size bytes of
// data, which is read back; gives the entry's result, 0 when it did not run (why says so).
// keepLoaded: the probe stays in the target, for what it did there needs it.
DWORD CallInTarget(const Target& target, const char* entryName, void* data, size_t size, bool keepLoaded,
                   std::string* why);
struct TextProbeRequest;
// Has probe.dll measure the request's texts inside the target, in fonts of the target's own;
// false when it could not be run there.
bool MeasureInTarget(const Target& target, TextProbeRequest& request, std::string* why);

struct Row {
  std::wstring cells[4];
};

class ListViewProbe {
 public:
  ListViewProbe(const Target& target, HWND list);
  int Count() const;
  int Selected() const;
  std::wstring Cell(int row, int column) const;
  Row ReadRow(int row) const;
  std::vector<Row> ReadRows(int from = 0) const;
  bool ItemRect(int row, RECT* rect) const;  // whole row, list client coordinates
  bool SetSelected(int row, bool selected) const;  // row -1: every row
  std::wstring ColumnText(int column) const;
  int ColumnWidth(int column) const;

 private:
  HWND list_;
  RemoteBuffer buffer_;
};

// The visible top-level windows of the desktop, as "class \"title\"" by handle.
std::vector<std::pair<HWND, std::string>> VisibleTopWindows();
// Those of after that were not in before, for a message.
std::string NewWindows(const std::vector<std::pair<HWND, std::string>>& before,
                       const std::vector<std::pair<HWND, std::string>>& after);

// A user's double-click with the left button at a point of hwnd's client area, as real input
// (button down, up, down, up): the system makes the double-click message of it.
void DoubleClick(HWND hwnd, POINT pt);
// One left-button press and release at a point of hwnd's client area (its own part only).
void PressMouse(HWND hwnd, POINT pt, bool down);
// A user's key press, as real input to the foreground window, with the modifier key held.
void PressKey(WORD vk, WORD modifier = 0);  // modifier: VK_SHIFT, VK_MENU or 0
// The window that has the keyboard focus in the thread of hwnd, or hwnd when none.
HWND FocusOf(HWND hwnd);

}  // namespace e2e
