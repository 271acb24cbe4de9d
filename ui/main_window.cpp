// MainWindow: its controls, the binding of their events to the handlers, and the rendering of
// ControlState (the logic writes the state from any thread; only this UI thread touches windows).
#include "ui/main_window.h"

#include <commctrl.h>

#include <algorithm>
#include <memory>
#include <string>

#include "scan/scan_launch.h"
#include "scan/scan_worker.h"
#include "state/render_pacing.h"
#include "text/codepage.h"
#include "text/gbk_text.h"
#include "ui/control_ids.h"
#include "ui/drive_box.h"
#include "ui/label.h"
#include "ui/resource.h"
#include "ui/result_list.h"
#include "ui/ui_text.h"
#include "verdict/verdict.h"
#include "win/gdi_owner.h"

namespace {

constexpr int kWindowWidth = 740;
constexpr int kWindowHeight = 456;
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN | WS_VISIBLE;
constexpr UINT_PTR kIdRenderTimer = 2;
// After a growth of the list, its selection and scroll come in a message of their own, so no one
// message carries both a growth and a scrolled repaint.
constexpr UINT kMsgShowSelection = WM_APP + 2;
constexpr UINT kMsgWalkEnded = WM_APP + 3;  // a walk is over: its end is shown at once

// The controls of the window, in creation order, which is also the Tab order (the labels take
// no focus). Sizes, texts, fonts, colours and effects of each are here and nowhere else.
enum class Kind { Label, Button, DriveBox, SuspectList, DriveList };
struct FontSpec {
  int height;        // character height in pixels; 0: the default GUI font
  const char* face;  // UTF-8; "" leaves the face to the system
  BYTE pitch;
};
constexpr FontSpec kGuiFont{0, "", DEFAULT_PITCH};
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kRed = RGB(255, 0, 0);
struct ControlSpec {
  int id;
  Kind kind;
  int left, top, width, height;
  const char* text;  // UTF-8
  FontSpec font = kGuiFont;
  COLORREF color = kBlack;
  LabelEffect effect = LabelEffect::None;
  DWORD group = 0;   // WS_GROUP: the first control of a group for the arrow keys
};
constexpr ControlSpec kControls[] = {
    {kIdDriveBox, Kind::DriveBox, 136, 360, 216, 80, ""},  // 80: the field with its list dropped down
    {kIdScanButton, Kind::Button, 359, 360, 97, 24, "扫描", kGuiFont, kBlack, LabelEffect::None, WS_GROUP},
    {kIdFullScanButton, Kind::Button, 472, 360, 120, 24, "全盘扫描"},
    {kIdClearButton, Kind::Button, 608, 360, 112, 24, "清空列表重置分数"},
    {kIdSuspectList, Kind::SuspectList, 8, 24, 704, 264, ""},
    {kIdStatusLabel, Kind::Label, 16, 8, 704, 16, ""},
    {kIdScoreCaptionLabel, Kind::Label, 16, 304, 80, 32, "健康度:", {19, "", DEFAULT_PITCH}},
    {kIdScoreLabel, Kind::Label, 96, 296, 152, 48, "100", {48, "新宋体", FIXED_PITCH}, kRed, LabelEffect::Shadow},
    {kIdVerdictLabel, Kind::Label, 192, 304, 536, 24, "", {16, "", DEFAULT_PITCH}, kRed, LabelEffect::LightEdge},
    {kIdDrivePromptLabel, Kind::Label, 16, 360, 128, 24, "请选择要搜索的盘符："},
    {kIdDisclaimerLabel, Kind::Label, 16, 400, 568, 16,
     "免责申明:本程序导致的夫妻,情侣,朋友,等关系不和谐,本人概不负责.", kGuiFont, kRed},
    {kIdDriveList, Kind::DriveList, 456, 72, 72, 160, ""},
};
constexpr size_t kControlCount = std::size(kControls);

// The labels that show a caption of the state, by LabelId.
constexpr int kCaptionLabelIds[] = {kIdStatusLabel, kIdScoreLabel, kIdVerdictLabel};

struct MainWindow {
  ControlState* state = nullptr;
  ScanContext* ctx = nullptr;
  std::function<void()> onCreated;
  HWND hwnd = nullptr;
  LabelLook looks[kControlCount];                 // by row of kControls (labels only)
  GdiObject<HFONT> fonts[kControlCount];          // a row's own font, when it has one
  HWND captionLabels[std::size(kCaptionLabelIds)] = {};
  HWND driveBox = nullptr;
  HWND driveList = nullptr;
  SuspectListView list;
  ControlState::ViewVersions rendered;
  std::wstring shownCaptions[std::size(kCaptionLabelIds)];
  RenderPacer pacer;
  bool renderTimerSet = false;
  double renderDue = 0;
  bool selectionPosted = false;
};

HFONT CreateOwnFont(const FontSpec& font) {
  return CreateFontW(-font.height, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, GB2312_CHARSET, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, font.pitch | FF_DONTCARE, UiText(font.face).c_str());
}

HWND CreateButton(HWND parent, const ControlSpec& control, const RECT& rect) {
  return CreateWindowExW(0, WC_BUTTONW, UiText(control.text).c_str(),
                         WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP | BS_PUSHBUTTON | control.group, rect.left,
                         rect.top, rect.right - rect.left, rect.bottom - rect.top, parent,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.id)), GetModuleHandleW(nullptr), nullptr);
}

HWND CreateControl(MainWindow& w, size_t row) {
  const ControlSpec& control = kControls[row];
  const RECT rect{control.left, control.top, control.left + control.width, control.top + control.height};
  switch (control.kind) {
    case Kind::Label:
      if (control.font.height > 0) w.fonts[row].Reset(CreateOwnFont(control.font));
      w.looks[row] = {w.fonts[row].Get(), control.color, control.effect};
      return CreateLabel(w.hwnd, control.id, rect, UiText(control.text), &w.looks[row]);
    case Kind::Button:
      return CreateButton(w.hwnd, control, rect);
    case Kind::DriveBox:
      return w.driveBox = CreateDriveBox(w.hwnd, control.id, rect, *w.state, w.ctx->drives);
    case Kind::SuspectList:
      return CreateSuspectList(w.hwnd, control.id, rect);
    case Kind::DriveList:
      return w.driveList = CreateDriveList(w.hwnd, control.id, rect);
  }
  return nullptr;
}

bool CreateControls(MainWindow& w) {
  // The window starts with these captions; the logic changes them only through the state.
  w.state->SetCaption(LabelId::Status, "");
  w.state->SetCaption(LabelId::Score, IntToText(kFullScore));
  w.state->SetCaption(LabelId::Verdict, "");

  for (size_t row = 0; row < kControlCount; ++row) {
    HWND control = CreateControl(w, row);
    if (!control) return false;
    // Labels lie under the other controls where they meet (the prompt and DriveBox).
    if (kControls[row].kind == Kind::Label)
      SetWindowPos(control, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    if (kControls[row].kind == Kind::SuspectList) w.list.Attach(control, w.state);
  }
  for (size_t i = 0; i < std::size(kCaptionLabelIds); ++i) w.captionLabels[i] = GetDlgItem(w.hwnd, kCaptionLabelIds[i]);

  auto guiFont = reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT));
  for (HWND child = GetWindow(w.hwnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    SendMessageW(child, WM_SETFONT, guiFont, FALSE);
  }
  return true;
}

// captions: by LabelId, from the snapshot the list was rendered from.
void RenderCaption(MainWindow& w, LabelId label, const std::string& caption) {
  const size_t i = static_cast<size_t>(label);
  std::wstring text = GbkToWide(caption);
  if (text == w.shownCaptions[i]) return;
  w.shownCaptions[i] = std::move(text);
  SetWindowTextW(w.captionLabels[i], w.shownCaptions[i].c_str());
}

// The tick count moves in steps of 10 to 16 ms: too coarse to time a render.
double MillisecondsNow() {
  LARGE_INTEGER frequency, now;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&now);
  return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// One timer for the next render; an earlier wish wins over a later one.
void RenderAgainIn(MainWindow& w, double inMs) {
  const double due = MillisecondsNow() + inMs;
  if (w.renderTimerSet && w.renderDue <= due) return;
  w.renderTimerSet = SetTimer(w.hwnd, kIdRenderTimer, static_cast<UINT>(inMs) + 1, nullptr) != 0;
  w.renderDue = due;
}

// The rows, and with them every caption: a score or end text never tells of a row not listed.
// Gives what growing the list took, or -1 when it did not grow.
double RenderList(MainWindow& w, const ControlState::ViewSnapshot& now) {
  const ControlState::ViewVersions& v = now.versions;
  const bool cleared = v.clears != w.rendered.clears;
  const bool grows = w.list.Grows(now.rowCount);
  double growthCost = -1;
  if (cleared || grows || v.rows != w.rendered.rows || v.cells != w.rendered.cells) {
    const double started = MillisecondsNow();
    w.list.Render(now.rowCount, v.cells != w.rendered.cells, cleared);
    if (grows) growthCost = MillisecondsNow() - started;
  }
  for (LabelId label : {LabelId::Status, LabelId::Score, LabelId::Verdict})
    RenderCaption(w, label, now.captions[static_cast<size_t>(label)]);
  const bool selectionChanged = v.selection != w.rendered.selection || v.reveal != w.rendered.reveal;
  if (grows) {
    if (!w.selectionPosted) w.selectionPosted = PostMessageW(w.hwnd, kMsgShowSelection, 0, 0) != FALSE;
  } else if (selectionChanged || cleared) {
    w.list.ShowSelection(v.reveal != w.rendered.reveal);
  }
  w.rendered = v;
  return growthCost;
}

// force: everything now, whatever the pace (the user's own acts, the end of a walk).
void Render(MainWindow& w, bool force = false) {
  if (w.renderTimerSet) KillTimer(w.hwnd, kIdRenderTimer);
  w.renderTimerSet = false;
  const double started = MillisecondsNow();
  // Acknowledge first: a change made while we render notifies again.
  w.state->AcknowledgeChange();
  const ControlState::ViewSnapshot now = w.state->Snapshot();
  // Asked after the snapshot: an end text in it always comes with its walk over.
  const bool walking = !force && IsScanWorkerRunning(*w.ctx);
  const RenderPlan plan = w.pacer.Plan(started, walking, w.list.Grows(now.rowCount));
  double growthCost = -1;
  if (plan.list) {
    growthCost = RenderList(w, now);
  } else if (plan.progress) {
    RenderCaption(w, LabelId::Status, now.captions[static_cast<size_t>(LabelId::Status)]);
  }
  w.pacer.Rendered(started, plan, growthCost);
  if (plan.wakeInMs >= 0) RenderAgainIn(w, plan.wakeInMs);
}

// Handlers of the window's messages.

bool OnCreate(MainWindow& w) {
  if (!CreateControls(w)) return false;
  SetTimer(w.hwnd, kIdScanTimer, 100, nullptr);
  HWND hwnd = w.hwnd;
  w.state->SetChangeNotifier([hwnd] { PostMessageW(hwnd, kMsgStateChanged, 0, 0); });
  w.ctx->onWorkerFinished = [hwnd] { PostMessageW(hwnd, kMsgWalkEnded, 0, 0); };
  if (w.onCreated) w.onCreated();
  Render(w, true);
  RenderDriveList(w.driveList, *w.state);
  return true;
}

// Unacknowledged while a render is due, the state sends no further notices until it comes.
void OnStateChanged(MainWindow& w) {
  if (!w.renderTimerSet) Render(w);
}

void OnShowSelection(MainWindow& w) {
  w.selectionPosted = false;
  w.list.ShowSelection(true);
}

void OnTimer(MainWindow& w, UINT_PTR id) {
  if (id == kIdScanTimer) {
    OnScanTimerTick(*w.ctx);
    // DriveList changes send no change notice; the hidden list box follows at the tick.
    RenderDriveList(w.driveList, *w.state);
  }
  if (id == kIdRenderTimer) Render(w);
}

void OnCommand(MainWindow& w, int id, int code) {
  if (id == kIdScanButton && code == BN_CLICKED) {
    TakeDriveBoxChoice(w.driveBox, *w.state);
    OnScanButtonClick(*w.ctx);
  } else if (id == kIdFullScanButton && code == BN_CLICKED) {
    OnFullScanButtonClick(*w.ctx);
    RenderDriveList(w.driveList, *w.state);
  } else if (id == kIdClearButton && code == BN_CLICKED) {
    OnClearButtonClick(*w.ctx);
    // The user's own act: shown now, so the list never lists rows the state no longer has.
    Render(w, true);
  } else if (id == kIdDriveBox && code == CBN_SELCHANGE) {
    TakeDriveBoxChoice(w.driveBox, *w.state);
  }
}

LRESULT OnNotify(MainWindow& w, const NMHDR& header) {
  LRESULT result = 0;
  if (header.hwndFrom == w.list.Window() && header.code == NM_DBLCLK) {
    const auto& click = reinterpret_cast<const NMITEMACTIVATE&>(header);
    // The row clicked, not the selection: during a scan the worker moves that after every file.
    int row = w.list.DoubleClickedRow(click.ptAction);
    w.list.TakeSelectionFromList();
    if (row >= 0) {
      OpenSuspectListRow(*w.ctx, row);
    } else {
      OnSuspectListDoubleClick(*w.ctx);
    }
    return 0;
  }
  w.list.OnNotify(header, result);
  return result;
}

// Enter presses the button that has the focus (asked by IsDialogMessageW in the loop).
LRESULT OnGetDefaultId(MainWindow& w) {
  HWND focus = GetFocus();
  if (!focus || GetParent(focus) != w.hwnd ||
      !(SendMessageW(focus, WM_GETDLGCODE, 0, 0) & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)))
    return 0;
  return MAKELRESULT(GetDlgCtrlID(focus), DC_HASDEFID);
}

void OnDestroy(MainWindow& w) {
  KillTimer(w.hwnd, kIdScanTimer);
  KillTimer(w.hwnd, kIdRenderTimer);
  PostQuitMessage(0);
}

void OnFinalDestroy(MainWindow* w) {
  delete w;
}

LRESULT CALLBACK MainWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* w = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (message == WM_NCCREATE) {
    w = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    w->hwnd = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(w));
  }
  if (!w) return DefWindowProcW(hwnd, message, wParam, lParam);
  switch (message) {
    case WM_CREATE: return OnCreate(*w) ? 0 : -1;
    case kMsgStateChanged: OnStateChanged(*w); return 0;
    case kMsgShowSelection: OnShowSelection(*w); return 0;
    case kMsgWalkEnded: Render(*w, true); return 0;
    case WM_TIMER: OnTimer(*w, wParam); return 0;
    case WM_COMMAND: OnCommand(*w, LOWORD(wParam), HIWORD(wParam)); return 0;
    case WM_NOTIFY: return OnNotify(*w, *reinterpret_cast<const NMHDR*>(lParam));
    case DM_GETDEFID: return OnGetDefaultId(*w);
    case WM_DESTROY: OnDestroy(*w); return 0;
    case WM_NCDESTROY: SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0); OnFinalDestroy(w); break;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace

bool RegisterMainWindowClass(HINSTANCE instance) {
  INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
  if (!RegisterLabelClass(instance)) return false;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = MainWindowProc;
  wc.hInstance = instance;
  wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_KEVU));
  wc.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_KEVU), IMAGE_ICON,
                                             GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_3DFACE + 1);
  wc.lpszClassName = kMainWindowClass;
  return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

HWND CreateMainWindow(HINSTANCE instance, ControlState& state, ScanContext& ctx, std::function<void()> onCreated) {
  auto w = std::make_unique<MainWindow>();
  w->state = &state;
  w->ctx = &ctx;
  w->onCreated = std::move(onCreated);
  int left = (GetSystemMetrics(SM_CXSCREEN) - kWindowWidth) / 2;
  int top = (GetSystemMetrics(SM_CYSCREEN) - kWindowHeight) / 2;
  // From WM_NCCREATE on, the window owns w and frees it when destroyed (also when creation fails).
  HWND hwnd = CreateWindowExW(0, kMainWindowClass, UiText("KEVU-电脑健康度").c_str(), kWindowStyle, left, top,
                              kWindowWidth, kWindowHeight, nullptr, nullptr, instance, w.get());
  MainWindow* owned = w.release();
  if (!hwnd && !owned->hwnd) delete owned;
  if (hwnd) UpdateWindow(hwnd);
  return hwnd;
}

int RunMessageLoop(HWND mainWindow) {
  HWND driveBox = GetDlgItem(mainWindow, kIdDriveBox);
  MSG msg{};
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    bool ours = msg.hwnd == mainWindow || IsChild(mainWindow, msg.hwnd);
    if (ours && msg.message == WM_KEYDOWN) {
      // Escape closes the window, except that it first folds up a dropped-down DriveBox.
      bool dropped = driveBox && SendMessageW(driveBox, CB_GETDROPPEDSTATE, 0, 0);
      if (msg.wParam == VK_ESCAPE && !dropped) {
        PostMessageW(mainWindow, WM_CLOSE, 0, 0);
        continue;
      }
      // Keyboard use shows where the focus is.
      if (msg.wParam == VK_TAB) SendMessageW(mainWindow, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
    }
    // Tab and Shift+Tab walk the controls, Enter presses the focused button.
    if (ours && IsDialogMessageW(mainWindow, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}
