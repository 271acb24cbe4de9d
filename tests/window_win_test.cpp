// MainWindow in this process: layout, texts and fonts, and the rendering of ControlState into
// the controls (rows, selection, captions, drive lists), driven the way a user or the logic does.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <string>
#include <thread>

#include "state/control_state.h"
#include "support/fakes.h"
#include "text/codepage.h"
#include "ui/control_ids.h"
#include "ui/main_window.h"
#include "win/dpi.h"

namespace {

std::wstring W(const std::string& utf8) { return GbkToWide(Utf8ToGbk(utf8)); }

std::wstring TextOf(HWND window) {
  wchar_t buffer[512] = {};
  SendMessageW(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(buffer));
  return buffer;
}

RECT ClientRectIn(HWND child) {
  RECT rect;
  GetWindowRect(child, &rect);
  MapWindowPoints(HWND_DESKTOP, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

std::wstring CellOf(HWND list, int row, int column) {
  wchar_t buffer[260] = {};
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = buffer;
  item.cchTextMax = 260;
  SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
  return buffer;
}

// Runs the window's messages for a while (rendering is paced at a few tens of milliseconds).
void Pump(DWORD ms = 120) {
  DWORD start = GetTickCount();
  MSG msg;
  while (GetTickCount() - start < ms) {
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    Sleep(5);
  }
}

int createdEvents = 0;
int controlsAtCreatedEvent = 0;

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    HWND probe = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    if (!probe) GTEST_SKIP() << "windows cannot be created here (no display); run under Xvfb";
    DestroyWindow(probe);
    drives.roots = {"C:\\", "D:\\", "E:\\"};
    drives.types = {{"C:\\", DriveType::Fixed}, {"D:\\", DriveType::Removable}, {"E:\\", DriveType::Fixed}};
    drives.labels = {{"C:\\", "System"}};
    drives.currentDrive = 'E';
    createdEvents = 0;
    controlsAtCreatedEvent = 0;
    ASSERT_TRUE(RegisterMainWindowClass(GetModuleHandleW(nullptr)));
    window = CreateMainWindow(GetModuleHandleW(nullptr), state, ctx, [] {
      ++createdEvents;
      HWND found = FindWindowW(kMainWindowClass, nullptr);
      for (int id = kIdStatusLabel; id <= kIdDriveList; ++id) controlsAtCreatedEvent += GetDlgItem(found, id) != nullptr;
    });
    ASSERT_NE(window, nullptr);
    list = GetDlgItem(window, kIdSuspectList);
    Pump(60);
  }
  void TearDown() override {
    if (IsWindow(window)) DestroyWindow(window);
    Pump(20);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
  }
  HWND Control(int id) { return GetDlgItem(window, id); }

  TestContext t_;  // waits for a worker and joins its threads when the test ends
  ControlState& state = t_.controls;
  FakeDriveProvider& drives = t_.drives;
  FakeThreadStarter& threads = t_.threads;
  FakeShellOpener& shell = t_.shell;
  ScanContext& ctx = t_.ctx;
  HWND window = nullptr;
  HWND list = nullptr;
};

constexpr UINT kGetDpiScaledSize = 0x02E4;  // WM_GETDPISCALEDSIZE, Windows 10 1703

int Scaled(int value, UINT dpi) { return MulDiv(value, static_cast<int>(dpi), 96); }

RECT OuterRect(HWND window) {
  RECT outer;
  GetWindowRect(window, &outer);
  return outer;
}

TEST_F(WindowTest, FrameTitleAndPlacement) {
  EXPECT_EQ(createdEvents, 1);
  EXPECT_EQ(controlsAtCreatedEvent, 12) << "the created event comes after every control exists";
  EXPECT_EQ(TextOf(window), W("KEVU-电脑健康度"));
  EXPECT_EQ(ClassOf(window), kMainWindowClass);
  // Here the system's DPI (96 where the tests run), the outer size laid out times DPI / 96,
  // centred on the work area of the window's monitor.
  const UINT dpi = DpiForWindow(window);
  const RECT outer = OuterRect(window);
  EXPECT_EQ(outer.right - outer.left, Scaled(740, dpi));
  EXPECT_EQ(outer.bottom - outer.top, Scaled(456, dpi));
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  ASSERT_TRUE(GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &monitor));
  const RECT& work = monitor.rcWork;
  EXPECT_EQ(outer.left, work.left + (work.right - work.left - Scaled(740, dpi)) / 2);
  EXPECT_EQ(outer.top, work.top + (work.bottom - work.top - Scaled(456, dpi)) / 2);
  LONG style = GetWindowLongW(window, GWL_STYLE);
  EXPECT_TRUE(style & WS_VISIBLE);
  EXPECT_EQ(style & WS_CAPTION, WS_CAPTION);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_FALSE(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX)) << "fixed frame, no min/max box";
  EXPECT_EQ(GetMenu(window), nullptr);
}

// Rectangles at 96 DPI, texts and visibility; at another DPI every edge is scaled.
void ExpectLayoutAt(HWND window, UINT dpi) {
  SCOPED_TRACE("at " + std::to_string(dpi) + " DPI");
  struct Expected {
    int id;
    RECT rect;
    std::string text;
    bool visible;
  };
  const Expected table[] = {
      {kIdStatusLabel, {16, 8, 720, 24}, "", true},
      {kIdSuspectList, {8, 24, 712, 288}, "", true},
      {kIdScoreCaptionLabel, {16, 304, 96, 336}, "健康度:", true},
      {kIdScoreLabel, {96, 296, 248, 344}, "100", true},
      {kIdVerdictLabel, {192, 304, 728, 328}, "", true},
      {kIdDrivePromptLabel, {16, 360, 144, 384}, "请选择要搜索的盘符：", true},
      {kIdScanButton, {359, 360, 456, 384}, "扫描", true},
      {kIdFullScanButton, {472, 360, 592, 384}, "全盘扫描", true},
      {kIdClearButton, {608, 360, 720, 384}, "清空列表重置分数", true},
      {kIdDisclaimerLabel, {16, 400, 584, 416}, "免责申明:本程序导致的夫妻,情侣,朋友,等关系不和谐,本人概不负责.", true},
      {kIdDriveList, {456, 72, 528, 232}, "", false},
  };
  for (const Expected& e : table) {
    HWND control = GetDlgItem(window, e.id);
    ASSERT_NE(control, nullptr) << e.id;
    const RECT want{Scaled(e.rect.left, dpi), Scaled(e.rect.top, dpi), Scaled(e.rect.right, dpi),
                    Scaled(e.rect.bottom, dpi)};
    RECT rect = ClientRectIn(control);
    EXPECT_TRUE(EqualRect(&rect, &want)) << "control " << e.id << " at " << rect.left << "," << rect.top << ","
                                         << rect.right << "," << rect.bottom;
    EXPECT_EQ(TextOf(control), W(e.text)) << e.id;
    EXPECT_EQ(IsWindowVisible(control) != FALSE, e.visible) << e.id;
  }
  HWND box = GetDlgItem(window, kIdDriveBox);
  RECT field = ClientRectIn(box), dropped;
  EXPECT_EQ(field.left, Scaled(136, dpi));
  EXPECT_EQ(field.top, Scaled(360, dpi));
  EXPECT_EQ(field.right, Scaled(352, dpi));
  SendMessageW(box, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
  // Wine reports only the list part below the field, sized by its own rules.
  bool wine = GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
  if (!wine) {
    EXPECT_EQ(dropped.bottom - dropped.top, Scaled(440, dpi) - Scaled(360, dpi)) << "field and dropped list together";
  }
  EXPECT_EQ(GetWindowLongW(box, GWL_STYLE) & 3, CBS_DROPDOWNLIST);
}

// The three fonts of the table by character height, every other control in the default GUI font
// (the stock one's face and size, at dpi), each caption within its control, the list's columns.
void ExpectFontsAndColumnsAt(HWND window, UINT dpi) {
  SCOPED_TRACE("at " + std::to_string(dpi) + " DPI");
  struct Font {
    int id;
    LONG height;
    const char* face;  // nullptr: left to the system
    bool fixedPitch;
  };
  for (const Font& f : {Font{kIdScoreCaptionLabel, 19, nullptr, false}, Font{kIdScoreLabel, 48, "新宋体", true},
                        Font{kIdVerdictLabel, 16, nullptr, false}}) {
    auto font = reinterpret_cast<HFONT>(SendMessageW(GetDlgItem(window, f.id), WM_GETFONT, 0, 0));
    LOGFONTW lf{};
    ASSERT_TRUE(GetObjectW(font, sizeof(lf), &lf)) << f.id;
    EXPECT_EQ(lf.lfHeight, -Scaled(f.height, dpi)) << f.id;
    EXPECT_EQ(lf.lfWeight, FW_BOLD) << f.id;
    EXPECT_EQ(lf.lfCharSet, GB2312_CHARSET) << f.id;
    if (f.face) {
      EXPECT_EQ(std::wstring(lf.lfFaceName), W(f.face));
    }
    EXPECT_EQ((lf.lfPitchAndFamily & 3) == FIXED_PITCH, f.fixedPitch) << f.id;
  }
  LOGFONTW stock{};
  ASSERT_TRUE(GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof stock, &stock));
  HDC screen = GetDC(nullptr);
  const int systemDpi = GetDeviceCaps(screen, LOGPIXELSY);
  for (int id : {kIdStatusLabel, kIdDrivePromptLabel, kIdDisclaimerLabel, kIdScanButton, kIdSuspectList, kIdDriveBox}) {
    LOGFONTW lf{};
    ASSERT_TRUE(GetObjectW(reinterpret_cast<HFONT>(SendMessageW(GetDlgItem(window, id), WM_GETFONT, 0, 0)),
                           sizeof lf, &lf)) << id;
    EXPECT_EQ(std::wstring(lf.lfFaceName), std::wstring(stock.lfFaceName)) << id;
    EXPECT_EQ(lf.lfHeight, MulDiv(stock.lfHeight, static_cast<int>(dpi), systemDpi)) << id;
    EXPECT_EQ(lf.lfWeight, stock.lfWeight) << id;
  }
  for (int id : {kIdScoreCaptionLabel, kIdScoreLabel, kIdDrivePromptLabel, kIdDisclaimerLabel, kIdScanButton,
                 kIdFullScanButton, kIdClearButton}) {
    HWND control = GetDlgItem(window, id);
    const std::wstring text = TextOf(control);
    HGDIOBJ old = SelectObject(screen, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
    SIZE extent{};
    GetTextExtentPoint32W(screen, text.c_str(), static_cast<int>(text.size()), &extent);
    SelectObject(screen, old);
    RECT client;
    GetClientRect(control, &client);
    EXPECT_LE(extent.cx, client.right) << "caption of " << id << " cut off";
  }
  ReleaseDC(nullptr, screen);

  HWND list = GetDlgItem(window, kIdSuspectList);
  const char* headers[] = {"文件名", "路径", "文件大小", "类型"};
  const int widths[] = {150, 250, 150, 150};
  for (int c = 0; c < 4; ++c) {
    wchar_t text[64] = {};
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    column.pszText = text;
    column.cchTextMax = 64;
    ASSERT_TRUE(SendMessageW(list, LVM_GETCOLUMNW, c, reinterpret_cast<LPARAM>(&column)));
    EXPECT_EQ(std::wstring(text), W(headers[c]));
    EXPECT_EQ(column.cx, Scaled(widths[c], dpi));
    EXPECT_EQ(column.fmt & LVCFMT_JUSTIFYMASK, LVCFMT_LEFT);
  }
}

TEST_F(WindowTest, LayoutAndFontsFromTheTablesAtTheWindowsDpiAndAfterADpiChange) {
  const UINT dpi = DpiForWindow(window);
  ExpectLayoutAt(window, dpi);
  ExpectFontsAndColumnsAt(window, dpi);
  LONG style = GetWindowLongW(list, GWL_STYLE);
  for (LONG bit : {LVS_REPORT, LVS_OWNERDATA, LVS_SINGLESEL, LVS_SHOWSELALWAYS, LVS_NOSORTHEADER}) {
    EXPECT_EQ(style & bit, bit);
  }
  EXPECT_TRUE(GetWindowLongW(list, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
  DWORD ex = ListView_GetExtendedListViewStyle(list);
  EXPECT_EQ(ex & (LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT), DWORD(LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT));
  EXPECT_EQ(ListView_GetItemCount(list), 0);

  // Asked before a change, the window wants the laid-out size at the new DPI.
  SIZE size{1, 1};
  EXPECT_TRUE(SendMessageW(window, kGetDpiScaledSize, 144, reinterpret_cast<LPARAM>(&size)));
  EXPECT_EQ(size.cx, 1110);
  EXPECT_EQ(size.cy, 684);

  // Moved to a monitor at 125 %: the suggested rectangle, and everything laid out again. (The
  // system keeps a window within a little more than the screen, 1024x768 here.)
  ListView_SetColumnWidth(list, 1, 40);  // as a user may have dragged it
  RECT suggested{30, 20, 30 + 925, 20 + 570};
  SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(120, 120), reinterpret_cast<LPARAM>(&suggested));
  RECT outer = OuterRect(window);
  EXPECT_TRUE(EqualRect(&outer, &suggested));
  ExpectLayoutAt(window, 120);
  ExpectFontsAndColumnsAt(window, 120);

  // The same messages from elsewhere, with pointers that are not to memory of ours: no crash, and
  // the size for the DPI about the same centre; a value that is no DPI changes nothing.
  char* reserved = static_cast<char*>(VirtualAlloc(nullptr, 65536, MEM_RESERVE, PAGE_NOACCESS));
  char* sealed = static_cast<char*>(VirtualAlloc(nullptr, 4096, MEM_COMMIT, PAGE_NOACCESS));
  char* readOnly = static_cast<char*>(VirtualAlloc(nullptr, 4096, MEM_COMMIT, PAGE_READONLY));
  ASSERT_TRUE(reserved && sealed && readOnly);
  for (const void* bad : {static_cast<const void*>(nullptr), static_cast<const void*>(reserved + 16),
                          static_cast<const void*>(sealed), static_cast<const void*>(readOnly + 4090)}) {
    const auto lParam = reinterpret_cast<LPARAM>(bad);
    SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(108, 108), lParam);
    outer = OuterRect(window);
    EXPECT_EQ(outer.right - outer.left, 833) << bad;
    EXPECT_EQ(outer.bottom - outer.top, 513) << bad;
    EXPECT_LE(std::abs((outer.left + outer.right) - (suggested.left + suggested.right)), 1) << bad;
    EXPECT_FALSE(SendMessageW(window, kGetDpiScaledSize, 120, lParam)) << bad;
  }
  EXPECT_FALSE(SendMessageW(window, kGetDpiScaledSize, 120, reinterpret_cast<LPARAM>(readOnly))) << "read-only";
  VirtualFree(reserved, 0, MEM_RELEASE);
  VirtualFree(sealed, 0, MEM_RELEASE);
  VirtualFree(readOnly, 0, MEM_RELEASE);
  ExpectLayoutAt(window, 108);
  SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(0, 0), reinterpret_cast<LPARAM>(&suggested));
  SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(60000, 60000), reinterpret_cast<LPARAM>(&suggested));
  ExpectLayoutAt(window, 108);
}

TEST_F(WindowTest, DynamicCaptionsShowTheStateOnceRendered) {
  HWND status = Control(kIdStatusLabel);
  std::string progress = Utf8ToGbk("D:\\电影\\性感美女.avi");
  state.SetCaption(LabelId::Status, progress);
  Pump();
  EXPECT_EQ(TextOf(status), GbkToWide(progress));
  EXPECT_EQ(SendMessageW(status, WM_GETTEXTLENGTH, 0, 0), LRESULT(GbkToWide(progress).size()));
  wchar_t small[4] = {L'x', L'x', L'x', L'x'};
  EXPECT_EQ(SendMessageW(status, WM_GETTEXT, 3, reinterpret_cast<LPARAM>(small)), 2);
  EXPECT_EQ(std::wstring(small), L"D:") << "cut to the buffer, NUL-terminated";

  ctx.HealthScore = -12;  // the timer tick writes the score and verdict captions
  Pump(250);
  EXPECT_EQ(TextOf(Control(kIdScoreLabel)), L"-12");
  EXPECT_EQ(TextOf(Control(kIdVerdictLabel)), W("你太厉害了..都负了"));
  Pump();
  EXPECT_EQ(TextOf(Control(kIdScoreCaptionLabel)), W("健康度:")) << "a fixed label keeps its text";
}

TEST_F(WindowTest, RowsAndSelectionFollowTheState) {
  const char* names[] = {"a.avi", "性感美女.avi", "c.torrent"};
  const std::string directory = Utf8ToGbk("D:\\电影\\"), category = Utf8ToGbk("可疑色情视频");
  for (int i = 0; i < 3; ++i) {
    const std::string name = Utf8ToGbk(names[i]), size = std::to_string(100 + i);
    SuspectRow row;
    row.cells = {name, directory, size, category};
    state.AddRow(row);
  }
  Pump();
  ASSERT_EQ(ListView_GetItemCount(list), 3);
  EXPECT_EQ(CellOf(list, 1, 0), W("性感美女.avi"));
  EXPECT_EQ(CellOf(list, 1, 1), W("D:\\电影\\"));
  EXPECT_EQ(CellOf(list, 2, 2), L"102");
  EXPECT_EQ(CellOf(list, 0, 3), W("可疑色情视频"));

  state.SetSelection(2);
  Pump();
  EXPECT_EQ(ListView_GetNextItem(list, -1, LVNI_SELECTED), 2);
  state.SetSelection(0);
  Pump();
  EXPECT_EQ(ListView_GetNextItem(list, -1, LVNI_SELECTED), 0);
  EXPECT_EQ(ListView_GetNextItem(list, 0, LVNI_SELECTED), -1) << "one row selected at most";
  state.SetSelection(-1);
  Pump();
  EXPECT_EQ(ListView_GetNextItem(list, -1, LVNI_SELECTED), -1);

  // A row whose name GBK cannot hold shows the real name and folder.
  SuspectRow lossy;
  lossy.cells[static_cast<int>(Column::Name)] = "?.avi";
  lossy.cells[static_cast<int>(Column::Directory)] = "D:\\x\\";
  lossy.nativePath = L"D:\\x\\\x00E9t\x00E9.avi";
  int odd = state.AddRow(lossy);
  Pump();
  EXPECT_EQ(CellOf(list, odd, 0), L"\x00E9t\x00E9.avi");
  EXPECT_EQ(CellOf(list, odd, 1), L"D:\\x\\");

  state.DeleteAllRows();
  Pump();
  EXPECT_EQ(ListView_GetItemCount(list), 0);
  EXPECT_EQ(CellOf(list, 0, 0), L"");
}

TEST_F(WindowTest, RowsAddedDuringAWalkAllArriveAndTheScoreNeverRunsAhead) {
  constexpr int kRows = 2000;
  std::atomic<bool> done{false};
  // As during a walk: the window paces itself. The score tells of the rows added: shown, those rows
  // must be listed too. The status, the progress, may run ahead of them.
  ASSERT_TRUE(ctx.scanRun.Start(threads, [] {}, [](const ScanRun::Hold&) {}));
  int ahead = 0, looks = 0;
  auto look = [&] {
    const std::wstring score = TextOf(Control(kIdScoreLabel));
    const int listed = ListView_GetItemCount(list);
    ++looks;
    if (!score.empty() && 100 - std::stoi(score) > listed) ++ahead;
  };
  std::thread worker([&] {
    for (int i = 0; i < kRows; ++i) {
      std::string name = "f";
      name += std::to_string(i);
      name += ".avi";
      SuspectRow added;
      added.cells[static_cast<int>(Column::Name)] = name;
      added.cells[static_cast<int>(Column::Directory)] = "C:\\";
      int row = state.AddRow(added);
      state.SetCaption(LabelId::Status, "C:\\" + name);
      state.SetCaption(LabelId::Score, std::to_string(100 - (row + 1)));
      state.SetSelection(row);
      state.MakeRowVisible(row);
    }
    done = true;
  });
  while (!done) {
    Pump(10);
    look();
  }
  worker.join();
  // The walk's end is shown at once, without waiting for the list's next growth.
  threads.RunNext();
  Pump(20);
  look();
  EXPECT_EQ(ahead, 0) << "of " << looks << " looks, the score told of a row not listed yet";
  ASSERT_EQ(ListView_GetItemCount(list), kRows) << "no change notice lost";
  EXPECT_EQ(ListView_GetNextItem(list, -1, LVNI_SELECTED), kRows - 1);
  EXPECT_EQ(CellOf(list, kRows - 1, 0), W("f1999.avi"));
  int top = ListView_GetTopIndex(list);
  int perPage = ListView_GetCountPerPage(list);
  EXPECT_LE(top, kRows - 1);
  EXPECT_GE(top + perPage, kRows - 1) << "the last row was scrolled into view";
  EXPECT_EQ(TextOf(Control(kIdStatusLabel)), L"C:\\f1999.avi");
}

TEST_F(WindowTest, UserSelectionAndDoubleClickOpenTheClickedRow) {
  const std::string directory = Utf8ToGbk("D:\\电影\\");
  for (const char* name : {"a.avi", "b.avi", "c.avi"}) {
    SuspectRow row;
    row.cells = {name, directory};
    state.AddRow(row);
  }
  Pump();
  // The user's own selection (the list changes it itself) reaches the state at once.
  ListView_SetItemState(list, 1, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  EXPECT_EQ(state.Selection(), 1);

  RECT rowRect{};
  rowRect.left = LVIR_BOUNDS;
  ASSERT_TRUE(SendMessageW(list, LVM_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&rowRect)));
  LPARAM at = MAKELPARAM(rowRect.left + 20, (rowRect.top + rowRect.bottom) / 2);
  SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageW(list, WM_LBUTTONUP, 0, at);
  SendMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
  SendMessageW(list, WM_LBUTTONUP, 0, at);
  Pump(40);
  EXPECT_EQ(state.Selection(), 2);
  ASSERT_EQ(shell.calls.size(), 1u);
  EXPECT_EQ(shell.calls[0].first, Utf8ToGbk("D:\\电影\\c.avi"));
}

TEST_F(WindowTest, DriveBoxListsFixedDisksAndFeedsTheScanButton) {
  HWND box = Control(kIdDriveBox);
  ASSERT_EQ(SendMessageW(box, CB_GETCOUNT, 0, 0), 2) << "the removable D: is left out";
  wchar_t text[64] = {};
  SendMessageW(box, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(text));
  EXPECT_EQ(std::wstring(text), W("C: （硬盘） System"));
  SendMessageW(box, CB_GETLBTEXT, 1, reinterpret_cast<LPARAM>(text));
  EXPECT_EQ(std::wstring(text), W("E: （硬盘）"));
  EXPECT_EQ(SendMessageW(box, CB_GETITEMDATA, 0, 0), 'C');
  EXPECT_EQ(SendMessageW(box, CB_GETCURSEL, 0, 0), 1) << "the current drive E: is chosen";
  EXPECT_EQ(state.DriveBoxCurrentDrive(), "E");

  // A choice made without a change notice still counts when the scan button is pressed.
  SendMessageW(box, CB_SETCURSEL, 0, 0);
  SendMessageW(Control(kIdScanButton), BM_CLICK, 0, 0);
  EXPECT_EQ(ctx.ScanRoot, "C:\\");
  EXPECT_EQ(ctx.AllDrivesMode.load(), 0);
  EXPECT_EQ(threads.Started(), 1);
  EXPECT_TRUE(threads.RunNext()) << "the walk of the empty C: ends at once";
}

TEST_F(WindowTest, HiddenDriveListMirrorsTheState) {
  HWND driveList = Control(kIdDriveList);
  state.AppendDriveItem("C:\\");
  state.AppendDriveItem("D:\\");
  state.SetDriveSelection(1);
  Pump(250);
  ASSERT_EQ(SendMessageW(driveList, LB_GETCOUNT, 0, 0), 2);
  wchar_t text[16] = {};
  SendMessageW(driveList, LB_GETTEXT, 1, reinterpret_cast<LPARAM>(text));
  EXPECT_EQ(std::wstring(text), L"D:\\");
  EXPECT_EQ(SendMessageW(driveList, LB_GETCURSEL, 0, 0), 1);
  EXPECT_FALSE(IsWindowVisible(driveList));
}

TEST_F(WindowTest, EscapeInAControlClosesTheWindowAndEndsTheLoop) {
  SetFocus(list);
  PostMessageW(list, WM_KEYDOWN, VK_ESCAPE, 0);
  RunMessageLoop(window);
  EXPECT_FALSE(IsWindow(window));
}

TEST_F(WindowTest, CloseButtonClosesWithoutQuestion) {
  PostMessageW(window, WM_CLOSE, 0, 0);
  RunMessageLoop(window);
  EXPECT_FALSE(IsWindow(window));
}

}  // namespace
