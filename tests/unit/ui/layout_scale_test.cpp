// The proportional scaling's arithmetic; the window's own test checks every control with it.
#include "ui/layout_scale.h"

#include <gtest/gtest.h>

using namespace kpr;

TEST(LayoutScale, EachAxisScalesAloneAndTheFontByTheSmallerFactor) {
    const auto s = scale_geometry({100, 100, 50, 20, 10}, scale_factors(800, 600, 1200, 300));
    EXPECT_EQ(s.left, 150);
    EXPECT_EQ(s.top, 50);
    EXPECT_EQ(s.width, 75);
    EXPECT_EQ(s.height, 10);
    EXPECT_DOUBLE_EQ(s.fontSize, 5);
}

TEST(LayoutScale, ControlsThatTouchStillTouchAfterRounding) {
    // Left 1 and width 6 at 0.6: 0.6 and 3.6 round to 1 and 4, but the right edge 4.2 to 4.
    const auto f = scale_factors(100, 100, 60, 60);
    const auto a = scale_geometry({1, 1, 6, 6, 0}, f);
    const auto b = scale_geometry({7, 7, 6, 6, 0}, f);
    EXPECT_EQ(a.left + a.width, b.left);
    EXPECT_EQ(a.top + a.height, b.top);
    const auto inner = scale_geometry({0, 0, 6, 6, 0}, f, 1, 1); // filling a box at 1,1
    EXPECT_EQ(inner.width, a.width);
}

TEST(LayoutScale, TheLayoutRecordRidesBehindTheDescriptor) {
    const auto tag = append_layout_record("&H7E3,0,8,chkN", {12, 34, 56, 78, 8.25});
    EXPECT_EQ(tag, "&H7E3,0,8,chkN,#12#34#56#78#8.25#");
    const auto g = parse_layout_record(tag);
    ASSERT_TRUE(g);
    EXPECT_DOUBLE_EQ(g->height, 78);
    EXPECT_DOUBLE_EQ(g->fontSize, 8.25);
    EXPECT_FALSE(parse_layout_record("&H7E3,0,8,chkN"));
    EXPECT_DOUBLE_EQ(parse_layout_record(",#5#6#7")->width, 0); // unclosed: zero
}
