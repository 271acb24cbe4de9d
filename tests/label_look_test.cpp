// The colours and effect of a label, with the user's high contrast theme off and on.
#include "state/label_look.h"

#include <gtest/gtest.h>

namespace {

TEST(LabelLook, HighContrastTakesTheThemesTextAndEmphasisWithoutEffects) {
  const SystemInks theme{0x00FFFFFF, 0x00DEEB70};
  for (LabelEffect effect : {LabelEffect::None, LabelEffect::Shadow, LabelEffect::LightEdge}) {
    const LabelPaint black = LabelPaintFor(LabelInk::Black, effect, false, theme);
    const LabelPaint red = LabelPaintFor(LabelInk::Red, effect, false, theme);
    EXPECT_EQ(black.color, 0x000000u);
    EXPECT_EQ(red.color, 0x0000FFu) << "COLORREF order: red in the low byte";
    EXPECT_EQ(black.effect, effect);
    EXPECT_EQ(red.effect, effect);

    const LabelPaint text = LabelPaintFor(LabelInk::Black, effect, true, theme);
    const LabelPaint emphasis = LabelPaintFor(LabelInk::Red, effect, true, theme);
    EXPECT_EQ(text.color, theme.text);
    EXPECT_EQ(emphasis.color, theme.emphasis);
    EXPECT_EQ(text.effect, LabelEffect::None);
    EXPECT_EQ(emphasis.effect, LabelEffect::None);
  }
}

}  // namespace
