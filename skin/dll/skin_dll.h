// Inside Skin.dll: the look in use and the window subclasses that paint it. The library links no
// C++ runtime (no exceptions, no operator new, no standard containers): objects live on the
// process heap through HeapNew/HeapDelete, and GDI objects are held by win/gdi_owner.h.
#pragma once

#include <windows.h>

#include <new>

#include "skin/skin_format.h"
#include "win/gdi_owner.h"

template <typename T>
T* HeapNew() {
  void* memory = HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(T));
  return memory != nullptr ? new (memory) T() : nullptr;
}

template <typename T>
void HeapDelete(T* object) {
  if (object == nullptr) return;
  object->~T();
  HeapFree(GetProcessHeap(), 0, object);
}

// A block of the process heap, freed on every path out.
class HeapBlock {
 public:
  explicit HeapBlock(size_t size) : data_(size > 0 ? HeapAlloc(GetProcessHeap(), 0, size) : nullptr) {}
  ~HeapBlock() {
    if (data_ != nullptr) HeapFree(GetProcessHeap(), 0, data_);
  }
  HeapBlock(const HeapBlock&) = delete;
  HeapBlock& operator=(const HeapBlock&) = delete;
  template <typename T>
  T* As() const {
    return static_cast<T*>(data_);
  }

 private:
  void* data_;
};

// The look being painted, with the brushes that WM_CTLCOLOR* answers must outlive.
struct LiveLook {
  SkinColours colours{};
  GdiObject<HBRUSH> face;
  GdiObject<HBRUSH> combo;

  COLORREF Colour(SkinKey key) const { return static_cast<COLORREF>(SkinColourOf(colours, key)); }
};

using DwmSetWindowAttributeFn = HRESULT(WINAPI*)(HWND, DWORD, LPCVOID, DWORD);

struct ThreadHook {
  DWORD threadId;
  HHOOK hook;
};
constexpr int kMaxHookedThreads = 16;

// All the library keeps outside its windows, once per process: the library stays loaded for the
// life of the process, and the look, the hooks and the compositor's entry point serve all of the
// process's windows. Defined in skin_attach.cpp.
struct ProcessState {
  LiveLook* look = nullptr;  // nullptr before the first successful attach
  ThreadHook hooks[kMaxHookedThreads]{};  // one CBT hook per thread that attached
  int hookCount = 0;
  DwmSetWindowAttributeFn dwmSetAttribute = nullptr;  // nullptr: no compositor to tell
  bool dwmLooked = false;
  // The user's high contrast theme is on: the skin steps aside and the system draws everything
  // in the colours the user chose (read at attach, and again when a frame hears of a change).
  bool highContrast = false;
};
extern ProcessState g_process;

inline const LiveLook* CurrentLook() { return g_process.look; }

// Subclasses hwnd when it is a kind of window we paint; harmless for any other window and
// for one already subclassed. applyNow: the window exists fully (not still being created).
void SkinWindow(HWND hwnd, bool applyNow);
// Repaints a top-level window and its children with the current look.
void RepaintSkinned(HWND topLevel);
// Applies the look (or, in high contrast, the system's colours) to every window of this thread
// again and repaints them.
void ReapplyToThreadWindows();
