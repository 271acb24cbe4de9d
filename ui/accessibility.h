// What screen readers get beyond oleacc's own proxies: the drive box's name and the scan's end
// announced, through oleacc's dynamic annotation (IAccPropServices).
#pragma once

#include <windows.h>

struct IAccPropServices;

class Annotations {
 public:
  Annotations() = default;
  Annotations(const Annotations&) = delete;
  Annotations& operator=(const Annotations&) = delete;
  ~Annotations() { Clear(); }

  // Names the box and makes the labels polite live regions. COM is started on this (the UI)
  // thread for it; where COM or the annotation service is missing nothing happens, silently.
  void Annotate(HWND box, const wchar_t* boxName, const HWND* liveLabels, int liveCount);
  // Before the windows go: oleacc keeps an annotation as long as its window handle.
  void Clear();

 private:
  IAccPropServices* services_ = nullptr;
  bool comStarted_ = false;
  HWND box_ = nullptr;
  HWND live_[2] = {};
  int liveCount_ = 0;
};

// Tells screen readers that a live region's text is to be read (Windows 8 on; before that no
// client listens for this event).
void AnnounceLiveRegion(HWND label);
