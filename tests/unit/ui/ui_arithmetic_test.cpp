// The slider's arithmetic in twips, and the scaling's rounding of touching controls.
#include "ui/eb_slider_math.h"
#include "ui/layout_scale.h"

#include <gtest/gtest.h>

TEST(EbSliderMath, ClickPutsTheThumbOnACellAndRoundsItsValueHalfToEven) {
    // 0-100 on a 3315-twip track with a 315-twip thumb: 30 twips a step, the thumb centred
    // on the click; a vertical 1-8 slider has its largest value at the top.
    const struct {
        int orientation, min, max;
        float at, thumb;
        int value;
    } rows[] = {
        {0, 0, 100, 1672, 1500, 50}, // 1514.5 -> 1514 -> the cell at 1500
        {0, 0, 100, 1673, 1515, 50}, // 1515.5 -> 1516, cut to the half cell: 50.5 -> 50
        {0, 0, 100, 1747, 1590, 53}, // 1589.5 -> 1590 (even)
        {0, 0, 100, 100, 0, 0},      // less than half a thumb from the start
        {0, 0, 100, 3315, 3000, 100}, {1, 1, 8, 0, 0, 8}, {1, 1, 8, 3315, 3000, 1},
    };
    for (const auto& r : rows) {
        kpr::EbSliderMath s;
        s.setSize(r.orientation ? 315 : 3315, r.orientation ? 3315 : 315);
        s.setOrientation(r.orientation);
        s.setMax(r.max);
        s.setMin(r.min);
        s.setSliderWidth(315);
        ASSERT_TRUE(s.clickAt(r.at));
        EXPECT_FLOAT_EQ(s.thumbOffset(), r.thumb) << r.at;
        EXPECT_EQ(s.value(), r.value) << r.at;
    }
}

TEST(LayoutScale, ControlsThatTouchStillTouchAfterRounding) {
    // Left 1 and width 6 at 0.6: 0.6 and 3.6 round to 1 and 4, but the right edge 4.2 to 4.
    const auto f = kpr::scale_factors(100, 100, 60, 60);
    const auto a = kpr::scale_geometry({1, 1, 6, 6, 0}, f);
    const auto b = kpr::scale_geometry({7, 7, 6, 6, 0}, f);
    EXPECT_EQ(a.left + a.width, b.left);
    EXPECT_EQ(a.top + a.height, b.top);
}
