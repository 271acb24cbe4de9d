#include "state/label_look.h"

LabelPaint LabelPaintFor(LabelInk ink, LabelEffect effect, bool highContrast, const SystemInks& system) {
  const bool red = ink == LabelInk::Red;
  // A shadow or light edge in fixed black or white would blur the theme's pair of colours.
  if (highContrast) return {red ? system.emphasis : system.text, LabelEffect::None};
  return {red ? 0x0000FFu : 0x000000u, effect};
}
