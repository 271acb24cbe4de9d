// MainWindow: its controls, the binding of their events to the handlers, and the rendering of
// ControlState (the logic writes the state from any thread; only this UI thread touches windows).
#include "ui/main_window.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "scan/scan_launch.h"
#include "scan/scan_worker.h"
#include "state/render_pacing.h"
#include "text/codepage.h"
#include "ui/accessibility.h"
#include "ui/control_ids.h"
#include "ui/drive_box.h"
#include "ui/label.h"
#include "ui/resource.h"
#include "ui/result_list.h"
#include "ui/ui_text.h"
#include "verdict/result_actions.h"
#include "verdict/score_display.h"
#include "verdict/timer_tick.h"
#include "win/dpi.h"
#include "win/gdi_owner.h"
#include "win/high_contrast.h"

namespace {

// The outer size at 96 DPI, frame and caption included; like every size below it is scaled to the
// window's DPI.
constexpr int kWindowWidth = 740;
constexpr int kWindowHeight = 456;
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN | WS_VISIBLE;
constexpr UINT_PTR kIdRenderTimer = 2;
// After a growth of the list, its selection and scroll come in a message of their own, so no one
// message carries both a growth and a scrolled repaint.
constexpr UINT kMsgShowSelection = WM_APP + 2;
constexpr UINT kMsgWalkEnded = WM_APP + 3;  // a walk is over: its end is shown at once
constexpr UINT kMsgGetDpiScaledSize = 0x02E4;  // WM_GETDPISCALEDSIZE (Windows 10 1703)
// What Windows reports runs from 96 (100 %) to 480 (500 %); anything far outside is not a DPI.
constexpr UINT kMinDpi = 48;
constexpr UINT kMaxDpi = 960;

// The controls of the window, in creation order, which is also the Tab order (the labels take
// no focus). Sizes, texts, fonts, colours and effects of each are here and nowhere else.
enum class ControlKind { Label, Button, DriveBox, SuspectList, DriveList };
struct FontSpec {
  int height;        // character height in pixels at 96 DPI; 0: the default GUI font
  const char* face;  // UTF-8; "" leaves the face to the system
  BYTE pitch;
};
constexpr FontSpec kGuiFont{0, "", DEFAULT_PITCH};
constexpr LabelInk kBlack = LabelInk::Black;
constexpr LabelInk kRed = LabelInk::Red;
struct ControlSpec {
  int id;
  ControlKind kind;
  int left, top, width, height;  // at 96 DPI
  const char* text;  // UTF-8
  FontSpec font = kGuiFont;
  LabelInk ink = kBlack;  // labels: drawn as LabelPaintFor decides
  LabelEffect effect = LabelEffect::None;
  DWORD group = 0;   // WS_GROUP: the first control of a group for the arrow keys
};
constexpr ControlSpec kControls[] = {
    {kIdDriveBox, ControlKind::DriveBox, 136, 360, 216, 80, ""},  // 80: the field with its list dropped down
    {kIdScanButton, ControlKind::Button, 359, 360, 97, 24, "扫描", kGuiFont, kBlack, LabelEffect::None, WS_GROUP},
    {kIdFullScanButton, ControlKind::Button, 472, 360, 120, 24, "全盘扫描"},
    {kIdClearButton, ControlKind::Button, 608, 360, 112, 24, "清空列表重置分数"},
    {kIdSuspectList, ControlKind::SuspectList, 8, 24, 704, 264, ""},
    {kIdStatusLabel, ControlKind::Label, 16, 8, 704, 16, ""},
    {kIdScoreCaptionLabel, ControlKind::Label, 16, 304, 80, 32, "健康度:", {19, "", DEFAULT_PITCH}},
    {kIdScoreLabel, ControlKind::Label, 96, 296, 152, 48, "100", {48, "新宋体", FIXED_PITCH}, kRed, LabelEffect::Shadow},
    {kIdVerdictLabel, ControlKind::Label, 192, 304, 536, 24, "", {16, "", DEFAULT_PITCH}, kRed, LabelEffect::LightEdge},
    {kIdDrivePromptLabel, ControlKind::Label, 16, 360, 128, 24, "请选择要搜索的盘符："},
    {kIdDisclaimerLabel, ControlKind::Label, 16, 400, 568, 16,
     "免责申明:本程序导致的夫妻,情侣,朋友,等关系不和谐,本人概不负责.", kGuiFont, kRed},
    {kIdDriveList, ControlKind::DriveList, 456, 72, 72, 160, ""},
};
constexpr size_t kControlCount = std::size(kControls);

// The labels that show a caption of the state.
struct CaptionLabel {
  LabelId label;
  int id;
};
constexpr CaptionLabel kCaptionLabels[] = {
    {LabelId::Status, kIdStatusLabel}, {LabelId::Score, kIdScoreLabel}, {LabelId::Verdict, kIdVerdictLabel}};
static_assert(std::size(kCaptionLabels) == kLabelCount, "a label for every LabelId");

struct MainWindow {
  ControlState* state = nullptr;
  ScanContext* ctx = nullptr;
  std::function<void()> onCreated;
  HINSTANCE instance = nullptr;
  HWND hwnd = nullptr;
  UINT dpi = kBaseDpi;                            // what every size is scaled to
  LabelLook looks[kControlCount];                 // by row of kControls (labels only)
  GdiObject<HFONT> fonts[kControlCount];          // a row's own font, when it has one
  GdiObject<HFONT> guiFont;                       // the system's default GUI font at dpi
  OwnedIcon icons[2];                             // small and big, at dpi
  HWND captionLabels[kLabelCount] = {};
  HWND driveBox = nullptr;
  HWND driveList = nullptr;
  SuspectListView list;
  ControlState::ViewVersions rendered;
  std::wstring shownCaptions[kLabelCount];
  RenderPacer pacer;
  bool renderTimerSet = false;
  double renderDue = 0;
  bool selectionPosted = false;
  bool scanEndAnnounced = false;  // the shown end of a scan has been announced
  Annotations annotations;
};

// A rectangle of the table at dpi: its edges are scaled, so controls that meet at 96 DPI still meet.
RECT ScaledRect(const ControlSpec& control, UINT dpi) {
  return RECT{ScaleForDpi(control.left, dpi), ScaleForDpi(control.top, dpi),
              ScaleForDpi(control.left + control.width, dpi), ScaleForDpi(control.top + control.height, dpi)};
}

HFONT CreateOwnFont(const FontSpec& font, UINT dpi) {
  return CreateFontW(-ScaleForDpi(font.height, dpi), 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, GB2312_CHARSET,
                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, font.pitch | FF_DONTCARE,
                     UiText(font.face).c_str());
}

// The stock object is made for the system's DPI only: the same face and size, at dpi.
HFONT CreateGuiFont(UINT dpi) {
  LOGFONTW font{};
  if (!GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof font, &font)) return nullptr;
  const UINT systemDpi = SystemDpi();
  font.lfHeight = MulDiv(font.lfHeight, static_cast<int>(dpi), static_cast<int>(systemDpi));
  font.lfWidth = MulDiv(font.lfWidth, static_cast<int>(dpi), static_cast<int>(systemDpi));
  return CreateFontIndirectW(&font);
}

// Every font at w.dpi; the controls are given the new ones before the old ones are deleted.
void SetFonts(MainWindow& w) {
  GdiObject<HFONT> fresh[kControlCount];
  for (size_t row = 0; row < kControlCount; ++row) {
    const ControlSpec& control = kControls[row];
    if (control.kind != ControlKind::Label) continue;
    if (control.font.height > 0) fresh[row].Reset(CreateOwnFont(control.font, w.dpi));
    w.looks[row].font = fresh[row].Get();
    w.looks[row].dpi = w.dpi;
  }
  GdiObject<HFONT> gui(CreateGuiFont(w.dpi));
  const auto guiFont = reinterpret_cast<WPARAM>(gui ? gui.Get() : GetStockObject(DEFAULT_GUI_FONT));
  for (HWND child = GetWindow(w.hwnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    SendMessageW(child, WM_SETFONT, guiFont, FALSE);
  }
  for (size_t row = 0; row < kControlCount; ++row) w.fonts[row].Reset(fresh[row].Release());
  w.guiFont.Reset(gui.Release());
}

// Each label's colour and effect for the high contrast setting; true when any of them changed.
bool SetLabelColours(MainWindow& w, bool highContrast) {
  // COLOR_WINDOWTEXT on COLOR_3DFACE is the pair the system's own static text is drawn in;
  // COLOR_HOTLIGHT is the theme's text colour set apart from it and readable on its face.
  const SystemInks theme{GetSysColor(COLOR_WINDOWTEXT), GetSysColor(COLOR_HOTLIGHT)};
  bool changed = false;
  for (size_t row = 0; row < kControlCount; ++row) {
    const ControlSpec& control = kControls[row];
    if (control.kind != ControlKind::Label) continue;
    const LabelPaint paint = LabelPaintFor(control.ink, control.effect, highContrast, theme);
    LabelLook& look = w.looks[row];
    changed = changed || look.color != paint.color || look.effect != paint.effect;
    look.color = paint.color;
    look.effect = paint.effect;
  }
  return changed;
}

// At start and on every change of the system's settings or colours: high contrast on or off (the
// skin steps aside by itself), and the theme's colours.
void FollowSystemColours(MainWindow& w) {
  if (SetLabelColours(w, HighContrastOn())) RedrawWindow(w.hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
}

void OnSysColorChange(MainWindow& w) {
  // The system tells top-level windows only; common controls take the new colours when told.
  if (HWND list = w.list.Window()) SendMessageW(list, WM_SYSCOLORCHANGE, 0, 0);
  FollowSystemColours(w);
}

// The application's icon from the .ico size the system wants at w.dpi (the class's are for its DPI).
void SetIcons(MainWindow& w) {
  const struct {
    WPARAM which;
    int width, height;
  } kIcons[] = {{ICON_SMALL, SM_CXSMICON, SM_CYSMICON}, {ICON_BIG, SM_CXICON, SM_CYICON}};
  for (size_t i = 0; i < std::size(kIcons); ++i) {
    auto icon = static_cast<HICON>(LoadImageW(w.instance, MAKEINTRESOURCEW(IDI_KEVU), IMAGE_ICON,
                                              SystemMetricForDpi(kIcons[i].width, w.dpi),
                                              SystemMetricForDpi(kIcons[i].height, w.dpi), 0));
    if (icon == nullptr) continue;
    SendMessageW(w.hwnd, WM_SETICON, kIcons[i].which, reinterpret_cast<LPARAM>(icon));
    w.icons[i].Reset(icon);  // the one it replaced goes
  }
}

// The outer size at w.dpi, centred on the work area of the window's monitor; a window larger than
// that area keeps its caption on it.
void PlaceWindow(MainWindow& w) {
  const int width = ScaleForDpi(kWindowWidth, w.dpi), height = ScaleForDpi(kWindowHeight, w.dpi);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  if (GetMonitorInfoW(MonitorFromWindow(w.hwnd, MONITOR_DEFAULTTOPRIMARY), &monitor)) work = monitor.rcWork;
  const int left = std::max(work.left, work.left + (work.right - work.left - width) / 2);
  const int top = std::max(work.top, work.top + (work.bottom - work.top - height) / 2);
  SetWindowPos(w.hwnd, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

// oleacc names a control without a name of its own after the static text just before it in the
// z-order: the prompt goes there. The Tab order walks tab stops only, so it stays; the prompt's
// region leaves out the drive box, which still paints the part they share.
void PlacePrompt(MainWindow& w) {
  HWND prompt = GetDlgItem(w.hwnd, kIdDrivePromptLabel);
  if (prompt == nullptr || w.driveBox == nullptr) return;
  HWND above = GetWindow(w.driveBox, GW_HWNDPREV);
  if (above != prompt)
    SetWindowPos(prompt, above != nullptr ? above : HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  RECT own, box;
  GetWindowRect(prompt, &own);
  GetWindowRect(w.driveBox, &box);
  OffsetRect(&box, -own.left, -own.top);
  HRGN region = CreateRectRgn(0, 0, own.right - own.left, own.bottom - own.top);
  GdiObject<HRGN> shared(CreateRectRgn(box.left, box.top, box.right, box.bottom));
  if (region != nullptr && shared) CombineRgn(region, region, shared.Get(), RGN_DIFF);
  // The system owns the region from here on.
  if (region != nullptr && !SetWindowRgn(prompt, region, TRUE)) DeleteObject(region);
}

// Every control where the table puts it at w.dpi, the list's columns as wide as laid out.
void MoveControls(MainWindow& w) {
  for (const ControlSpec& control : kControls) {
    HWND child = GetDlgItem(w.hwnd, control.id);
    if (child == nullptr) continue;
    const RECT rect = ScaledRect(control, w.dpi);
    // Painted once all have moved.
    SetWindowPos(child, nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
  }
  if (HWND list = w.list.Window()) SizeSuspectListColumns(list, w.dpi);
  PlacePrompt(w);
}

HWND CreateButton(HWND parent, const ControlSpec& control, const RECT& rect) {
  return CreateWindowExW(0, WC_BUTTONW, UiText(control.text).c_str(),
                         WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP | BS_PUSHBUTTON | control.group, rect.left,
                         rect.top, rect.right - rect.left, rect.bottom - rect.top, parent,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.id)), GetModuleHandleW(nullptr), nullptr);
}

HWND CreateControl(MainWindow& w, size_t row) {
  const ControlSpec& control = kControls[row];
  const RECT rect = ScaledRect(control, w.dpi);
  switch (control.kind) {
    case ControlKind::Label:
      // Its look (font, colour, effect) is filled in by SetFonts before it first paints.
      return CreateLabel(w.hwnd, control.id, rect, UiText(control.text), &w.looks[row]);
    case ControlKind::Button:
      return CreateButton(w.hwnd, control, rect);
    case ControlKind::DriveBox:
      return w.driveBox = CreateDriveBox(w.hwnd, control.id, rect);
    case ControlKind::SuspectList:
      return CreateSuspectList(w.hwnd, control.id, rect, w.dpi);
    case ControlKind::DriveList:
      return w.driveList = CreateDriveList(w.hwnd, control.id, rect);
  }
  return nullptr;
}

// The text the table gives the control with this id.
const char* TableText(int id) {
  for (const ControlSpec& control : kControls)
    if (control.id == id) return control.text;
  return "";
}

bool CreateControls(MainWindow& w) {
  // The labels start with their table texts; the logic changes them only through the state.
  for (const CaptionLabel& caption : kCaptionLabels) w.state->SetCaption(caption.label, Utf8ToGbk(TableText(caption.id)));
  LoadDriveBox(*w.state, w.ctx->drives);

  for (size_t row = 0; row < kControlCount; ++row) {
    HWND control = CreateControl(w, row);
    if (!control) return false;
    // Labels lie under the other controls where they meet; the prompt is placed apart (PlacePrompt).
    if (kControls[row].kind == ControlKind::Label)
      SetWindowPos(control, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    if (kControls[row].kind == ControlKind::SuspectList) w.list.Attach(control, w.state);
  }
  for (const CaptionLabel& caption : kCaptionLabels)
    w.captionLabels[LabelIndex(caption.label)] = GetDlgItem(w.hwnd, caption.id);
  SetFonts(w);
  FollowSystemColours(w);
  PlacePrompt(w);
  // A scan's end is announced by its status and verdict labels.
  const HWND live[] = {w.captionLabels[LabelIndex(LabelId::Status)], w.captionLabels[LabelIndex(LabelId::Verdict)]};
  w.annotations.Annotate(w.driveBox, UiText(TableText(kIdDrivePromptLabel)).c_str(), live, std::size(live));
  return true;
}

// One label's caption from the snapshot the list was rendered from.
void RenderCaption(MainWindow& w, LabelId label, const ControlState::ViewSnapshot& now) {
  const int i = LabelIndex(label);
  std::wstring text = GbkToWide(now.captions[i]);
  if (text == w.shownCaptions[i]) return;
  w.shownCaptions[i] = std::move(text);
  SetWindowTextW(w.captionLabels[i], w.shownCaptions[i].c_str());
}

// Once when the end of a scan shows with its verdict: screen readers read the end text, then the verdict.
void AnnounceScanEnd(MainWindow& w, const ControlState::ViewSnapshot& now) {
  const int status = LabelIndex(LabelId::Status), verdict = LabelIndex(LabelId::Verdict);
  const bool shown = ShowsScanEnd(*w.ctx, now.captions[status], now.captions[verdict]);
  if (shown && !w.scanEndAnnounced) {
    AnnounceLiveRegion(w.captionLabels[status]);
    // Empty for a full score: nothing to read.
    if (!now.captions[verdict].empty()) AnnounceLiveRegion(w.captionLabels[verdict]);
  }
  w.scanEndAnnounced = shown;
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

// The rows, and with them every caption: a score or end text never tells of a row not listed;
// the drive box and list too. Gives what growing the list took, or -1 when it did not grow.
double RenderList(MainWindow& w, const ControlState::ViewSnapshot& now) {
  const ControlState::ViewVersions& v = now.versions;
  const bool cleared = v.clears != w.rendered.clears;
  const bool grows = w.list.Grows(now.rowCount);
  double growthCost = -1;
  if (cleared || grows || v.rows != w.rendered.rows) {
    const double started = MillisecondsNow();
    w.list.Render(now.rowCount, cleared);
    if (grows) growthCost = MillisecondsNow() - started;
  }
  for (const CaptionLabel& caption : kCaptionLabels) RenderCaption(w, caption.label, now);
  AnnounceScanEnd(w, now);
  const bool selectionChanged = v.selection != w.rendered.selection || v.reveal != w.rendered.reveal;
  if (grows) {
    if (!w.selectionPosted) w.selectionPosted = PostMessageW(w.hwnd, kMsgShowSelection, 0, 0) != FALSE;
  } else if (selectionChanged || cleared) {
    w.list.ShowSelection(v.reveal != w.rendered.reveal);
  }
  if (v.driveBox != w.rendered.driveBox) RenderDriveBox(w.driveBox, *w.state);
  if (v.driveList != w.rendered.driveList) RenderDriveList(w.driveList, *w.state);
  w.rendered = v;
  return growthCost;
}

// Now: everything at once, whatever the pace (the user's own acts, the end of a walk).
enum class Pace { Paced, Now };
void Render(MainWindow& w, Pace pace = Pace::Paced) {
  if (w.renderTimerSet) KillTimer(w.hwnd, kIdRenderTimer);
  w.renderTimerSet = false;
  const double started = MillisecondsNow();
  // Acknowledge first: a change made while we render notifies again.
  w.state->AcknowledgeChange();
  const ControlState::ViewSnapshot now = w.state->Snapshot();
  // Asked after the snapshot: an end text in it always comes with its walk over.
  const bool walking = pace == Pace::Paced && w.ctx->scanRun.IsRunning();
  const RenderPlan plan = w.pacer.Plan(started, walking, w.list.Grows(now.rowCount));
  double growthCost = -1;
  if (plan.list) {
    growthCost = RenderList(w, now);
  } else if (plan.progress) {
    RenderCaption(w, LabelId::Status, now);
  }
  w.pacer.Rendered(started, plan, growthCost);
  if (plan.wakeInMs >= 0) RenderAgainIn(w, plan.wakeInMs);
}

// Handlers of the window's messages.

bool OnCreate(MainWindow& w) {
  // Created at the size for 96 DPI; now it is on a monitor, it takes the size for that one's.
  w.dpi = DpiForWindow(w.hwnd);
  PlaceWindow(w);
  if (!CreateControls(w)) return false;
  SetIcons(w);
  SetTimer(w.hwnd, kIdScanTimer, 100, nullptr);
  HWND hwnd = w.hwnd;
  w.state->SetChangeNotifier([hwnd] { PostMessageW(hwnd, kMsgStateChanged, 0, 0); });
  w.ctx->scanRun.SetFinishNotifier([hwnd] { PostMessageW(hwnd, kMsgWalkEnded, 0, 0); });
  if (w.onCreated) w.onCreated();
  Render(w, Pace::Now);
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
  if (id == kIdScanTimer) OnScanTimerTick(*w.ctx);
  if (id == kIdRenderTimer) Render(w);
}

// The steps of the controls' events. A handler gets the notification's header (nullptr for
// WM_COMMAND); the UI steps before and after it get the window.
using UiStep = void (*)(MainWindow&);
using EventHandler = void (*)(MainWindow&, const NMHDR*);

// A handler of the logic that needs nothing from the notification.
template <void (*Handler)(ScanContext&)>
void Handle(MainWindow& w, const NMHDR*) {
  Handler(*w.ctx);
}

void OpenDoubleClickedRow(MainWindow& w, const NMHDR* header) {
  const auto& click = *reinterpret_cast<const NMITEMACTIVATE*>(header);
  // The row clicked, not the selection: during a scan the worker moves that after every file.
  OnSuspectListDoubleClick(*w.ctx, w.list.DoubleClickedRow(click.ptAction));
}

void TakeDriveChoice(MainWindow& w) { TakeDriveBoxChoice(w.driveBox, *w.state); }

void TakeListSelection(MainWindow& w) { w.list.TakeSelectionFromList(); }

// The user's own act is shown now, whatever the pace: the list never lists rows the state no longer has.
void ShowNow(MainWindow& w) { Render(w, Pace::Now); }

// Each control event: the UI step before its handler, the handler, the UI step after it.
struct EventRoute {
  int id;
  UINT code;  // the notification, of WM_COMMAND or WM_NOTIFY
  UiStep before;
  EventHandler handler;
  UiStep after;
};
constexpr EventRoute kEventRoutes[] = {
    // The drive box's choice first: one made with CB_SETCURSEL sent no notification.
    {kIdScanButton, BN_CLICKED, TakeDriveChoice, Handle<OnScanButtonClick>, nullptr},
    {kIdFullScanButton, BN_CLICKED, nullptr, Handle<OnFullScanButtonClick>, nullptr},
    {kIdClearButton, BN_CLICKED, nullptr, Handle<OnClearButtonClick>, ShowNow},
    {kIdDriveBox, CBN_SELCHANGE, TakeDriveChoice, nullptr, nullptr},
    {kIdSuspectList, NM_DBLCLK, TakeListSelection, OpenDoubleClickedRow, nullptr},
};

// Runs the route of one control event; false when it has none.
bool RouteEvent(MainWindow& w, int id, UINT code, const NMHDR* header) {
  for (const EventRoute& route : kEventRoutes) {
    if (route.id != id || route.code != code) continue;
    if (route.before) route.before(w);
    if (route.handler) route.handler(w, header);
    if (route.after) route.after(w);
    return true;
  }
  return false;
}

// A control's own notification takes its route; the list answers the rest of its own.
LRESULT OnNotify(MainWindow& w, const NMHDR& header) {
  const int id = static_cast<int>(header.idFrom);
  if (header.hwndFrom == GetDlgItem(w.hwnd, id) && RouteEvent(w, id, header.code, &header)) return 0;
  LRESULT result = 0;
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
  w.annotations.Clear();
  KillTimer(w.hwnd, kIdScanTimer);
  KillTimer(w.hwnd, kIdRenderTimer);
  PostQuitMessage(0);
}

// The range lies whole in committed memory of this process that may be read, or written.
bool IsAccessible(const void* at, size_t size, bool write) {
  MEMORY_BASIC_INFORMATION region{};
  if (at == nullptr || VirtualQuery(at, &region, sizeof region) != sizeof region || region.State != MEM_COMMIT)
    return false;
  constexpr DWORD kWritable = PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
  constexpr DWORD kReadable = kWritable | PAGE_READONLY | PAGE_EXECUTE_READ;
  if ((region.Protect & (write ? kWritable : kReadable)) == 0 || (region.Protect & PAGE_GUARD) != 0) return false;
  const auto start = reinterpret_cast<uintptr_t>(at);
  const auto end = reinterpret_cast<uintptr_t>(region.BaseAddress) + region.RegionSize;
  return size <= end - start;
}

// The rectangle WM_DPICHANGED suggests. The system's own points to memory of ours; the same message
// sent from another process may carry any value, so it is looked at before it is read.
bool SuggestedRect(LPARAM lParam, RECT& rect) {
  const auto* at = reinterpret_cast<const void*>(lParam);
  if (!IsAccessible(at, sizeof rect, false)) return false;
  std::memcpy(&rect, at, sizeof rect);
  return rect.right > rect.left && rect.bottom > rect.top;
}

// Without a suggested rectangle the window keeps its centre; a running scan goes on untouched.
void OnDpiChanged(MainWindow& w, WPARAM wParam, LPARAM lParam) {
  const UINT dpi = LOWORD(wParam);
  if (dpi < kMinDpi || dpi > kMaxDpi) return;
  RECT rect;
  if (!SuggestedRect(lParam, rect)) {
    GetWindowRect(w.hwnd, &rect);
    const int width = ScaleForDpi(kWindowWidth, dpi), height = ScaleForDpi(kWindowHeight, dpi);
    rect.left = (rect.left + rect.right - width) / 2;
    rect.top = (rect.top + rect.bottom - height) / 2;
    rect.right = rect.left + width;
    rect.bottom = rect.top + height;
  }
  w.dpi = dpi;
  SetFonts(w);
  SetWindowPos(w.hwnd, nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
  MoveControls(w);
  SetIcons(w);
  RedrawWindow(w.hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

// Asked (per-monitor v2) before a DPI change: the outer size laid out, at the new DPI, which the
// rectangle WM_DPICHANGED suggests then has to the pixel (the system's own scaling need not).
LRESULT OnGetDpiScaledSize(WPARAM wParam, LPARAM lParam) {
  const auto dpi = static_cast<UINT>(wParam);
  auto* size = reinterpret_cast<SIZE*>(lParam);
  if (dpi < kMinDpi || dpi > kMaxDpi || !IsAccessible(size, sizeof *size, true)) return FALSE;
  size->cx = ScaleForDpi(kWindowWidth, dpi);
  size->cy = ScaleForDpi(kWindowHeight, dpi);
  return TRUE;
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
    EnableNonClientScaling(hwnd);
  }
  if (!w) return DefWindowProcW(hwnd, message, wParam, lParam);
  switch (message) {
    case WM_CREATE: return OnCreate(*w) ? 0 : -1;
    case kMsgStateChanged: OnStateChanged(*w); return 0;
    case kMsgShowSelection: OnShowSelection(*w); return 0;
    case kMsgWalkEnded: Render(*w, Pace::Now); return 0;
    case WM_TIMER: OnTimer(*w, wParam); return 0;
    case WM_COMMAND: RouteEvent(*w, LOWORD(wParam), HIWORD(wParam), nullptr); return 0;
    case WM_NOTIFY: return OnNotify(*w, *reinterpret_cast<const NMHDR*>(lParam));
    case DM_GETDEFID: return OnGetDefaultId(*w);
    case WM_DPICHANGED: OnDpiChanged(*w, wParam, lParam); return 0;
    case WM_SETTINGCHANGE: FollowSystemColours(*w); break;
    case WM_SYSCOLORCHANGE: OnSysColorChange(*w); break;
    case kMsgGetDpiScaledSize: return OnGetDpiScaledSize(wParam, lParam);
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
  w->instance = instance;
  // On the primary monitor; placed and sized for its DPI in WM_CREATE, before it shows.
  RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  int left = work.left + (work.right - work.left - kWindowWidth) / 2;
  int top = work.top + (work.bottom - work.top - kWindowHeight) / 2;
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
