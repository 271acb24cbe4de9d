// End-to-end driver: starts kevu.exe, uses its window the way a user does and checks what it
// shows. Each argument group is one step, run in order:
//   launch EXE | attach | initial | geometry [DPI CAPTION96] | drivebox ITEM... | volume-label L LABEL
//   drive-type L fixed|removable | scan-drive L MANIFEST | full-scan MANIFEST | clear
//   clear-during-scan L MANIFEST | open-row SUFFIX LOG | open-deleted SUFFIX | open-none LOG
//   open-below LOG | open-during-scan L LOG | keyboard L MANIFEST | escape-each EXE
//   pause READY GO
//   watch-grid-during-scan L | escape-during-scan L | dpi-change-during-scan L MANIFEST DPI
//   close | signal EXE zero|keep
//   skinned FACE CAPTION CAPTION_INACTIVE | launch-two EXE FACE CAPTION CAPTION_INACTIVE
//   (colours as RRGGBB hex)
//   screen-reader [scan-end] | high-contrast on|off
// Prints one PASS/FAIL line per check; the exit code is the number of failed checks (capped).
#include <windows.h>
#include <commctrl.h>
#include <oleacc.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "probe_win.h"
#include "text/codepage.h"
#include "inside_probe_win.h"
#include "ui/control_ids.h"
#include "verdict/score_display.h"

using namespace e2e;

namespace {

constexpr DWORD kWindowTimeoutMs = 90000;
constexpr DWORD kScanTimeoutMs = 180000;
constexpr DWORD kTickMs = 100;

const std::wstring kTitle = Widen("KEVU-电脑健康度");
const std::wstring kEndText = Widen("扫描结束!");
const std::wstring kAllEndText = Widen(" 扫描结束!");
const std::wstring kPrepareText = Widen("准备扫描");
const std::wstring kFixedTag = Widen(" （硬盘）");
// What ToFullWidth makes of "Mirel-QT", read as code page 936.
const wchar_t kSignalMapping[] = L"\uFF2D\uFF49\uFF52\uFF45\uFF4C\uFF0D\uFF31\uFF34";

std::string RowText(const Row& r) {
  std::string text = "[";
  for (int c = 0; c < 4; ++c) text += Narrow(r.cells[c]) + (c < 3 ? " | " : "]");
  return text;
}

bool SameRow(const Row& a, const Row& b) {
  for (int c = 0; c < 4; ++c)
    if (a.cells[c] != b.cells[c]) return false;
  return true;
}

// The whole file; false when it cannot be opened.
bool ReadWholeFile(const std::string& path, std::string& bytes) {
  bytes.clear();
  FILE* f = fopen(path.c_str(), "rb");
  if (!f) return false;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, f)) > 0) bytes.append(buf, n);
  fclose(f);
  return true;
}

// Suspect files of the fixtures: full Windows path -> category text.
std::map<std::wstring, std::wstring> ReadManifest(const std::string& path) {
  std::map<std::wstring, std::wstring> out;
  std::string bytes;
  if (!ReadWholeFile(path, bytes)) return out;
  size_t pos = 0;
  while (pos < bytes.size()) {
    size_t end = bytes.find('\n', pos);
    if (end == std::string::npos) end = bytes.size();
    std::string line = bytes.substr(pos, end - pos);
    pos = end + 1;
    size_t tab = line.find('\t');
    if (tab != std::string::npos) out[Widen(line.substr(0, tab))] = Widen(line.substr(tab + 1));
  }
  return out;
}

// The rows a scan of root must give: the files of the manifest, in the platform's listing
// order, depth first.
void ExpectedRows(const std::wstring& dir, const std::map<std::wstring, std::wstring>& manifest,
                  std::vector<Row>& rows, int* files) {
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((dir + L"*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return;
  do {
    std::wstring name = fd.cFileName;
    if (name == L"." || name == L"..") continue;
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      ExpectedRows(dir + name + L"\\", manifest, rows, files);
      continue;
    }
    ++*files;
    auto it = manifest.find(dir + name);
    if (it == manifest.end()) continue;
    unsigned long long size = (static_cast<unsigned long long>(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow;
    Row r;
    r.cells[0] = name;
    r.cells[1] = dir;
    r.cells[2] = std::to_wstring(size);
    r.cells[3] = it->second;
    rows.push_back(r);
  } while (FindNextFileW(h, &fd));
  FindClose(h);
}

std::vector<Row> ExpectedRowsOf(wchar_t drive, const std::map<std::wstring, std::wstring>& manifest, int* files) {
  std::vector<Row> rows;
  *files = 0;
  ExpectedRows(std::wstring(1, drive) + L":\\", manifest, rows, files);
  return rows;
}

// What a user reads at one look: the score first, then the status, then the row count, so the
// count is never older than the texts read before it.
struct Look {
  std::wstring score;
  std::wstring status;
  int rows = 0;
};

// A scan watched from the outside, look after look, until its end text shows.
struct Watch {
  bool ended = false;
  Look end;              // the first look that showed the end text
  int looks = 0;
  int statusChanges = 0;  // renders seen
  double seconds = 0;     // from the first look to the end text
  double worstGapMs = 0;  // between two looks
  int lowScores = 0;      // looks whose score stood below 100 minus the rows shown
  std::string lowExample;
};

double NowMs() {
  LARGE_INTEGER frequency, now;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&now);
  return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

std::vector<std::wstring> DriveRoots() {
  std::vector<std::wstring> roots;
  wchar_t buf[512] = {};
  DWORD n = GetLogicalDriveStringsW(511, buf);
  for (const wchar_t* p = buf; p < buf + n && *p; p += wcslen(p) + 1) roots.emplace_back(p);
  return roots;
}

std::wstring VolumeLabel(const std::wstring& root) {
  wchar_t label[MAX_PATH + 1] = {};
  if (!GetVolumeInformationW(root.c_str(), label, MAX_PATH + 1, nullptr, nullptr, nullptr, nullptr, 0)) return {};
  return label;
}

// The screen's pixels of a rectangle (screen coordinates), row by row, as 0x00RRGGBB.
std::vector<DWORD> CaptureScreen(const RECT& area) {
  const int width = area.right - area.left, height = area.bottom - area.top;
  std::vector<DWORD> pixels;
  if (width <= 0 || height <= 0) return pixels;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (memory && bitmap && bits) {
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
    GdiFlush();
    const DWORD* p = static_cast<const DWORD*>(bits);
    pixels.assign(p, p + static_cast<size_t>(width) * static_cast<size_t>(height));
    for (DWORD& px : pixels) px &= 0x00FFFFFF;
    SelectObject(memory, old);
  }
  if (bitmap) DeleteObject(bitmap);
  if (memory) DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return pixels;
}

class Driver {
 public:
  int Run(int argc, wchar_t** argv);

 private:
  bool Need(int count, const std::string& step);
  std::string Arg() { return Narrow(args_[next_++]); }
  wchar_t DriveArg() { return static_cast<wchar_t>(towupper(args_[next_++][0])); }

  bool Launch(const std::wstring& exe);
  bool Attach();
  bool HaveWindow(const std::string& step);
  bool WaitExit(const std::string& name, DWORD timeoutMs);
  void ClickButton(int id);
  void CloseByKeyboard(HWND window);
  bool ChooseDrive(wchar_t drive);
  std::wstring Status() const { return WindowText(target_.Control(kIdStatusLabel)); }
  // Waits until the scan that was just started has ended with the given row count.
  Look Read(const ListViewProbe& list) const;
  // Looks every few milliseconds until isEnd holds for the status, after the scan just started
  // has shown itself (a status other than `old`, or a row count other than `oldRows`).
  Watch WatchScan(const ListViewProbe& list, const std::wstring& old, int oldRows,
                  const std::function<bool(const std::wstring&)>& isEnd, DWORD timeoutMs);
  // The checks of what a user reads while the scan ran and when its end text appeared.
  void CheckWatch(const Watch& watch, int finalRows, const std::string& endText, const std::string& name);
  void CheckScore(const std::string& name);
  void CheckRows(const std::vector<Row>& got, const std::vector<Row>& want, const std::string& name);

  void Initial();
  // centred: as placed at launch (not after a move).
  void Geometry(UINT dpi, int caption96, bool centred);
  void DriveBoxItems(const std::vector<std::string>& items);
  void ScanDrive(wchar_t drive, const std::string& manifest);
  void FullScan(const std::string& manifest);
  void Clear();
  void ClearDuringScan(wchar_t drive, const std::string& manifest);
  void OpenRow(const std::wstring& suffix, const std::string& log);
  void OpenNone(const std::string& log);
  void OpenDeleted(const std::wstring& suffix);
  void OpenBelow(const std::string& log);
  void OpenDuringScan(wchar_t drive, const std::string& log);
  bool WaitLogLines(const std::string& log, size_t lines, DWORD timeoutMs, std::vector<std::string>* got);
  bool Foreground(const std::string& name);
  void Keyboard(wchar_t drive, const std::string& manifest);
  void EscapeEach(const std::wstring& exe);
  int FindRow(const ListViewProbe& list, const std::wstring& suffix, std::vector<Row>* rows);
  void Pause(const std::wstring& ready, const std::wstring& go);
  // Times a scan from the button press to the end text, and the window's answer to a message
  // round trip while it runs; prints one "BENCH" line.
  void TimeScan(wchar_t drive);
  void EscapeDuringScan(wchar_t drive);
  void WatchGridDuringScan(wchar_t drive);
  void DpiChangeDuringScan(wchar_t drive, const std::string& manifest, UINT dpi);
  void Close();
  void Signal(const std::wstring& exe, bool expectZero);
  // The skin's colours on screen: the window's face, and the left end of its caption.
  struct SkinLook {
    DWORD face, caption, captionInactive;
  };
  SkinLook SkinLookArg();
  bool CheckSkinned(HWND window, const SkinLook& look, const std::string& name);
  // Two starts at once: both windows skinned, both close with exit code 0.
  void LaunchTwo(const std::wstring& exe, const SkinLook& look);
  void ScreenReader(bool scanEnded);
  void HighContrast(bool on);
  // Every pixel of the label lies between the face and ink (text drawn in ink, smoothed or not,
  // with no other colour: no shadow, no edge), and ink is there.
  // (Colours as 0x00RRGGBB.)
  void CheckLabelInk(int id, DWORD face, DWORD ink, const std::string& name);

  std::vector<std::wstring> args_;
  size_t next_ = 0;
  Report report_;
  Target target_;
  long long rowsSinceClear_ = 0;
};

bool Driver::Need(int count, const std::string& step) {
  (void)step;
  if (next_ + static_cast<size_t>(count) <= args_.size()) return true;
  next_ = args_.size();  // reported below as a bad step
  return false;
}

bool Driver::Launch(const std::wstring& exe) {
  if (target_.process) CloseHandle(target_.process);
  target_ = Target{};
  rowsSinceClear_ = 0;
  std::wstring dir = exe.substr(0, exe.find_last_of(L'\\') + 1);
  std::wstring cmd = L"\"" + exe + L"\"";
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &si, &pi))
    return report_.Check(false, "launch " + Narrow(exe), "CreateProcessW error " + std::to_string(GetLastError()));
  CloseHandle(pi.hThread);
  target_.process = pi.hProcess;
  target_.pid = pi.dwProcessId;
  // The window is there before its controls: wait until it is shown, complete and answering.
  auto ready = [&] {
    target_.main = FindMainWindow(kMainWindowClass, target_.pid);
    return target_.main && IsWindowVisible(target_.main) && target_.Control(kIdDriveList) &&
           target_.Control(kIdSuspectList) && Alive(target_.main);
  };
  bool found = WaitFor([&] { return ready() || WaitForSingleObject(target_.process, 0) == WAIT_OBJECT_0; },
                       kWindowTimeoutMs) && ready();
  return report_.Check(found, "launch " + Narrow(exe), "no main window appeared");
}

bool Driver::Attach() {
  HWND hwnd = FindWindowW(kMainWindowClass, kTitle.c_str());
  if (!report_.Check(hwnd != nullptr, "attach", "no window of that class and title")) return false;
  target_.main = hwnd;
  GetWindowThreadProcessId(hwnd, &target_.pid);
  target_.process = OpenProcess(PROCESS_ALL_ACCESS, FALSE, target_.pid);
  return report_.Check(target_.process != nullptr, "attach process");
}

bool Driver::HaveWindow(const std::string& step) {
  return target_.main && IsWindow(target_.main) ? true : report_.Check(false, step, "no running window");
}

bool Driver::WaitExit(const std::string& name, DWORD timeoutMs) {
  bool ended = WaitForSingleObject(target_.process, timeoutMs) == WAIT_OBJECT_0;
  if (!report_.Check(ended, name + ": process ends", "still running")) {
    TerminateProcess(target_.process, 99);
    WaitForSingleObject(target_.process, 10000);
    return false;
  }
  DWORD code = 1234;
  GetExitCodeProcess(target_.process, &code);
  report_.Equal(static_cast<long long>(static_cast<int>(code)), 0, name + ": exit code");
  target_.main = nullptr;
  return true;
}

// A user's click: the pointer on the button, pressed, then released. Each half is waited for (the
// button shows itself pushed, then no longer), and the release's BN_CLICKED is handled before the
// window answers again, so the click's handler has run when this returns.
void Driver::ClickButton(int id) {
  HWND button = target_.Control(id);
  RECT r{};
  GetClientRect(button, &r);
  const POINT middle{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  const auto pushed = [&] { return (Send(button, BM_GETSTATE, 0, 0) & BST_PUSHED) != 0; };
  // A window just shown may not be on the screen under the pointer yet: the press is tried again.
  bool down = false;
  for (int attempt = 0; attempt < 3 && !down; ++attempt) {
    SetForegroundWindow(target_.main);
    WaitFor([&] { return GetForegroundWindow() == target_.main; }, 2000);
    PressMouse(button, middle, true);
    down = WaitFor(pushed, 2000);
    if (!down) PressMouse(button, middle, false);
  }
  PressMouse(button, middle, false);
  const bool up = down && WaitFor([&] { return !pushed(); }, 5000);
  if (!up) report_.Check(false, "click on button " + std::to_string(id), down ? "not released" : "not pressed");
}

// A user's Alt+F4 in the window.
void Driver::CloseByKeyboard(HWND window) {
  SetForegroundWindow(window);
  WaitFor([&] { return GetForegroundWindow() == window; }, 5000);
  PressKey(VK_F4, VK_MENU);
}

bool Driver::ChooseDrive(wchar_t drive) {
  HWND box = target_.Control(kIdDriveBox);
  int n = static_cast<int>(Send(box, CB_GETCOUNT, 0, 0));
  for (int i = 0; i < n; ++i) {
    int len = static_cast<int>(Send(box, CB_GETLBTEXTLEN, i, 0));
    if (len <= 0) continue;
    std::wstring text(static_cast<size_t>(len) + 1, L'\0');
    Send(box, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text.data()));
    if (towupper(text[0]) != drive) continue;
    // As a user's pick: the selection moves and the parent hears of it.
    Send(box, CB_SETCURSEL, i, 0);
    Send(target_.main, WM_COMMAND, MAKEWPARAM(kIdDriveBox, CBN_SELCHANGE), reinterpret_cast<LPARAM>(box));
    return static_cast<int>(Send(box, CB_GETCURSEL, 0, 0)) == i;
  }
  return false;
}

Look Driver::Read(const ListViewProbe& list) const {
  Look look;
  look.score = WindowText(target_.Control(kIdScoreLabel));
  look.status = Status();
  look.rows = list.Count();
  return look;
}

Watch Driver::WatchScan(const ListViewProbe& list, const std::wstring& old, int oldRows,
                        const std::function<bool(const std::wstring&)>& isEnd, DWORD timeoutMs) {
  Watch watch;
  bool started = false;
  std::wstring last = old;
  const double begin = NowMs();
  double previous = begin, firstLook = 0;
  while (NowMs() - begin < timeoutMs) {
    Look look = Read(list);
    double now = NowMs();
    if (watch.looks++ > 0) watch.worstGapMs = std::max(watch.worstGapMs, now - previous);
    previous = now;
    // The list holds the rows since the last clear, the score counts them down from 100.
    wchar_t* end = nullptr;
    long score = wcstol(look.score.c_str(), &end, 10);
    if (!look.score.empty() && *end == L'\0' && score < 100 - look.rows && watch.lowScores++ == 0)
      watch.lowExample = "score " + Narrow(look.score) + " beside " + std::to_string(look.rows) + " rows";
    if (look.status != last) {
      ++watch.statusChanges;
      last = look.status;
    }
    started = started || look.status != old || look.rows != oldRows;
    if (started && firstLook == 0) firstLook = now;
    if (started && isEnd(look.status)) {
      watch.ended = true;
      watch.end = look;
      watch.seconds = (now - firstLook) / 1000.0;
      break;
    }
    Sleep(5);
  }
  return watch;
}

void Driver::CheckWatch(const Watch& watch, int finalRows, const std::string& endText, const std::string& name) {
  // Timing is the benchmark's to measure (bench/wine_bench.sh); here it is only noted.
  char line[160];
  snprintf(line, sizeof line, "%s: %d looks, worst gap %.1f ms, %d status changes in %.2f s", name.c_str(),
           watch.looks, watch.worstGapMs, watch.statusChanges, watch.seconds);
  report_.Note(line);
  if (!report_.Check(watch.ended, name + ": ends with \"" + endText + "\"", "status \"" + Narrow(Status()) + "\""))
    return;
  report_.Equal(watch.end.rows, finalRows, name + ": every row listed when \"" + endText + "\" first shows");
  report_.Check(watch.lowScores == 0, name + ": the score never below 100 minus the rows shown",
                std::to_string(watch.lowScores) + " looks, first " + watch.lowExample);
}

void Driver::CheckScore(const std::string& name) {
  long long want = 100 - rowsSinceClear_;
  std::wstring wantText = std::to_wstring(want);
  HWND score = target_.Control(kIdScoreLabel);
  WaitFor([&] { return WindowText(score) == wantText; }, 20 * kTickMs);
  report_.Equal(WindowText(score), wantText, name + ": score");
  // The table's texts are checked by the unit test; here, that the window shows the one for its score.
  report_.Equal(WindowText(target_.Control(kIdVerdictLabel)), GbkToWide(VerdictFor(static_cast<int32_t>(want))),
                name + ": verdict");
}

void Driver::CheckRows(const std::vector<Row>& got, const std::vector<Row>& want, const std::string& name) {
  report_.Equal(static_cast<long long>(got.size()), static_cast<long long>(want.size()), name + ": row count");
  size_t n = std::min(got.size(), want.size());
  size_t bad = n;
  for (size_t i = 0; i < n && bad == n; ++i)
    if (!SameRow(got[i], want[i])) bad = i;
  report_.Check(bad == n, name + ": rows in walk order, all four columns",
                bad == n ? "" : "row " + std::to_string(bad) + " is " + RowText(got[bad]) + ", want " + RowText(want[bad]));
}

void Driver::Initial() {
  if (!HaveWindow("initial")) return;
  report_.Equal(WindowText(target_.main), kTitle, "initial: title");
  struct { int id; const char* text; } texts[] = {
      {kIdStatusLabel, ""},
      {kIdScoreCaptionLabel, "健康度:"},
      {kIdScoreLabel, "100"},
      {kIdVerdictLabel, ""},
      {kIdDrivePromptLabel, "请选择要搜索的盘符："},
      {kIdScanButton, "扫描"},
      {kIdFullScanButton, "全盘扫描"},
      {kIdClearButton, "清空列表重置分数"},
      {kIdDisclaimerLabel, "免责申明:本程序导致的夫妻,情侣,朋友,等关系不和谐,本人概不负责."},
  };
  for (const auto& t : texts)
    report_.Equal(WindowText(target_.Control(t.id)), Widen(t.text), "initial: text of control " + std::to_string(t.id));

  HWND listHwnd = target_.Control(kIdSuspectList);
  ListViewProbe list(target_, listHwnd);
  report_.Equal(list.Count(), 0, "initial: no rows");
  const char* headers[] = {"文件名", "路径", "文件大小", "类型"};
  const int widths[] = {150, 250, 150, 150};
  for (int c = 0; c < 4; ++c) {
    report_.Equal(list.ColumnText(c), Widen(headers[c]), "initial: column " + std::to_string(c) + " header");
    report_.Equal(list.ColumnWidth(c), widths[c], "initial: column " + std::to_string(c) + " width");
  }
  LONG style = GetWindowLongW(listHwnd, GWL_STYLE);
  report_.Check((style & LVS_TYPEMASK) == LVS_REPORT, "initial: list in report view");
  report_.Check((style & LVS_SINGLESEL) != 0, "initial: list selects one row at most");
  report_.Check((style & LVS_SHOWSELALWAYS) != 0, "initial: selection shown without focus");
  report_.Check((GetWindowLongW(listHwnd, GWL_EXSTYLE) & WS_EX_CLIENTEDGE) != 0, "initial: list has a sunken edge");
  DWORD ex = static_cast<DWORD>(Send(listHwnd, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
  report_.Check((ex & LVS_EX_GRIDLINES) != 0, "initial: list grid lines");
  report_.Check((ex & LVS_EX_FULLROWSELECT) != 0, "initial: list selects whole rows");

  HWND box = target_.Control(kIdDriveBox);
  report_.Check((GetWindowLongW(box, GWL_STYLE) & 3) == CBS_DROPDOWNLIST, "initial: drive box cannot be typed into");
  int cur = static_cast<int>(Send(box, CB_GETCURSEL, 0, 0));
  std::wstring curText;
  if (cur >= 0) {
    curText.resize(static_cast<size_t>(Send(box, CB_GETLBTEXTLEN, cur, 0)) + 1);
    Send(box, CB_GETLBTEXT, cur, reinterpret_cast<LPARAM>(curText.data()));
  }
  // The driver runs kevu from a folder on C:, a fixed disk.
  report_.Check(!curText.empty() && curText[0] == L'C', "initial: drive box on the current drive",
                "selected " + std::to_string(cur) + " \"" + Narrow(curText.c_str()) + "\"");
}

int Scaled(int value, UINT dpi) { return MulDiv(value, static_cast<int>(dpi), 96); }

// The layout at 96 DPI, left, top, width, height; the drive box's height is its dropped height.
struct LayoutRow {
  int id;
  const char* name;
  int l, t, w, h;
  bool visible;
};
constexpr LayoutRow kLayout[] = {
    {kIdStatusLabel, "StatusLabel", 16, 8, 704, 16, true},
    {kIdSuspectList, "SuspectList", 8, 24, 704, 264, true},
    {kIdScoreCaptionLabel, "ScoreCaptionLabel", 16, 304, 80, 32, true},
    {kIdScoreLabel, "ScoreLabel", 96, 296, 152, 48, true},
    {kIdVerdictLabel, "VerdictLabel", 192, 304, 536, 24, true},
    {kIdDrivePromptLabel, "DrivePromptLabel", 16, 360, 128, 24, true},
    {kIdDriveBox, "DriveBox", 136, 360, 216, 80, true},
    {kIdScanButton, "ScanButton", 359, 360, 97, 24, true},
    {kIdFullScanButton, "FullScanButton", 472, 360, 120, 24, true},
    {kIdClearButton, "ClearButton", 608, 360, 112, 24, true},
    {kIdDisclaimerLabel, "DisclaimerLabel", 16, 400, 568, 16, true},
    {kIdDriveList, "DriveList", 456, 72, 72, 160, false},
};

std::string RectText(const RECT& r) {
  char text[64];
  snprintf(text, sizeof text, "%ld,%ld %ldx%ld", r.left, r.top, r.right - r.left, r.bottom - r.top);
  return text;
}

bool Near(long got, long want, long tolerance) { return got >= want - tolerance && got <= want + tolerance; }

// The window as laid out at dpi: the outer size and every control's rectangle are the table's
// times dpi / 96 (to the pixel at 96, within a pixel elsewhere); each label's and button's caption
// fits its control in the control's own font; the caption the skin paints is as tall as the
// frame's, which grows with the scale (caption96: its height at 96, 0 when not known).
void Driver::Geometry(UINT dpi, int caption96, bool centred) {
  const std::string at = dpi == 96 ? "geometry: " : "geometry at " + std::to_string(dpi) + " DPI: ";
  if (!HaveWindow(at)) return;
  const long slack = dpi == 96 ? 0 : 1;
  RECT w{};
  GetWindowRect(target_.main, &w);
  const int width = w.right - w.left, height = w.bottom - w.top;
  report_.Check(Near(width, Scaled(740, dpi), slack), at + "outer width", std::to_string(width));
  report_.Check(Near(height, Scaled(456, dpi), slack), at + "outer height", std::to_string(height));
  if (centred) {
    // On the work area of its monitor; a window larger than that keeps its caption on it.
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(target_.main, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT& work = monitor.rcWork;
    report_.Equal(w.left, std::max(work.left, work.left + (work.right - work.left - width) / 2),
                  at + "centred horizontally");
    report_.Equal(w.top, std::max(work.top, work.top + (work.bottom - work.top - height) / 2),
                  at + "centred vertically");
  }
  LONG style = GetWindowLongW(target_.main, GWL_STYLE);
  report_.Check(!(style & WS_THICKFRAME), at + "not resizable");
  report_.Check(!(style & WS_MINIMIZEBOX), at + "no minimize box");
  report_.Check(!(style & WS_MAXIMIZEBOX), at + "no maximize box");
  report_.Check((style & WS_CAPTION) == WS_CAPTION && (style & WS_SYSMENU), at + "title bar with system menu");
  report_.Check(IsWindowVisible(target_.main) != FALSE, at + "visible");

  for (const LayoutRow& c : kLayout) {
    HWND hwnd = target_.Control(c.id);
    const std::string name = at + c.name;
    if (!report_.Check(hwnd != nullptr, name + " exists")) continue;
    const RECT r = ChildRect(hwnd);
    const RECT want{Scaled(c.l, dpi), Scaled(c.t, dpi), Scaled(c.l + c.w, dpi), Scaled(c.t + c.h, dpi)};
    const bool placed =
        Near(r.left, want.left, slack) && Near(r.top, want.top, slack) && Near(r.right, want.right, slack);
    if (c.id == kIdDriveBox) {
      // A drop-down's own height follows its font; the dropped-down height is the one laid out.
      report_.Check(placed, name + " position and width", "got " + RectText(r) + ", want " + RectText(want));
      RECT dropped{};
      // The system carries this message's rectangle across processes itself.
      Send(hwnd, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
      // Windows measures from the field's top to the list's bottom, the height the control was
      // created with; Wine gives the list alone, sized from that height less its own field and cut
      // to whole items (so by a few pixels more as the items grow with the scale).
      const long field = r.bottom - r.top, list = dropped.bottom - dropped.top, laid = want.bottom - want.top;
      report_.Check(Near(list, laid, slack) || Near(field + list, laid, Scaled(4, dpi)),
                    name + " dropped-down height " + std::to_string(laid),
                    "field " + std::to_string(field) + ", dropped rectangle " + std::to_string(list));
    } else {
      report_.Check(placed && Near(r.bottom, want.bottom, slack), name + " rectangle",
                    "got " + RectText(r) + ", want " + RectText(want));
    }
    report_.Check((IsWindowVisible(hwnd) != FALSE) == c.visible, name + (c.visible ? " visible" : " hidden"));
    report_.Check(IsWindowEnabled(hwnd) != FALSE, name + " enabled");
  }

  // Every caption in its control's own font, measured inside kevu.exe.
  TextProbeRequest request{};
  std::vector<const LayoutRow*> measured;
  for (const LayoutRow& c : kLayout) {
    HWND hwnd = target_.Control(c.id);
    wchar_t cls[32] = {};
    GetClassNameW(hwnd, cls, 32);
    const bool captioned = wcscmp(cls, L"KevuLabel") == 0 || _wcsicmp(cls, L"Button") == 0;
    if (!captioned || WindowText(hwnd).empty() || request.count == kTextProbeItems) continue;
    request.items[request.count++].control = hwnd;
    measured.push_back(&c);
  }
  std::string why;
  if (report_.Check(MeasureInTarget(target_, request, &why), at + "captions measured in kevu.exe", why)) {
    for (size_t i = 0; i < measured.size(); ++i) {
      const TextProbeItem& item = request.items[i];
      const RECT r = ChildRect(item.control);
      const std::string name = at + measured[i]->name + " caption \"" + Narrow(item.text) + "\"";
      if (!report_.Check(item.measured != FALSE, name + " in its own font", "no font to measure with")) continue;
      report_.Note(name + ": " + std::to_string(item.width) + " px wide, characters " +
                   std::to_string(item.characterHeight) + " px, font height " + std::to_string(item.fontHeight));
      report_.Check(item.width <= r.right - r.left && item.characterHeight <= r.bottom - r.top, name + " fits",
                    std::to_string(item.width) + "x" + std::to_string(item.characterHeight) + " in " + RectText(r));
      if (measured[i]->id == kIdDrivePromptLabel) {
        const RECT box = ChildRect(target_.Control(kIdDriveBox));
        report_.Check(r.left + item.width <= box.left, name + " ends before the drive box",
                      "ends at " + std::to_string(r.left + item.width) + ", box at " + std::to_string(box.left));
      }
    }
  }

  // The caption: between the frame's border and the client area.
  POINT origin{0, 0};
  ClientToScreen(target_.main, &origin);
  const int border = origin.x - w.left, caption = origin.y - w.top - border;
  report_.Note(at + "caption height " + std::to_string(caption) + " px");
  if (caption96 > 0) {
    report_.Check(caption > caption96 && Near(caption, Scaled(caption96, dpi), 1),
                  at + "caption of " + std::to_string(caption96) + " px at 96 DPI grows with the scale",
                  std::to_string(caption) + " px");
  }
  // The skin's gradient begins with one colour: its first column is that from top to bottom, not
  // the system's caption colour.
  const std::vector<DWORD> column =
      CaptureScreen(RECT{w.left + border + 1, w.top + border, w.left + border + 2, w.top + border + caption});
  const auto rgb = [](COLORREF c) {
    return static_cast<DWORD>(((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF));
  };
  const bool uniform =
      !column.empty() && std::all_of(column.begin(), column.end(), [&](DWORD p) { return p == column[0]; });
  const bool system = !column.empty() && (column[0] == rgb(GetSysColor(COLOR_ACTIVECAPTION)) ||
                                          column[0] == rgb(GetSysColor(COLOR_INACTIVECAPTION)));
  char first[16];
  snprintf(first, sizeof first, "%06lx", column.empty() ? 0ul : static_cast<unsigned long>(column[0]));
  report_.Check(uniform && !system, at + "the skin paints the caption's whole height",
                std::to_string(column.size()) + " pixels from " + first);
}

// wanted: "D:Label" (fixed disk D listed with that label), "F:" (listed without label), "-E" (absent).
void Driver::DriveBoxItems(const std::vector<std::string>& wanted) {
  if (!HaveWindow("drivebox")) return;
  HWND box = target_.Control(kIdDriveBox);
  std::vector<std::wstring> items;
  int n = static_cast<int>(Send(box, CB_GETCOUNT, 0, 0));
  for (int i = 0; i < n; ++i) {
    std::wstring text(static_cast<size_t>(std::max<LRESULT>(0, Send(box, CB_GETLBTEXTLEN, i, 0))) + 1, L'\0');
    Send(box, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text.data()));
    items.push_back(text.c_str());
  }
  // What the machine reports: its fixed disks in order, each with its label when it has one.
  std::vector<std::wstring> want;
  for (const std::wstring& root : DriveRoots()) {
    if (GetDriveTypeW(root.c_str()) != DRIVE_FIXED) continue;
    std::wstring label = VolumeLabel(root);
    want.push_back(std::wstring(1, towupper(root[0])) + L":" + kFixedTag + (label.empty() ? L"" : L" " + label));
  }
  std::string gotAll, wantAll;
  for (const auto& s : items) gotAll += "\"" + Narrow(s) + "\" ";
  for (const auto& s : want) wantAll += "\"" + Narrow(s) + "\" ";
  report_.Check(items == want, "drivebox: the fixed disks in order", "got " + gotAll + "want " + wantAll);
  for (const std::string& s : wanted) {
    if (s.size() >= 2 && s[0] == '-') {
      bool absent = std::none_of(items.begin(), items.end(), [&](const std::wstring& t) { return t[0] == s[1]; });
      report_.Check(absent, "drivebox: " + s.substr(1) + ": not listed", "got " + gotAll);
    } else if (s.size() >= 2) {
      std::wstring item = Widen(s.substr(0, 2)) + kFixedTag + (s.size() > 2 ? L" " + Widen(s.substr(2)) : L"");
      bool listed = std::find(items.begin(), items.end(), item) != items.end();
      report_.Check(listed, "drivebox: item \"" + Narrow(item) + "\"", "got " + gotAll);
    }
  }
}

void Driver::ScanDrive(wchar_t drive, const std::string& manifestPath) {
  std::string name = "scan " + Narrow(std::wstring(1, drive)) + ":";
  if (!HaveWindow(name)) return;
  ListViewProbe list(target_, target_.Control(kIdSuspectList));
  int files = 0;
  std::vector<Row> want = ExpectedRowsOf(drive, ReadManifest(manifestPath), &files);
  report_.Check(!want.empty(), name + ": fixture has suspects", "manifest gives no row for this drive");
  std::vector<Row> before = list.ReadRows();
  if (!report_.Check(ChooseDrive(drive), name + ": drive chosen in the drive box")) return;
  std::wstring old = Status();
  ClickButton(kIdScanButton);
  int total = static_cast<int>(before.size() + want.size());
  Watch watch = WatchScan(list, old, static_cast<int>(before.size()),
                          [](const std::wstring& s) { return s == kEndText; }, kScanTimeoutMs);
  CheckWatch(watch, total, "扫描结束!", name);
  Sleep(3 * kTickMs);  // late rows would show up here
  report_.Equal(Status(), kEndText, name + ": end text stays");
  std::vector<Row> rows = list.ReadRows();
  std::vector<Row> kept(rows.begin(), rows.begin() + std::min(rows.size(), before.size()));
  bool keptSame = kept.size() == before.size() &&
                  std::equal(kept.begin(), kept.end(), before.begin(), SameRow);
  report_.Check(keptSame, name + ": earlier rows stay on top");
  CheckRows(std::vector<Row>(rows.begin() + kept.size(), rows.end()), want, name);
  report_.Equal(list.Selected(), static_cast<long long>(rows.size()) - 1, name + ": last row selected");
  rowsSinceClear_ += static_cast<long long>(want.size());
  CheckScore(name);
}

void Driver::FullScan(const std::string& manifestPath) {
  if (!HaveWindow("full scan")) return;
  ListViewProbe list(target_, target_.Control(kIdSuspectList));
  auto manifest = ReadManifest(manifestPath);
  std::vector<Row> want;
  std::string drives;
  for (const std::wstring& root : DriveRoots()) {
    int files = 0;
    std::vector<Row> rows = ExpectedRowsOf(root[0], manifest, &files);
    want.insert(want.end(), rows.begin(), rows.end());
    drives += Narrow(root.substr(0, 2)) + "(" + std::to_string(files) + " files) ";
  }
  report_.Note("full scan over " + drives);
  int before = list.Count();
  std::wstring old = Status();
  ClickButton(kIdFullScanButton);
  // Follow the status line: which drives it walks, and the texts between them.
  std::wstring last = L"\1";
  std::wstring drivesSeen;
  bool sawEnd = false, sawPrepare = false, outOfOrder = false;
  Watch watch = WatchScan(list, old, before, [&](const std::wstring& s) {
    if (s == last) return false;
    last = s;
    if (s == kAllEndText) return true;
    if (s == kEndText) {
      sawEnd = true;
    } else if (s == kPrepareText) {
      sawPrepare = true;
    } else if (s.size() > 2 && s[1] == L':') {
      wchar_t d = static_cast<wchar_t>(towupper(s[0]));
      if (drivesSeen.empty() || drivesSeen.back() != d) {
        if (!drivesSeen.empty() && d < drivesSeen.back()) outOfOrder = true;
        drivesSeen += d;
      }
    }
    return false;
  }, kScanTimeoutMs);
  CheckWatch(watch, before + static_cast<int>(want.size()), " 扫描结束!", "full scan");
  report_.Check(!outOfOrder, "full scan: drives walked in order", "progress went " + Narrow(drivesSeen));
  report_.Note("full scan: progress seen on drives " + Narrow(drivesSeen) + (sawEnd ? ", saw \"扫描结束!\"" : "") +
               (sawPrepare ? ", saw \"准备扫描\"" : ""));
  report_.Check(sawEnd || sawPrepare, "full scan: a drive's end is seen before the next one starts");
  std::vector<Row> rows = list.ReadRows(before);
  std::string onC;
  for (const Row& r : rows)
    if (!r.cells[1].empty() && towupper(r.cells[1][0]) == L'C') onC += RowText(r) + " ";
  report_.Check(onC.empty(), "full scan: no suspect on C:", onC);
  CheckRows(rows, want, "full scan");
  rowsSinceClear_ += static_cast<long long>(want.size());
  CheckScore("full scan");
  int count = list.Count();
  Sleep(15 * kTickMs);
  report_.Equal(Status(), kAllEndText, "full scan: end text stays");
  report_.Equal(list.Count(), count, "full scan: no rows after the end");
}

void Driver::Clear() {
  if (!HaveWindow("clear")) return;
  ListViewProbe list(target_, target_.Control(kIdSuspectList));
  std::wstring status = Status();
  ClickButton(kIdClearButton);
  WaitFor([&] { return list.Count() == 0; }, 20 * kTickMs);
  report_.Equal(list.Count(), 0, "clear: list empty");
  report_.Equal(list.Selected(), -1, "clear: no selection");
  rowsSinceClear_ = 0;
  CheckScore("clear");
  report_.Equal(Status(), status, "clear: status unchanged");
}

void Driver::ClearDuringScan(wchar_t drive, const std::string& manifestPath) {
  std::string name = "clear during scan of " + Narrow(std::wstring(1, drive)) + ":";
  if (!HaveWindow(name)) return;
  ListViewProbe list(target_, target_.Control(kIdSuspectList));
  ClickButton(kIdClearButton);
  int files = 0;
  std::vector<Row> want = ExpectedRowsOf(drive, ReadManifest(manifestPath), &files);
  report_.Note(name + " " + std::to_string(files) + " files, " + std::to_string(want.size()) + " suspects");
  if (!report_.Check(ChooseDrive(drive), name + ": drive chosen")) return;
  ClickButton(kIdScanButton);
  int early = static_cast<int>(want.size() / 10 + 1);
  // An end text left by the scan before says nothing of this one: its rows do.
  bool some = WaitFor([&] { return list.Count() >= early; }, kScanTimeoutMs);
  int before = list.Count();
  if (!report_.Check(some && Status() != kEndText, name + ": scan still running with rows",
                     "status \"" + Narrow(Status()) + "\", " + std::to_string(before) + " rows"))
    return;
  ClickButton(kIdClearButton);
  // The list follows the clear within a moment, while the walk goes on adding rows.
  int after = before;
  WaitFor([&] { after = std::min(after, list.Count()); return after < before / 2; }, 20 * kTickMs);
  report_.Check(after < before / 2, name + ": list emptied",
                std::to_string(before) + " rows before, at least " + std::to_string(after) + " after");
  report_.Check(Status() != kEndText, name + ": scan goes on after the clear");
  bool ended = WaitFor([&] { return Status() == kEndText; }, kScanTimeoutMs);
  report_.Check(ended, name + ": scan ends", "status \"" + Narrow(Status()) + "\"");
  Sleep(3 * kTickMs);
  std::vector<Row> rows = list.ReadRows();
  report_.Check(!rows.empty() && rows.size() < want.size(), name + ": later rows start again",
                std::to_string(rows.size()) + " rows of " + std::to_string(want.size()));
  size_t k = std::min(rows.size(), want.size());
  CheckRows(rows, std::vector<Row>(want.end() - static_cast<long>(k), want.end()), name + " (the rows after the clear)");
  rowsSinceClear_ = static_cast<long long>(rows.size());
  CheckScore(name);
}

int Driver::FindRow(const ListViewProbe& list, const std::wstring& suffix, std::vector<Row>* rows) {
  *rows = list.ReadRows();
  for (int i = 0; i < static_cast<int>(rows->size()); ++i) {
    const std::wstring& n = (*rows)[static_cast<size_t>(i)].cells[0];
    if (n.size() >= suffix.size() && n.compare(n.size() - suffix.size(), suffix.size(), suffix) == 0) return i;
  }
  return -1;
}

void Driver::OpenRow(const std::wstring& suffix, const std::string& logPath) {
  std::string name = "open row *" + Narrow(suffix);
  if (!HaveWindow(name)) return;
  HWND listHwnd = target_.Control(kIdSuspectList);
  ListViewProbe list(target_, listHwnd);
  std::vector<Row> rows;
  int row = FindRow(list, suffix, &rows);
  if (!report_.Check(row >= 0, name + ": such a row", "none of " + std::to_string(rows.size()) + " rows")) return;
  DeleteFileA(logPath.c_str());
  Send(listHwnd, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
  RECT r{};
  if (!report_.Check(list.ItemRect(row, &r), name + ": row rectangle")) return;
  // Double-click the path column, away from the row's edges.
  DoubleClick(listHwnd, POINT{r.left + 200, (r.top + r.bottom) / 2});
  report_.Check(WaitFor([&] { return list.Selected() == row; }, 5000), name + ": the clicked row is selected",
                "selected " + std::to_string(list.Selected()));
  std::wstring wantPath = rows[static_cast<size_t>(row)].cells[1] + rows[static_cast<size_t>(row)].cells[0];
  std::string got;
  WaitFor([&] {
    FILE* f = fopen(logPath.c_str(), "rb");
    if (!f) return false;
    char buf[4096];
    size_t n = fread(buf, 1, sizeof buf, f);
    fclose(f);
    got.assign(buf, n);
    return !got.empty() && got.back() == '\n';
  }, 60000);
  report_.Equal(Widen(got), wantPath + L"\n", name + ": the handler is asked to open exactly the row's path");
  report_.Equal(list.Count(), static_cast<long long>(rows.size()), name + ": rows unchanged");
  report_.Check(Alive(target_.main), name + ": window still answers");
}

// The row's file is deleted first: the open fails, and the program shows nothing of its own.
void Driver::OpenDeleted(const std::wstring& suffix) {
  std::string name = "open deleted file *" + Narrow(suffix);
  if (!HaveWindow(name)) return;
  HWND listHwnd = target_.Control(kIdSuspectList);
  ListViewProbe list(target_, listHwnd);
  std::vector<Row> rows;
  int row = FindRow(list, suffix, &rows);
  if (!report_.Check(row >= 0, name + ": such a row")) return;
  std::wstring path = rows[static_cast<size_t>(row)].cells[1] + rows[static_cast<size_t>(row)].cells[0];
  if (!report_.Check(DeleteFileW(path.c_str()) != FALSE, name + ": file deleted")) return;
  auto windows = VisibleTopWindows();
  Send(listHwnd, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
  RECT r{};
  list.ItemRect(row, &r);
  DoubleClick(listHwnd, POINT{r.left + 200, (r.top + r.bottom) / 2});
  Sleep(8000);
  std::string added = NewWindows(windows, VisibleTopWindows());
  report_.Check(added.empty(), name + ": no message or window", added);
  report_.Check(Alive(target_.main), name + ": window still answers");
  std::vector<Row> after = list.ReadRows();
  report_.Check(after.size() == rows.size() && std::equal(after.begin(), after.end(), rows.begin(), SameRow),
                name + ": list unchanged");
}

void Driver::OpenNone(const std::string& logPath) {
  if (!HaveWindow("open with no selection")) return;
  HWND listHwnd = target_.Control(kIdSuspectList);
  ListViewProbe list(target_, listHwnd);
  ClickButton(kIdClearButton);
  rowsSinceClear_ = 0;
  WaitFor([&] { return list.Count() == 0; }, 20 * kTickMs);
  DeleteFileA(logPath.c_str());
  report_.Equal(list.Selected(), -1, "open with no selection: nothing selected");
  auto windows = VisibleTopWindows();
  RECT client{};
  GetClientRect(listHwnd, &client);
  DoubleClick(listHwnd, POINT{client.right / 2, client.bottom / 2});
  Sleep(8000);  // a launched handler would have written by now
  DWORD attr = GetFileAttributesA(logPath.c_str());
  report_.Check(attr == INVALID_FILE_ATTRIBUTES, "open with no selection: no handler started");
  std::string added = NewWindows(windows, VisibleTopWindows());
  report_.Check(added.empty(), "open with no selection: no window opened", added);
  report_.Check(Alive(target_.main), "open with no selection: window still answers");
  report_.Equal(list.Count(), 0, "open with no selection: list still empty");
  CheckScore("open with no selection");
}

bool Driver::WaitLogLines(const std::string& logPath, size_t lines, DWORD timeoutMs, std::vector<std::string>* got) {
  WaitFor([&] {
    got->clear();
    std::string bytes;
    if (!ReadWholeFile(logPath, bytes)) return false;
    for (size_t pos = 0, end; (end = bytes.find('\n', pos)) != std::string::npos; pos = end + 1)
      got->push_back(bytes.substr(pos, end - pos));
    return got->size() >= lines;
  }, timeoutMs);
  return got->size() >= lines;
}

// With a row selected and room below the last row: a double-click there opens the selected row,
// and its first click keeps the selection (a list view's own click there would clear it).
void Driver::OpenBelow(const std::string& logPath) {
  std::string name = "open below the rows";
  if (!HaveWindow(name)) return;
  HWND listHwnd = target_.Control(kIdSuspectList);
  ListViewProbe list(target_, listHwnd);
  int selected = list.Selected();
  int count = list.Count();
  if (!report_.Check(selected >= 0, name + ": a row is selected")) return;
  RECT last{}, client{};
  GetClientRect(listHwnd, &client);
  list.ItemRect(count - 1, &last);
  if (!report_.Check(last.bottom + 2 * (last.bottom - last.top) < client.bottom, name + ": room below the rows",
                     std::to_string(count) + " rows"))
    return;
  Row row = list.ReadRow(selected);
  DeleteFileA(logPath.c_str());
  DoubleClick(listHwnd, POINT{last.left + 200, (last.bottom + client.bottom) / 2});
  std::vector<std::string> got;
  WaitLogLines(logPath, 1, 60000, &got);
  report_.Equal(Widen(got.empty() ? "" : got[0]), row.cells[1] + row.cells[0], name + ": the selected row's file is opened");
  report_.Equal(list.Selected(), selected, name + ": the selection stays");
  report_.Equal(list.Count(), count, name + ": rows unchanged");
}

// The worker moves the selection to the last row after every file: a double-click on a row
// during a scan still opens that row, whole (directory and name of one row), every time.
void Driver::OpenDuringScan(wchar_t drive, const std::string& logPath) {
  std::string name = "open during scan of " + Narrow(std::wstring(1, drive)) + ":";
  if (!HaveWindow(name)) return;
  HWND listHwnd = target_.Control(kIdSuspectList);
  ListViewProbe list(target_, listHwnd);
  WaitFor([&] { return Status() == kEndText; }, kScanTimeoutMs);  // a scan still running keeps its drive
  if (!report_.Check(ChooseDrive(drive), name + ": drive chosen")) return;
  constexpr int kClicks = 20;
  constexpr int kRow = 1;
  DeleteFileA(logPath.c_str());
  std::vector<std::wstring> want;
  int duringScan = 0;
  bool restart = true;
  DWORD start = GetTickCount();
  while (static_cast<int>(want.size()) < kClicks && GetTickCount() - start < kScanTimeoutMs) {
    if (restart) {
      // The same walk again: the row near the top is the same file every time.
      // The list follows a clear at its next render: until then the last walk's rows still count.
      ClickButton(kIdClearButton);
      WaitFor([&] { return list.Count() == 0; }, 20 * kTickMs);
      ClickButton(kIdScanButton);
      WaitFor([&] { return list.Count() > kRow + 1; }, 30000);
      restart = false;
    }
    RECT r{};
    if (!list.ItemRect(kRow, &r)) break;
    Row row = list.ReadRow(kRow);
    bool running = Status() != kEndText;
    DoubleClick(listHwnd, POINT{r.left + 200, (r.top + r.bottom) / 2});
    want.push_back(row.cells[1] + row.cells[0]);
    duringScan += running ? 1 : 0;
    restart = Status() == kEndText;
  }
  WaitFor([&] { return Status() == kEndText; }, kScanTimeoutMs);
  rowsSinceClear_ = list.Count();
  std::vector<std::string> got;
  WaitLogLines(logPath, want.size(), 60000, &got);
  report_.Note(name + ": " + std::to_string(want.size()) + " double-clicks, " + std::to_string(duringScan) +
               " while the scan ran");
  report_.Check(want.size() == kClicks && duringScan >= kClicks / 2, name + ": double-clicks while rows arrive");
  report_.Equal(static_cast<long long>(got.size()), static_cast<long long>(want.size()), name + ": one open per double-click");
  std::string wrong;
  for (size_t i = 0; i < got.size() && i < want.size(); ++i)
    if (Widen(got[i]) != want[i]) wrong += "\"" + got[i] + "\" for \"" + Narrow(want[i]) + "\" ";
  report_.Check(wrong.empty(), name + ": every double-click opens the clicked row", wrong);
}

bool Driver::Foreground(const std::string& name) {
  SetForegroundWindow(target_.main);
  return report_.Check(WaitFor([&] { return GetForegroundWindow() == target_.main; }, 5000),
                       name + ": window in the foreground");
}

void Driver::Keyboard(wchar_t drive, const std::string& manifestPath) {
  std::string name = "keyboard";
  if (!HaveWindow(name) || !Foreground(name)) return;
  auto walk = [&](const std::vector<int>& ids, bool back, const std::string& what) {
    std::string got;
    bool same = true;
    for (int id : ids) {
      PressKey(VK_TAB, back ? VK_SHIFT : 0);
      int focused = GetDlgCtrlID(FocusOf(target_.main));
      got += std::to_string(focused) + " ";
      same = same && focused == id;
    }
    report_.Check(same, name + ": " + what, "focus went " + got);
  };
  walk({kIdDriveBox, kIdScanButton, kIdFullScanButton, kIdClearButton, kIdSuspectList, kIdDriveBox}, false,
       "Tab walks DriveBox, 扫描, 全盘扫描, 清空列表重置分数, SuspectList and round");
  walk({kIdSuspectList, kIdClearButton, kIdFullScanButton, kIdScanButton, kIdDriveBox}, true,
       "Shift+Tab walks them back");

  ListViewProbe list(target_, target_.Control(kIdSuspectList));
  int files = 0;
  std::vector<Row> want = ExpectedRowsOf(drive, ReadManifest(manifestPath), &files);
  if (!report_.Check(ChooseDrive(drive), name + ": drive chosen")) return;
  PressKey(VK_TAB);
  report_.Equal(GetDlgCtrlID(FocusOf(target_.main)), kIdScanButton, name + ": focus on 扫描");
  int before = list.Count();
  std::wstring old = Status();
  PressKey(VK_RETURN);
  Watch watch = WatchScan(list, old, before, [](const std::wstring& s) { return s == kEndText; }, kScanTimeoutMs);
  report_.Check(watch.ended && watch.end.rows == before + static_cast<int>(want.size()),
                name + ": Enter on 扫描 scans the chosen drive", std::to_string(watch.end.rows) + " rows");
  PressKey(VK_TAB);
  PressKey(VK_TAB);
  report_.Equal(GetDlgCtrlID(FocusOf(target_.main)), kIdClearButton, name + ": focus on 清空列表重置分数");
  PressKey(VK_SPACE);
  report_.Check(WaitFor([&] { return list.Count() == 0; }, 5000), name + ": Space on 清空列表重置分数 clears the list");
  rowsSinceClear_ = 0;
}

// Escape closes the window from every stop of the Tab walk; a dropped-down DriveBox folds up first.
void Driver::EscapeEach(const std::wstring& exe) {
  for (int tabs = 0; tabs <= 5; ++tabs) {
    if (!Launch(exe) || !Foreground("escape")) return;
    for (int i = 0; i < tabs; ++i) PressKey(VK_TAB);
    std::string name = "escape with the focus on control " + std::to_string(GetDlgCtrlID(FocusOf(target_.main)));
    PressKey(VK_ESCAPE);
    WaitExit(name, 30000);
  }
  if (!Launch(exe) || !Foreground("escape")) return;
  HWND box = target_.Control(kIdDriveBox);
  PressKey(VK_TAB);
  PressKey(VK_F4);
  std::string name = "escape on the dropped-down drive box";
  if (!report_.Check(Send(box, CB_GETDROPPEDSTATE, 0, 0) == TRUE, name + ": dropped down")) return;
  PressKey(VK_ESCAPE);
  Sleep(500);
  report_.Check(WaitForSingleObject(target_.process, 0) == WAIT_TIMEOUT && Send(box, CB_GETDROPPEDSTATE, 0, 0) == FALSE,
                name + ": folds it up, the window stays");
  PressKey(VK_ESCAPE);
  WaitExit(name + ", then Escape again", 30000);
}

void Driver::Pause(const std::wstring& ready, const std::wstring& go) {
  HANDLE f = CreateFileW(ready.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f != INVALID_HANDLE_VALUE) CloseHandle(f);
  bool resumed = WaitFor([&] { return GetFileAttributesW(go.c_str()) != INVALID_FILE_ATTRIBUTES; }, 120000);
  DeleteFileW(ready.c_str());
  DeleteFileW(go.c_str());
  report_.Check(resumed, "pause for the harness", "no go signal");
}

void Driver::TimeScan(wchar_t drive) {
  std::string name = "time scan";
  if (!HaveWindow(name)) return;
  if (!report_.Check(ChooseDrive(drive), name + ": drive chosen")) return;
  // The labels are read from the system's copy of their text, which asks nothing of the window;
  // only the round trips do, every kTripEveryMs: the measuring stays off kevu.exe's CPU.
  constexpr DWORD kLookEveryMs = 10;
  constexpr double kTripEveryMs = 30;
  const auto textNow = [](HWND label) {
    wchar_t text[512];
    const int n = InternalGetWindowText(label, text, 512);
    return std::wstring(text, n > 0 ? static_cast<size_t>(n) : 0);
  };
  HWND statusLabel = target_.Control(kIdStatusLabel), scoreLabel = target_.Control(kIdScoreLabel);
  std::vector<double> trips;
  std::wstring shown = textNow(statusLabel), score = textNow(scoreLabel);
  int renders = 0;  // the status names a new file at every progress render while the walk goes on
  int scoreChanges = 0;
  double firstScore = 0, lastScore = 0;  // while suspects arrive
  const double start = NowMs();
  double lastTrip = start;
  ClickButton(kIdScanButton);
  bool ended = false;
  while (!ended) {
    const std::wstring status = textNow(statusLabel);
    ended = status == kEndText;
    if (status != shown) ++renders;
    shown = status;
    const double now = NowMs();
    const std::wstring scoreText = textNow(scoreLabel);
    if (!ended && scoreText != score) {
      if (scoreChanges++ == 0) firstScore = now;
      lastScore = now;
      score = scoreText;
    }
    if (!ended && now - lastTrip >= kTripEveryMs) {
      DWORD_PTR result = 0;
      SendMessageTimeoutW(target_.main, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result);
      lastTrip = NowMs();
      trips.push_back(lastTrip - now);
    }
    if (now - start > 600000) break;
    if (!ended) Sleep(kLookEveryMs);
  }
  const double elapsed = NowMs() - start;
  report_.Check(ended, name + ": scan ends");
  std::sort(trips.begin(), trips.end());
  const auto at = [&](double share) {
    return trips.empty() ? 0.0 : trips[std::min(trips.size() - 1, static_cast<size_t>(share * trips.size()))];
  };
  std::printf(
      "BENCH scan_ms=%.1f roundtrips=%zu roundtrip_median_ms=%.2f roundtrip_p99_ms=%.2f roundtrip_max_ms=%.2f "
      "renders_per_s=%.1f score_changes_per_s=%.1f\n",
      elapsed, trips.size(), at(0.5), at(0.99), trips.empty() ? 0.0 : trips.back(), 1000.0 * renders / elapsed,
      scoreChanges > 1 ? 1000.0 * (scoreChanges - 1) / (lastScore - firstScore) : 0.0);
  std::fflush(stdout);
}

void Driver::EscapeDuringScan(wchar_t drive) {
  std::string name = "escape during scan";
  if (!HaveWindow(name)) return;
  HWND listHwnd = target_.Control(kIdSuspectList);
  if (!report_.Check(ChooseDrive(drive), name + ": drive chosen")) return;
  ClickButton(kIdScanButton);
  std::wstring first = Status();
  bool running = WaitFor([&] { std::wstring s = Status(); return s != first && s != kEndText && !s.empty(); }, 60000);
  report_.Check(running, name + ": scan running", "status \"" + Narrow(Status()) + "\"");
  // Click into the list first, as a user would, then press Escape where the focus is.
  RECT client{};
  GetClientRect(listHwnd, &client);
  const POINT at{client.right / 2, client.bottom - 4};
  SetForegroundWindow(target_.main);
  PressMouse(listHwnd, at, true);
  PressMouse(listHwnd, at, false);
  Sleep(500);
  HWND focus = FocusOf(target_.main);
  report_.Note(name + ": focus on control " + std::to_string(GetDlgCtrlID(focus)));
  PressKey(VK_ESCAPE);
  WaitExit(name, 60000);
}

// What a user sees of the list while rows arrive, as a series of screen captures of its rows
// area: at every column edge each one has the grid line of the steady picture after the scan,
// never the colour of the list's own grid lines (a second paint pass would show those).
void Driver::WatchGridDuringScan(wchar_t drive) {
  std::string name = "grid during scan of " + Narrow(std::wstring(1, drive)) + ":";
  if (!HaveWindow(name)) return;
  HWND listHwnd = target_.Control(kIdSuspectList);
  ListViewProbe list(target_, listHwnd);
  ClickButton(kIdClearButton);
  if (!report_.Check(ChooseDrive(drive), name + ": drive chosen")) return;
  RECT header{}, client{};
  GetWindowRect(reinterpret_cast<HWND>(Send(listHwnd, LVM_GETHEADER, 0, 0)), &header);
  GetClientRect(listHwnd, &client);
  MapWindowPoints(listHwnd, nullptr, reinterpret_cast<POINT*>(&client), 2);
  const RECT area{client.left, header.bottom, client.right, client.bottom};
  const int width = area.right - area.left, height = area.bottom - area.top;
  std::vector<int> edges;  // x of each column's last pixel, in the captured area
  for (int column = 0, x = 0; column < 4; ++column) {
    x += list.ColumnWidth(column);
    if (x - 1 < width) edges.push_back(x - 1);
  }
  const DWORD system = GetSysColor(COLOR_3DFACE);
  const DWORD systemRgb = ((system & 0xFF) << 16) | (system & 0xFF00) | ((system >> 16) & 0xFF);

  ClickButton(kIdScanButton);
  // The end text of the last scan stays until this one shows its progress.
  WaitFor([&] { return Status() != kEndText; }, 10000);
  std::vector<std::vector<DWORD>> shots;
  while (shots.size() < 40 && Status() != kEndText) {
    if (list.Count() > 0) shots.push_back(CaptureScreen(area));
    Sleep(30);
  }
  WaitFor([&] { return Status() == kEndText; }, kScanTimeoutMs);
  Sleep(5 * kTickMs);
  const std::vector<DWORD> steady = CaptureScreen(area);
  report_.Note(name + " " + std::to_string(shots.size()) + " captures while rows arrived");
  if (!report_.Check(steady.size() == static_cast<size_t>(width) * static_cast<size_t>(height) && shots.size() >= 5,
                     name + ": screen captured during the scan"))
    return;
  // The scroll bars that came with the rows took some of the client area: compare what is
  // still client area at the end.
  RECT now{};
  GetClientRect(listHwnd, &now);
  const int keptWidth = std::min<int>(width, now.right);
  const int keptHeight = std::min<int>(height, now.bottom - (header.bottom - client.top));
  int bad = 0;
  std::string detail;
  for (size_t i = 0; i < shots.size(); ++i) {
    std::string where;
    const std::vector<DWORD>& shot = shots[i];
    long systemPixels = 0;
    int missing = 0;
    for (int x : edges) {
      if (x >= keptWidth) continue;
      for (int y = 0; y < keptHeight; ++y) systemPixels += shot[static_cast<size_t>(y * width + x)] == systemRgb;
      for (int y = 0; y < keptHeight; y += 7) {
        const DWORD got = shot[static_cast<size_t>(y * width + x)], want = steady[static_cast<size_t>(y * width + x)];
        if (got == want) continue;
        if (++missing <= 3) {
          char text[96];
          std::snprintf(text, sizeof text, " [%d,%d %06lx/%06lx]", x, y, static_cast<unsigned long>(got),
                        static_cast<unsigned long>(want));
          where += text;
        }
      }
    }
    if (systemPixels > 0 || missing > 0) {
      ++bad;
      if (detail.empty()) {
        detail = "capture " + std::to_string(i) + ": " + std::to_string(systemPixels) +
                 " column-edge pixels in the list's own grid colour, " + std::to_string(missing) +
                 " unlike the steady picture" + where;
      }
    }
  }
  report_.Check(bad == 0, name + ": every capture shows our grid lines only", std::to_string(bad) + " bad, " + detail);
}

Driver::SkinLook Driver::SkinLookArg() {
  SkinLook look{};
  for (DWORD* colour : {&look.face, &look.caption, &look.captionInactive})
    *colour = static_cast<DWORD>(wcstoul(args_[next_++].c_str(), nullptr, 16));
  return look;
}

// What a user sees of the skin: the window's face in the skin's colour at the client area's
// corner, and its caption starting in the skin's caption colour next to the frame's border.
bool Driver::CheckSkinned(HWND window, const SkinLook& look, const std::string& name) {
  SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  SetForegroundWindow(window);
  DWORD face = 0, caption = 0;
  const bool skinned = WaitFor([&] {
    RECT frame{};
    POINT client{0, 0};
    GetWindowRect(window, &frame);
    ClientToScreen(window, &client);
    const int border = client.x - frame.left;
    const RECT facePixel{client.x + 2, client.y + 2, client.x + 3, client.y + 3};
    const RECT captionPixel{frame.left + border + 1, frame.top + border + 2, frame.left + border + 2,
                            frame.top + border + 3};
    const std::vector<DWORD> a = CaptureScreen(facePixel), b = CaptureScreen(captionPixel);
    face = a.empty() ? ~0u : a[0];
    caption = b.empty() ? ~0u : b[0];
    return face == look.face && (caption == look.caption || caption == look.captionInactive);
  }, 15000);
  char seen[96];
  snprintf(seen, sizeof seen, "face %06lx, caption %06lx", static_cast<unsigned long>(face),
           static_cast<unsigned long>(caption));
  return report_.Check(skinned, name + ": window skinned (face and caption in the skin's colours)", seen);
}

void Driver::LaunchTwo(const std::wstring& exe, const SkinLook& look) {
  const std::string name = "two starts at once";
  std::wstring dir = exe.substr(0, exe.find_last_of(L'\\') + 1);
  Target two[2];
  for (Target& t : two) {
    std::wstring cmd = L"\"" + exe + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &si, &pi)) {
      report_.Check(false, name + ": launch", "CreateProcessW error " + std::to_string(GetLastError()));
      break;
    }
    CloseHandle(pi.hThread);
    t.process = pi.hProcess;
    t.pid = pi.dwProcessId;
  }
  for (int i = 0; i < 2; ++i) {
    Target& t = two[i];
    if (!t.process) continue;
    const std::string which = name + ", window " + std::to_string(i + 1);
    const bool shown = WaitFor([&] {
      t.main = FindMainWindow(kMainWindowClass, t.pid);
      return (t.main && IsWindowVisible(t.main) && t.Control(kIdSuspectList) && Alive(t.main)) ||
             WaitForSingleObject(t.process, 0) == WAIT_OBJECT_0;
    }, kWindowTimeoutMs) && t.main && IsWindowVisible(t.main);
    if (report_.Check(shown, which + " appears", "no main window")) CheckSkinned(t.main, look, which);
  }
  for (int i = 0; i < 2; ++i) {
    Target& t = two[i];
    if (!t.process) continue;
    const std::string which = name + ", window " + std::to_string(i + 1);
    if (t.main) CloseByKeyboard(t.main);
    const bool ended = WaitForSingleObject(t.process, 60000) == WAIT_OBJECT_0;
    DWORD code = 1234;
    if (ended) GetExitCodeProcess(t.process, &code);
    if (!ended) TerminateProcess(t.process, 99);
    report_.Check(ended && code == 0, which + ": closes with exit code 0", "code " + std::to_string(code));
    CloseHandle(t.process);
  }
}

// The window is moved to a monitor of another scale while a walk runs, as Windows tells it: first
// asked for its size there, then told the new DPI with a rectangle to take (once with a pointer
// that is not kevu.exe's, which it must survive). It takes the rectangle and the layout for that
// DPI, and the walk ends with every row a plain scan gives.
void Driver::DpiChangeDuringScan(wchar_t drive, const std::string& manifestPath, UINT dpi) {
  std::string name = "DPI " + std::to_string(dpi) + " during a scan of " + Narrow(std::wstring(1, drive)) + ":";
  if (!HaveWindow(name)) return;
  ListViewProbe list(target_, target_.Control(kIdSuspectList));
  ClickButton(kIdClearButton);
  WaitFor([&] { return list.Count() == 0; }, 20 * kTickMs);
  rowsSinceClear_ = 0;
  int files = 0;
  std::vector<Row> want = ExpectedRowsOf(drive, ReadManifest(manifestPath), &files);
  if (!report_.Check(ChooseDrive(drive), name + ": drive chosen")) return;
  std::wstring old = Status();
  ClickButton(kIdScanButton);
  bool running = WaitFor([&] { std::wstring s = Status(); return s != old && s != kEndText && !s.empty(); }, 60000);
  report_.Check(running, name + ": scan running", "status \"" + Narrow(Status()) + "\"");

  constexpr UINT kGetDpiScaledSize = 0x02E4;  // WM_GETDPISCALEDSIZE
  RemoteBuffer remote(target_.process, 64);
  const SIZE none{0, 0};
  SIZE size{};
  remote.Write(0, &none, sizeof none);
  const bool answered = Send(target_.main, kGetDpiScaledSize, dpi, reinterpret_cast<LPARAM>(remote.at(0))) == TRUE;
  remote.Read(0, &size, sizeof size);
  report_.Check(answered && size.cx == Scaled(740, dpi) && size.cy == Scaled(456, dpi),
                name + ": asked, wants the laid-out size at that DPI",
                std::to_string(size.cx) + "x" + std::to_string(size.cy));

  // A pointer into nowhere of kevu.exe's.
  Send(target_.main, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), 16);
  report_.Check(Alive(target_.main), name + ": a rectangle it cannot read is ignored safely");

  RECT now{};
  GetWindowRect(target_.main, &now);
  const RECT suggested{now.left + 7, now.top + 5, now.left + 7 + Scaled(740, dpi), now.top + 5 + Scaled(456, dpi)};
  remote.Write(0, &suggested, sizeof suggested);
  Send(target_.main, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(remote.at(0)));
  GetWindowRect(target_.main, &now);
  report_.Check(EqualRect(&now, &suggested) != FALSE, name + ": takes the suggested rectangle",
                "got " + RectText(now) + ", want " + RectText(suggested));
  report_.Check(Status() != kEndText, name + ": the walk was still going on");

  Watch watch = WatchScan(list, old, 0, [](const std::wstring& s) { return s == kEndText; }, kScanTimeoutMs);
  CheckWatch(watch, static_cast<int>(want.size()), "扫描结束!", name);
  Sleep(3 * kTickMs);
  CheckRows(list.ReadRows(), want, name);
  rowsSinceClear_ = static_cast<long long>(want.size());
  CheckScore(name);
  Geometry(dpi, 0, false);
}

// A window's accessible name as a screen reader gets it through oleacc (OBJID_CLIENT).
bool AccessibleName(HWND hwnd, std::wstring* name) {
  IAccessible* accessible = nullptr;
  if (FAILED(AccessibleObjectFromWindow(hwnd, static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible,
                                        reinterpret_cast<void**>(&accessible))) ||
      accessible == nullptr)
    return false;
  VARIANT self{};
  self.vt = VT_I4;
  self.lVal = CHILDID_SELF;
  BSTR text = nullptr;
  const HRESULT got = accessible->get_accName(self, &text);
  name->assign(text != nullptr ? text : L"");
  SysFreeString(text);
  accessible->Release();
  return SUCCEEDED(got);
}

// What a screen reader reads of the window through oleacc: each label with a caption named by it
// and answering as the Static class (the index that has Windows' oleacc serve it as static text;
// Wine's serves every window as a plain client, so the role itself cannot be read here), each
// button by its text, and the drive prompt just before the drive box in the z-order, where
// oleacc looks for the name of a control that has none. scanEnded: the end text and the verdict
// of the score are read so.
void Driver::ScreenReader(bool scanEnded) {
  const std::string at = scanEnded ? "screen reader after a scan: " : "screen reader: ";
  if (!HaveWindow(at)) return;
  constexpr LRESULT kStaticIndex = 65536 + 3;
  const int labels[] = {kIdStatusLabel, kIdScoreCaptionLabel, kIdScoreLabel, kIdVerdictLabel, kIdDrivePromptLabel,
                        kIdDisclaimerLabel};
  const int buttons[] = {kIdScanButton, kIdFullScanButton, kIdClearButton};
  for (int id : labels) {
    HWND label = target_.Control(id);
    const std::wstring caption = WindowText(label);
    if (caption.empty()) continue;
    std::wstring name;
    const std::string what = at + "label \"" + Narrow(caption) + "\"";
    if (report_.Check(AccessibleName(label, &name), what + " has an accessible object")) report_.Equal(name, caption, what + " read as its caption");
    report_.Equal(Send(label, WM_GETOBJECT, 0, static_cast<LPARAM>(OBJID_QUERYCLASSNAMEIDX)), kStaticIndex,
                  what + " answers as the Static class");
  }
  for (int id : buttons) {
    std::wstring name;
    const std::wstring caption = WindowText(target_.Control(id));
    AccessibleName(target_.Control(id), &name);
    report_.Equal(name, caption, at + "button \"" + Narrow(caption) + "\" read as its text");
  }
  HWND prompt = target_.Control(kIdDrivePromptLabel);
  report_.Check(GetWindow(target_.Control(kIdDriveBox), GW_HWNDPREV) == prompt,
                at + "the drive prompt lies just before the drive box in the z-order");
  if (!scanEnded) return;
  std::wstring status, verdict;
  AccessibleName(target_.Control(kIdStatusLabel), &status);
  AccessibleName(target_.Control(kIdVerdictLabel), &verdict);
  report_.Check(status == kEndText || status == kAllEndText, at + "the end text is read",
                "read \"" + Narrow(status) + "\"");
  const std::wstring want = GbkToWide(VerdictFor(static_cast<int32_t>(100 - rowsSinceClear_)));
  report_.Check(!want.empty(), at + "the score has a verdict to read");
  report_.Equal(verdict, want, at + "the verdict is read");
}

namespace {

// 0x00RRGGBB, as CaptureScreen gives pixels.
DWORD Rgb(COLORREF c) { return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF); }

// WCAG's contrast ratio of two 0x00RRGGBB colours.
double Contrast(DWORD a, DWORD b) {
  const auto luminance = [](DWORD c) {
    double sum = 0;
    const double weights[] = {0.0722, 0.7152, 0.2126};  // blue, green, red
    for (int i = 0; i < 3; ++i) {
      const double v = static_cast<double>((c >> (8 * i)) & 0xFF) / 255.0;
      sum += weights[i] * (v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4));
    }
    return sum;
  };
  const double la = luminance(a), lb = luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

}  // namespace

void Driver::CheckLabelInk(int id, DWORD face, DWORD ink, const std::string& name) {
  HWND label = target_.Control(id);
  RECT r{};
  GetWindowRect(label, &r);
  // The drive box covers the prompt's end.
  RECT box{};
  GetWindowRect(target_.Control(kIdDriveBox), &box);
  RECT shared{};
  if (IntersectRect(&shared, &r, &box)) r.right = box.left;
  const std::vector<DWORD> pixels = CaptureScreen(r);
  const DWORD f = face, t = ink;
  size_t inked = 0, stray = 0;
  DWORD example = 0;
  for (DWORD p : pixels) {
    bool between = true;
    for (int shift = 0; shift < 24; shift += 8) {
      const int c = static_cast<int>((p >> shift) & 0xFF), a = static_cast<int>((f >> shift) & 0xFF),
                b = static_cast<int>((t >> shift) & 0xFF);
      between = between && c >= std::min(a, b) - 2 && c <= std::max(a, b) + 2;
    }
    if (p == t) ++inked;
    if (!between && stray++ == 0) example = p;
  }
  char detail[160];
  snprintf(detail, sizeof detail, "%zu of %zu pixels in %06lx, %zu off the blend with face %06lx (first %06lx)", inked,
           pixels.size(), static_cast<unsigned long>(t), stray, static_cast<unsigned long>(f),
           static_cast<unsigned long>(example));
  report_.Check(inked >= 10 && stray == 0, name + ": \"" + Narrow(WindowText(label)) + "\" drawn in it alone", detail);
}

// Windows' high contrast switched on or off as a user does it: SPI_GETHIGHCONTRAST now tells it
// (Wine cannot turn it on: probe.dll answers in kevu.exe and Skin.dll), and the window hears of
// it as every top-level window does. On: the frame and face are the system's, not the skin's,
// and the labels are drawn in the theme's colours, readable on its face. Off: the labels have
// their own colours again (the skin's return is the skinned step's to check).
void Driver::HighContrast(bool on) {
  const std::string at = on ? "high contrast on: " : "high contrast off: ";
  if (!HaveWindow(at)) return;
  DWORD flag = on ? 1 : 0;
  std::string why;
  const DWORD reported = CallInTarget(target_, "ReportHighContrast", &flag, sizeof flag, true, &why);
  report_.Check(reported == (kContrastReportedToKevu | kContrastReportedToSkin), at + "kevu.exe and Skin.dll are told",
                "answer " + std::to_string(reported) + " " + why);
  Send(target_.main, WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
  Send(target_.main, WM_SYSCOLORCHANGE, 0, 0);
  SetWindowPos(target_.main, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  SetForegroundWindow(target_.main);
  const DWORD face = Rgb(GetSysColor(COLOR_3DFACE));
  DWORD facePixel = 0, captionPixel = 0;
  if (!on) {
    WaitFor([&] {
      POINT client{2, 2};
      ClientToScreen(target_.main, &client);
      const std::vector<DWORD> a = CaptureScreen(RECT{client.x, client.y, client.x + 1, client.y + 1});
      facePixel = a.empty() ? face : a[0];
      return facePixel != face;
    }, 15000);
    CheckLabelInk(kIdDisclaimerLabel, facePixel, 0xFF0000, at + "the disclaimer's own red again");
    return;
  }
  const DWORD captions[] = {Rgb(GetSysColor(COLOR_ACTIVECAPTION)), Rgb(GetSysColor(COLOR_INACTIVECAPTION))};
  const bool system = WaitFor([&] {
    RECT frame{};
    POINT client{0, 0};
    GetWindowRect(target_.main, &frame);
    ClientToScreen(target_.main, &client);
    const int border = client.x - frame.left;
    const std::vector<DWORD> a = CaptureScreen(RECT{client.x + 2, client.y + 2, client.x + 3, client.y + 3});
    const std::vector<DWORD> b = CaptureScreen(RECT{frame.left + border + 1, frame.top + border + 2,
                                                    frame.left + border + 2, frame.top + border + 3});
    facePixel = a.empty() ? ~0u : a[0];
    captionPixel = b.empty() ? ~0u : b[0];
    return facePixel == face && (captionPixel == captions[0] || captionPixel == captions[1]);
  }, 15000);
  char seen[96];
  snprintf(seen, sizeof seen, "face %06lx, caption %06lx", static_cast<unsigned long>(facePixel),
           static_cast<unsigned long>(captionPixel));
  report_.Check(system, at + "frame and face in the system's colours (the skin stepped aside)", seen);
  const DWORD text = Rgb(GetSysColor(COLOR_WINDOWTEXT)), emphasis = Rgb(GetSysColor(COLOR_HOTLIGHT));
  for (DWORD ink : {text, emphasis}) {
    char ratio[64];
    snprintf(ratio, sizeof ratio, "%06lx on %06lx: %.1f:1", static_cast<unsigned long>(ink),
             static_cast<unsigned long>(face), Contrast(ink, face));
    report_.Check(Contrast(ink, face) >= 4.5, at + "the theme's colour " + ratio + " is readable (4.5:1 at least)");
  }
  CheckLabelInk(kIdStatusLabel, face, text, at + "the status in the theme's text colour");
  CheckLabelInk(kIdScoreCaptionLabel, face, text, at + "the score caption in the theme's text colour");
  CheckLabelInk(kIdDrivePromptLabel, face, text, at + "the drive prompt in the theme's text colour");
  CheckLabelInk(kIdScoreLabel, face, emphasis, at + "the red score in the theme's hot-light colour");
  CheckLabelInk(kIdVerdictLabel, face, emphasis, at + "the red verdict in the theme's hot-light colour");
  CheckLabelInk(kIdDisclaimerLabel, face, emphasis, at + "the red disclaimer in the theme's hot-light colour");
}

void Driver::Close() {
  if (!HaveWindow("close")) return;
  CloseByKeyboard(target_.main);
  WaitExit("close", 60000);
}

void Driver::Signal(const std::wstring& exe, bool expectZero) {
  std::string name = "start-up signal of " + Narrow(exe.substr(exe.find_last_of(L'\\') + 1));
  HANDLE mapping = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4096, kSignalMapping);
  auto* view = mapping ? static_cast<unsigned char*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0)) : nullptr;
  if (!report_.Check(view != nullptr, name + ": mapping created", "error " + std::to_string(GetLastError()))) return;
  memset(view, 0xFF, 4096);
  if (Launch(exe)) {
    bool zero = view[0] == 0 && view[1] == 0 && view[2] == 0;
    bool rest = std::all_of(view + 3, view + 4096, [](unsigned char b) { return b == 0xFF; });
    char got[32];
    snprintf(got, sizeof got, "%02X %02X %02X %02X", view[0], view[1], view[2], view[3]);
    if (expectZero)
      report_.Check(zero && rest, name + ": first three bytes zeroed, the rest kept", std::string("bytes ") + got);
    else
      report_.Check(!zero && view[0] == 0xFF && view[1] == 0xFF && view[2] == 0xFF && rest,
                    name + ": mapping untouched", std::string("bytes ") + got);
    Close();
  }
  UnmapViewOfFile(view);
  CloseHandle(mapping);
}

int Driver::Run(int argc, wchar_t** argv) {
  for (int i = 1; i < argc; ++i) args_.emplace_back(argv[i]);
  while (next_ < args_.size()) {
    std::string step = Arg();
    if (step == "launch" && Need(1, step)) {
      Launch(args_[next_++]);
    } else if (step == "attach") {
      Attach();
    } else if (step == "initial") {
      Initial();
    } else if (step == "geometry") {
      UINT dpi = 96;
      int caption96 = 0;
      if (next_ + 1 < args_.size() && iswdigit(args_[next_][0])) {
        dpi = static_cast<UINT>(_wtoi(args_[next_++].c_str()));
        caption96 = _wtoi(args_[next_++].c_str());
      }
      Geometry(dpi, caption96, true);
    } else if (step == "drivebox") {
      std::vector<std::string> items;
      while (next_ < args_.size() && args_[next_].size() >= 2 && (args_[next_][1] == L':' || args_[next_][0] == L'-'))
        items.push_back(Arg());
      DriveBoxItems(items);
    } else if (step == "volume-label" && Need(2, step)) {
      wchar_t d = DriveArg();
      std::wstring want = args_[next_++];
      report_.Equal(VolumeLabel(std::wstring(1, d) + L":\\"), want, "fixture: volume label of " + Narrow(std::wstring(1, d)) + ":");
    } else if (step == "drive-type" && Need(2, step)) {
      wchar_t d = DriveArg();
      std::string want = Arg();
      UINT type = GetDriveTypeW((std::wstring(1, d) + L":\\").c_str());
      report_.Equal(type, want == "removable" ? DRIVE_REMOVABLE : DRIVE_FIXED,
                    "fixture: " + Narrow(std::wstring(1, d)) + ": is " + want);
    } else if (step == "scan-drive" && Need(2, step)) {
      wchar_t d = DriveArg();
      ScanDrive(d, Arg());
    } else if (step == "full-scan" && Need(1, step)) {
      FullScan(Arg());
    } else if (step == "clear") {
      Clear();
    } else if (step == "clear-during-scan" && Need(2, step)) {
      wchar_t d = DriveArg();
      ClearDuringScan(d, Arg());
    } else if (step == "open-row" && Need(2, step)) {
      std::wstring suffix = args_[next_++];
      OpenRow(suffix, Arg());
    } else if (step == "open-deleted" && Need(1, step)) {
      OpenDeleted(args_[next_++]);
    } else if (step == "open-none" && Need(1, step)) {
      OpenNone(Arg());
    } else if (step == "open-below" && Need(1, step)) {
      OpenBelow(Arg());
    } else if (step == "open-during-scan" && Need(2, step)) {
      wchar_t d = DriveArg();
      OpenDuringScan(d, Arg());
    } else if (step == "keyboard" && Need(2, step)) {
      wchar_t d = DriveArg();
      Keyboard(d, Arg());
    } else if (step == "escape-each" && Need(1, step)) {
      EscapeEach(args_[next_++]);
    } else if (step == "pause" && Need(2, step)) {
      std::wstring ready = args_[next_++];
      Pause(ready, args_[next_++]);
    } else if (step == "escape-during-scan" && Need(1, step)) {
      EscapeDuringScan(DriveArg());
    } else if (step == "watch-grid-during-scan" && Need(1, step)) {
      WatchGridDuringScan(DriveArg());
    } else if (step == "dpi-change-during-scan" && Need(3, step)) {
      wchar_t d = DriveArg();
      std::string manifest = Arg();
      DpiChangeDuringScan(d, manifest, static_cast<UINT>(std::atoi(Arg().c_str())));
    } else if (step == "time-scan" && Need(1, step)) {
      TimeScan(DriveArg());
    } else if (step == "close") {
      Close();
    } else if (step == "skinned" && Need(3, step)) {
      const SkinLook look = SkinLookArg();
      if (HaveWindow(step)) CheckSkinned(target_.main, look, "skin");
    } else if (step == "screen-reader") {
      const bool scanEnded = next_ < args_.size() && args_[next_] == L"scan-end";
      if (scanEnded) ++next_;
      ScreenReader(scanEnded);
    } else if (step == "high-contrast" && Need(1, step)) {
      HighContrast(Arg() == "on");
    } else if (step == "launch-two" && Need(4, step)) {
      std::wstring exe = args_[next_++];
      LaunchTwo(exe, SkinLookArg());
    } else if (step == "signal" && Need(2, step)) {
      std::wstring exe = args_[next_++];
      Signal(exe, Arg() == "zero");
    } else {
      report_.Check(false, "step " + step, "unknown step or missing arguments");
    }
  }
  if (target_.process && WaitForSingleObject(target_.process, 0) != WAIT_OBJECT_0) TerminateProcess(target_.process, 99);
  return std::min(report_.failed(), 100);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  // For oleacc, as a screen reader uses it.
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  Driver driver;
  return driver.Run(argc, argv);
}
