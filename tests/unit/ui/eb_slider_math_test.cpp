#include "ui/eb_slider_math.h"

#include <gtest/gtest.h>

using kpr::EbSliderMath;

namespace {
EbSliderMath horizontal(int width, int min, int max, int sliderWidth) {
    EbSliderMath s;
    s.setSize(width, 315);
    s.setMax(max);
    s.setMin(min);
    s.setSliderWidth(sliderWidth);
    return s;
}
} // namespace

TEST(EbSliderMath, ClickSnapsToCellsAndRoundsHalfToEven) {
    auto s = horizontal(3315, 0, 100, 315);
    EXPECT_EQ(s.travel(), 3000);
    EXPECT_FLOAT_EQ(s.unit(), 30.0f);
    ASSERT_TRUE(s.clickAt(1672)); // 1514.5 -> 1514 -> 1500
    EXPECT_FLOAT_EQ(s.thumbOffset(), 1500.0f);
    EXPECT_EQ(s.value(), 50);
    ASSERT_TRUE(s.clickAt(1673)); // 1515.5 -> 1516 -> cut to 1515
    EXPECT_FLOAT_EQ(s.thumbOffset(), 1515.0f);
    EXPECT_EQ(s.value(), 50);     // 1515 / 30 = 50.5 -> even neighbour 50
    ASSERT_TRUE(s.clickAt(1747)); // 1589.5 -> 1590 (even) -> 1590 / 30 = 53
    EXPECT_EQ(s.value(), 53);
}

TEST(EbSliderMath, ClicksBeyondTheEndsGiveMinAndMax) {
    auto s = horizontal(3315, 0, 100, 315);
    s.clickAt(100); // less than half a thumb from the start
    EXPECT_EQ(s.value(), 0);
    EXPECT_FLOAT_EQ(s.thumbOffset(), 0.0f);
    s.clickAt(3315);
    EXPECT_EQ(s.value(), 100);
    EXPECT_FLOAT_EQ(s.thumbOffset(), 3000.0f);
}

TEST(EbSliderMath, DragMovesRelativeToTheThumb) {
    auto s = horizontal(3315, 0, 100, 315);
    s.setValue(10); // thumb at 300
    EXPECT_FLOAT_EQ(s.thumbOffset(), 300.0f);
    s.dragTo(157.5f + 600); // pointer in the middle of the thumb, 600 twips further on
    EXPECT_EQ(s.value(), 30);
}

TEST(EbSliderMath, MinAndMaxAssignmentRules) {
    auto s = horizontal(3315, 0, 100, 315);
    s.setValue(50);
    EXPECT_FALSE(s.setMax(0)); // equal to Min: ignored
    EXPECT_EQ(s.max(), 100);
    EXPECT_TRUE(s.setMax(40)); // position lowered
    EXPECT_EQ(s.value(), 40);
    EXPECT_FALSE(s.setMin(41));
    EXPECT_TRUE(s.setMin(40)); // equal to Max: accepted
    EXPECT_EQ(s.min(), 40);
    EXPECT_EQ(s.value(), 40);
    float before = s.thumbOffset();
    s.setSize(6000, 315); // placing no longer moves the thumb
    EXPECT_FLOAT_EQ(s.thumbOffset(), before);
    EXPECT_FALSE(s.clickAt(10)); // no range to map onto
    EXPECT_EQ(s.value(), 40);
}

TEST(EbSliderMath, ValueIsClampedAndReturned) {
    auto s = horizontal(3315, 1, 8, 150);
    EXPECT_EQ(s.setValue(12), 8);
    EXPECT_EQ(s.value(), 8);
    EXPECT_EQ(s.setValue(-3), 1);
    EXPECT_EQ(s.value(), 1);
}

TEST(EbSliderMath, VerticalSliderHasMaxAtTheTop) {
    EbSliderMath s;
    s.setSize(315, 3315);
    s.setOrientation(1);
    s.setMax(8);
    s.setMin(1);
    s.setValue(2);
    EXPECT_EQ(s.position(), 7);
    EXPECT_EQ(s.value(), 2);
    EXPECT_GT(s.thumbOffset(), s.travel() * 0.8f); // near the bottom
    s.clickAt(0);
    EXPECT_EQ(s.value(), 8);
}

TEST(EbSliderMath, SliderWidthMustBeShorterThanTheTrackAndOrientationKnown) {
    EbSliderMath s;
    s.setSize(1500, 315);
    EXPECT_FALSE(s.setSliderWidth(1500));
    EXPECT_TRUE(s.setSliderWidth(1499));
    s.setOrientation(1); // width assigned again: longer than the 315-twip height now
    EXPECT_EQ(s.sliderWidth(), 1499);
    EXPECT_TRUE(s.setSliderWidth(200));
    s.setOrientation(2); // lays out as vertical, but widths are no longer taken
    EXPECT_TRUE(s.vertical());
    EXPECT_FALSE(s.setSliderWidth(100));
    EXPECT_EQ(s.sliderWidth(), 200);
}
