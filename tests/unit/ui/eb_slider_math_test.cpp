// The slider's arithmetic in twips: where a click or drag puts the thumb and which value
// that is, and the rules for its limits.
#include "ui/eb_slider_math.h"

#include <gtest/gtest.h>

using kpr::EbSliderMath;

namespace {
EbSliderMath slider(int min, int max, int sliderWidth, int orientation = 0) {
    EbSliderMath s;
    s.setSize(orientation ? 315 : 3315, orientation ? 3315 : 315);
    s.setOrientation(orientation);
    s.setMax(max);
    s.setMin(min);
    s.setSliderWidth(sliderWidth);
    return s;
}
} // namespace

TEST(EbSliderMath, ClickPutsTheThumbOnACellAndRoundsItsValueHalfToEven) {
    // 0-100 on a 3000-twip travel: 30 twips a step; the thumb centres on the click.
    const struct {
        float at;
        float thumb;
        int value;
    } rows[] = {
        {1672, 1500, 50}, // 1514.5 -> 1514 -> the cell at 1500
        {1673, 1515, 50}, // 1515.5 -> 1516, cut to the half cell 1515: 50.5 -> 50
        {1747, 1590, 53}, // 1589.5 -> 1590 (even)
        {100, 0, 0},      // less than half a thumb from the start
        {3315, 3000, 100},
    };
    for (const auto& r : rows) {
        auto s = slider(0, 100, 315);
        ASSERT_TRUE(s.clickAt(r.at));
        EXPECT_FLOAT_EQ(s.thumbOffset(), r.thumb) << r.at;
        EXPECT_EQ(s.value(), r.value) << r.at;
    }
    auto s = slider(0, 100, 315);
    s.setValue(10);
    s.dragTo(157.5f + 600); // from the thumb's middle, 600 twips on
    EXPECT_EQ(s.value(), 30);
    auto v = slider(1, 8, 150, 1); // vertical: the largest value at the top
    EXPECT_EQ(v.setValue(12), 8);
    EXPECT_EQ(v.setValue(2), 2);
    EXPECT_EQ(v.position(), 7);
    v.clickAt(0);
    EXPECT_EQ(v.value(), 8);
}

TEST(EbSliderMath, LimitsAndThumbWidthKeepTheirRules) {
    auto s = slider(0, 100, 315);
    s.setValue(50);
    EXPECT_FALSE(s.setMax(0)); // equal to the minimum: ignored
    EXPECT_TRUE(s.setMax(40)); // the value follows it down
    EXPECT_EQ(s.value(), 40);
    EXPECT_FALSE(s.setMin(41));
    EXPECT_TRUE(s.setMin(40));            // equal to the maximum: taken
    EXPECT_FALSE(s.clickAt(10));          // no range to map onto
    EXPECT_FALSE(s.setSliderWidth(3315)); // as long as the track
    EXPECT_TRUE(s.setSliderWidth(3314));
    s.setOrientation(2); // lays out as vertical, but takes no widths any more
    EXPECT_TRUE(s.vertical());
    EXPECT_FALSE(s.setSliderWidth(100));
}
