// textprobe.dll: loaded into kevu.exe by the driver, which then runs MeasureTexts there on a
// request it wrote into kevu.exe's memory (CreateRemoteThread both times).
#include <windows.h>

#include "text_probe_win.h"

extern "C" __declspec(dllexport) DWORD WINAPI MeasureTexts(void* parameter) {
  auto* request = static_cast<e2e::TextProbeRequest*>(parameter);
  HDC dc = CreateCompatibleDC(nullptr);
  if (request == nullptr || dc == nullptr) return 0;
  for (UINT i = 0; i < request->count && i < e2e::kTextProbeItems; ++i) {
    e2e::TextProbeItem& item = request->items[i];
    // Asked of the window's own thread, as it answers its painting code.
    auto font = reinterpret_cast<HFONT>(SendMessageW(item.control, WM_GETFONT, 0, 0));
    const int length = GetWindowTextW(item.control, item.text, 128);
    LOGFONTW described{};
    HGDIOBJ old = font != nullptr ? SelectObject(dc, font) : nullptr;
    item.measured = old != nullptr && old != HGDI_ERROR && GetObjectW(font, sizeof described, &described) != 0;
    if (!item.measured) continue;
    SIZE extent{};
    TEXTMETRICW metrics{};
    GetTextExtentPoint32W(dc, item.text, length, &extent);
    GetTextMetricsW(dc, &metrics);
    item.width = extent.cx;
    item.characterHeight = metrics.tmHeight - metrics.tmInternalLeading;
    item.fontHeight = described.lfHeight;
    SelectObject(dc, old);
  }
  DeleteDC(dc);
  return 1;
}
