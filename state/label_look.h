// How a label is drawn: the colour and effect the window's table gives it or, while the user's
// high contrast theme is on, the system's colours without any effect. Colours are COLORREF values
// (0x00BBGGRR).
#pragma once

#include <cstdint>

enum class LabelEffect { None, Shadow, LightEdge };
// A label's own colour: plain text, or the red of the score, the verdict and the disclaimer.
enum class LabelInk { Black, Red };

// The theme's colours a label takes in high contrast.
struct SystemInks {
  uint32_t text;      // COLOR_WINDOWTEXT: what the system's own static text is drawn in
  uint32_t emphasis;  // COLOR_HOTLIGHT: in its place for red
};

struct LabelPaint {
  uint32_t color;
  LabelEffect effect;
};

LabelPaint LabelPaintFor(LabelInk ink, LabelEffect effect, bool highContrast, const SystemInks& system);
