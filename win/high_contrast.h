// The user's high contrast setting. Header-only, so Skin.dll asks the same question.
#pragma once

#include <windows.h>

// HCF_HIGHCONTRASTON of SPI_GETHIGHCONTRAST; false where it cannot be read.
inline bool HighContrastOn() {
  HIGHCONTRASTW contrast{};
  contrast.cbSize = sizeof contrast;
  return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0) &&
         (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
}
