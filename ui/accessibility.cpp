#include "ui/accessibility.h"

#include <oleacc.h>

#include <algorithm>
#include <iterator>

namespace {

// Defined here: the SDK's definitions would need oleacc's import library, and kevu.exe loads
// nothing of oleacc but through COM.
constexpr CLSID kAccPropServicesClass = {0xb5f8350b, 0x0548, 0x48b1, {0xa6, 0xee, 0x88, 0xbd, 0x00, 0xb4, 0xa5, 0xe7}};
constexpr IID kAccPropServicesInterface = {0x6e26e776, 0x04f0, 0x495d, {0x80, 0xe4, 0x33, 0x30, 0x35, 0x2e, 0x31, 0x69}};
constexpr MSAAPROPID kNameProperty = {0x608d3df8, 0x8128, 0x4aa7, {0xa4, 0x28, 0xf5, 0x5e, 0x49, 0x26, 0x72, 0x91}};
// UI Automation's LiveSetting (Windows 8), annotated like an MSAA property; 1 is Polite.
constexpr MSAAPROPID kLiveSettingProperty = {0xc12bcd8e, 0x2a8e, 0x4950, {0x8a, 0xe7, 0x36, 0x25, 0x11, 0x1d, 0x58, 0xeb}};
constexpr LONG kPolite = 1;
constexpr DWORD kLiveRegionChanged = 0x8019;  // EVENT_OBJECT_LIVEREGIONCHANGED, Windows 8's headers only
constexpr DWORD kClient = static_cast<DWORD>(OBJID_CLIENT);

}  // namespace

void Annotations::Annotate(HWND box, const wchar_t* boxName, const HWND* liveLabels, int liveCount) {
  if (services_ == nullptr) {
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    comStarted_ = SUCCEEDED(com);
    if (!comStarted_ || FAILED(CoCreateInstance(kAccPropServicesClass, nullptr, CLSCTX_INPROC_SERVER,
                                                kAccPropServicesInterface, reinterpret_cast<void**>(&services_)))) {
      services_ = nullptr;
      Clear();
      return;
    }
  }
  box_ = box;
  services_->SetHwndPropStr(box, kClient, CHILDID_SELF, kNameProperty, boxName);
  liveCount_ = std::min(liveCount, static_cast<int>(std::size(live_)));
  VARIANT polite{};
  polite.vt = VT_I4;
  polite.lVal = kPolite;
  for (int i = 0; i < liveCount_; ++i) {
    live_[i] = liveLabels[i];
    // Windows 7 knows no LiveSetting and may refuse it; nothing there listens for live regions.
    services_->SetHwndProp(live_[i], kClient, CHILDID_SELF, kLiveSettingProperty, polite);
  }
}

void Annotations::Clear() {
  if (services_ != nullptr) {
    if (box_ != nullptr) services_->ClearHwndProps(box_, kClient, CHILDID_SELF, &kNameProperty, 1);
    for (int i = 0; i < liveCount_; ++i)
      services_->ClearHwndProps(live_[i], kClient, CHILDID_SELF, &kLiveSettingProperty, 1);
    services_->Release();
    services_ = nullptr;
  }
  box_ = nullptr;
  liveCount_ = 0;
  if (comStarted_) CoUninitialize();
  comStarted_ = false;
}

void AnnounceLiveRegion(HWND label) { NotifyWinEvent(kLiveRegionChanged, label, OBJID_CLIENT, CHILDID_SELF); }
