#include "image/pager_image.h"

#include <gtest/gtest.h>
#include <stdexcept>

using kpr::PagerImage;

TEST(PagerImage, GetBitsReadsWholeByteAndSingleBits) {
    PagerImage img;
    img[0x10] = 0xA5;
    EXPECT_EQ(img.get_bits(0x10, 0, 8), 0xA5);
    EXPECT_EQ(img.get_bits(0x10, 7, 1), 1);
    EXPECT_EQ(img.get_bits(0x10, 6, 1), 0);
    EXPECT_EQ(img.get_bits(0x10, 4, 4), 0xA);
    EXPECT_EQ(img.get_bits(0x10, 1, 2), 2);
}

TEST(PagerImage, SetBitsTakesValueBeforeLength) {
    PagerImage img;
    img[5] = 0xFF;
    ASSERT_TRUE(img.set_bits(5, 3, 2, 2)); // bits 3-4 := 10b
    EXPECT_EQ(img[5], 0xF7);
    ASSERT_TRUE(img.set_bits(0x7E0, 0, 1, 8));
    EXPECT_EQ(img[0x7E0], 1);
}

TEST(PagerImage, SetBitsRefusesWhatDoesNotFit) {
    PagerImage img;
    img[7] = 0x5A;
    EXPECT_FALSE(img.set_bits(7, 6, 1, 3)); // reaches past bit 7
    EXPECT_FALSE(img.set_bits(7, 0, 4, 2)); // value wider than the field
    EXPECT_FALSE(img.set_bits(7, 0, -1, 2));
    EXPECT_EQ(img[7], 0x5A);
}

TEST(PagerImage, AddressesOutsideTheImageThrow) {
    PagerImage img;
    EXPECT_THROW(img[2048], std::out_of_range);
    EXPECT_THROW(img[-1], std::out_of_range);
    EXPECT_THROW((void)img.get_bits(4096, 0, 1), std::out_of_range);
    EXPECT_NO_THROW(img[2047]);
}
