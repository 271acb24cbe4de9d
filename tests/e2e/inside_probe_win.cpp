// probe.dll: loaded into kevu.exe by the driver, which then runs one of its entries there on a
// request it wrote into kevu.exe's memory (CreateRemoteThread both times).
#include <windows.h>

#include "inside_probe_win.h"

namespace {

using SystemParametersInfoFn = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT);
SystemParametersInfoFn systemParametersInfo = nullptr;
volatile LONG highContrast = 0;

BOOL WINAPI ReportingSystemParametersInfo(UINT action, UINT parameter, PVOID data, UINT update) {
  if (action != SPI_GETHIGHCONTRAST || data == nullptr) return systemParametersInfo(action, parameter, data, update);
  auto* contrast = static_cast<HIGHCONTRASTW*>(data);
  contrast->dwFlags = HCF_AVAILABLE | (highContrast != 0 ? HCF_HIGHCONTRASTON : 0);
  contrast->lpszDefaultScheme = nullptr;
  return TRUE;
}

// Points every import of module that is bound to from at to; true when there was one.
bool RedirectImports(HMODULE module, ULONG_PTR from, ULONG_PTR to) {
  auto* base = reinterpret_cast<BYTE*>(module);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (imports.VirtualAddress == 0) return false;
  bool found = false;
  for (auto* dll = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); dll->Name != 0; ++dll) {
    for (auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + dll->FirstThunk); slot->u1.Function != 0; ++slot) {
      if (slot->u1.Function != from) continue;
      DWORD old = 0;
      if (!VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, PAGE_READWRITE, &old)) continue;
      slot->u1.Function = to;
      VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, old, &old);
      found = true;
    }
  }
  return found;
}

}  // namespace

// From now on SPI_GETHIGHCONTRAST tells kevu.exe and Skin.dll the flag in *parameter (0 or 1);
// the probe must then stay loaded. Gives whose imports report it (kContrastReportedTo*).
extern "C" __declspec(dllexport) DWORD WINAPI ReportHighContrast(void* parameter) {
  static DWORD reported = 0;
  highContrast = *static_cast<const DWORD*>(parameter) != 0 ? 1 : 0;
  if (systemParametersInfo == nullptr) {
    systemParametersInfo = reinterpret_cast<SystemParametersInfoFn>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "SystemParametersInfoW")));
  }
  if (systemParametersInfo == nullptr) return 0;
  const auto from = reinterpret_cast<ULONG_PTR>(systemParametersInfo);
  const auto to = reinterpret_cast<ULONG_PTR>(&ReportingSystemParametersInfo);
  if ((reported & e2e::kContrastReportedToKevu) == 0 && RedirectImports(GetModuleHandleW(nullptr), from, to))
    reported |= e2e::kContrastReportedToKevu;
  HMODULE skin = GetModuleHandleW(L"Skin.dll");
  if ((reported & e2e::kContrastReportedToSkin) == 0 && skin != nullptr && RedirectImports(skin, from, to))
    reported |= e2e::kContrastReportedToSkin;
  return reported;
}

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
