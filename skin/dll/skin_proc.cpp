// The subclass every skinned window gets: which kind of window it is, and its messages handed to
// the painter of that kind.
#include "skin/dll/painter.h"
#include "win/high_contrast.h"

namespace {

constexpr UINT_PTR kSubclassId = 0x4B56;

bool ClassNameIs(HWND hwnd, const wchar_t* name) {
  wchar_t buffer[64];
  if (GetClassNameW(hwnd, buffer, 64) <= 0) return false;
  const wchar_t* bare = buffer;
  for (const wchar_t* p = buffer; *p; ++p) {
    if (*p == L'!') bare = p + 1;  // versioned class names of the common controls
  }
  return lstrcmpiW(bare, name) == 0;
}

bool KindOf(HWND hwnd, SkinnedKind& kind) {
  const LONG style = GetWindowLongW(hwnd, GWL_STYLE);
  if ((style & WS_CHILD) == 0) {
    if ((style & WS_CAPTION) != WS_CAPTION) return false;
    kind = SkinnedKind::Frame;
    return true;
  }
  if (ClassNameIs(hwnd, L"Button")) {
    kind = SkinnedKind::Button;
    return IsPushStyle(style);
  }
  if (ClassNameIs(hwnd, WC_LISTVIEWW)) {
    kind = SkinnedKind::ListView;
    return true;
  }
  return false;
}

void Apply(HWND hwnd, const Skinned& state, const LiveLook& look) {
  if (state.kind == SkinnedKind::ListView) ApplyListColours(hwnd, look);
  if (state.kind == SkinnedKind::Frame) ChooseFrameRendering(hwnd);
}

// High contrast turned on or off, or the system's colours changed (a list told of that may take
// them over ours): every window of the thread again. Frames hear of it; their controls do not.
LRESULT FollowHighContrast(const Message& m) {
  const LRESULT result = m.Default();
  const bool on = HighContrastOn();
  if (on != g_process.highContrast || m.msg == WM_SYSCOLORCHANGE) {
    g_process.highContrast = on;
    ReapplyToThreadWindows();
  }
  return result;
}

LRESULT CALLBACK SkinProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR ref) {
  auto* state = reinterpret_cast<Skinned*>(ref);
  const Message m{hwnd, msg, wParam, lParam};
  if (msg == WM_NCDESTROY) {
    RemoveWindowSubclass(hwnd, SkinProc, kSubclassId);
    HeapDelete(state);
    return m.Default();
  }
  const LiveLook* look = CurrentLook();
  if (look == nullptr || state == nullptr) return m.Default();
  if (state->kind == SkinnedKind::Frame && (msg == WM_SETTINGCHANGE || msg == WM_SYSCOLORCHANGE)) return FollowHighContrast(m);
  if (g_process.highContrast) return m.Default();
  switch (state->kind) {
    case SkinnedKind::Frame: return FrameProc(m, *state, *look);
    case SkinnedKind::Button: return ButtonProc(m, *state, *look);
    case SkinnedKind::ListView: return ListViewProc(m, *look);
  }
  return m.Default();
}

}  // namespace

Skinned* StateOf(HWND hwnd) {
  DWORD_PTR ref = 0;
  return GetWindowSubclass(hwnd, SkinProc, kSubclassId, &ref) ? reinterpret_cast<Skinned*>(ref) : nullptr;
}

void SkinWindow(HWND hwnd, bool applyNow) {
  const LiveLook* look = CurrentLook();
  if (look == nullptr || !IsWindow(hwnd)) return;
  if (Skinned* existing = StateOf(hwnd)) {
    if (applyNow) Apply(hwnd, *existing, *look);
    return;
  }
  SkinnedKind kind;
  if (!KindOf(hwnd, kind)) return;
  auto* state = HeapNew<Skinned>();
  if (state == nullptr) return;
  state->kind = kind;
  // A frame made later gets its rendering chosen at WM_CREATE.
  if (kind == SkinnedKind::Frame) state->active = applyNow && GetActiveWindow() == hwnd;
  if (!SetWindowSubclass(hwnd, SkinProc, kSubclassId, reinterpret_cast<DWORD_PTR>(state))) {
    HeapDelete(state);
    return;
  }
  if (applyNow) Apply(hwnd, *state, *look);
}

void RepaintSkinned(HWND topLevel) {
  RedrawWindow(topLevel, nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
}
