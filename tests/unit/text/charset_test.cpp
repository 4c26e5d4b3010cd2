// The national character tables and the conversion of the image's text regions.
#include "text/charset.h"

#include <gtest/gtest.h>

namespace kpr {
namespace {

// The national tables, written out again: language code, PC code, pager code.
const struct Pair {
    int code, pc, pager;
} Pairs[] = {
    {5, 161, 35},   {5, 199, 91},   {5, 209, 92},   {5, 186, 93},   {5, 170, 94},   {5, 191, 96},
    {5, 231, 123},  {5, 241, 124},  {5, 220, 125},  {5, 252, 126},  {6, 163, 35},   {6, 224, 64},
    {6, 176, 91},   {6, 231, 92},   {6, 167, 93},   {6, 233, 123},  {6, 249, 124},  {6, 232, 125},
    {6, 175, 126},  {8, 167, 64},   {8, 196, 91},   {8, 214, 92},   {8, 220, 93},   {8, 228, 123},
    {8, 246, 124},  {8, 252, 125},  {8, 223, 126},  {11, 167, 64},  {11, 198, 91},  {11, 216, 92},
    {11, 197, 93},  {11, 230, 123}, {11, 248, 124}, {11, 229, 125}, {11, 175, 126}, {15, 163, 35},
    {15, 200, 64},  {15, 196, 91},  {15, 214, 92},  {15, 197, 93},  {15, 220, 94},  {15, 233, 96},
    {15, 228, 123}, {15, 246, 124}, {15, 229, 125}, {15, 252, 126},
};

// What a byte becomes for a language code, by the table above; unchanged when in no row.
int to_pager(int code, int c) {
    for (const Pair& p : Pairs)
        if (p.code == code && p.pc == c)
            return p.pager;
    return c;
}
int from_pager(int code, int c) {
    for (const Pair& p : Pairs)
        if (p.code == code && p.pager == c)
            return p.pc;
    return c;
}

// Every code 0-15, every byte both ways: exactly the tabled bytes change (English and codes
// without a table change nothing).
TEST(Charset, EveryByteOfEveryLanguageCode) {
    for (int code = 0; code < 16; ++code)
        for (int c = 0; c < 256; ++c) {
            const auto b = static_cast<uint8_t>(c);
            EXPECT_EQ(char_to_pager_for(code, b), to_pager(code, c)) << code << " " << c;
            EXPECT_EQ(char_from_pager_for(code, b), from_pager(code, c)) << code << " " << c;
        }
}

TEST(Charset, LanguageCodeComesFromLowNibbleOf3A) {
    PagerImage img;
    img[0x3A] = 0x58; // the upper nibble is not part of the code
    img[0x3E] = 0x02; // the list's copy plays no part in the conversion
    EXPECT_EQ(language_code_of(img), 8);
    EXPECT_EQ(char_to_pager(img, 196), 91); // German Ä
    EXPECT_EQ(char_from_pager(img, 91), 196);
    img[0x3A] = 0x52;
    EXPECT_EQ(char_to_pager(img, 196), 196);
}

// Every byte of the three text regions, header bytes included, and no other byte.
TEST(Charset, ConvertsExactlyTheThreeRanges) {
    for (int code = 0; code < 16; ++code) {
        int pc = 196; // a national letter of the code's table, when it has one
        for (const Pair& p : Pairs)
            if (p.code == code)
                pc = p.pc;
        PagerImage img;
        img.bytes().fill(static_cast<uint8_t>(pc));
        img[LanguageCodeAddress] = static_cast<uint8_t>(code);
        PagerImage out = img;
        text_to_pager(out);
        for (int a = 0; a < ImageSize; ++a) {
            const bool inside = (a >= 0x100 && a <= 0x36B) || (a >= 0x3B8 && a <= 0x3DF) ||
                                (a >= 0x540 && a <= 0x7BF);
            EXPECT_EQ(is_converted_address(a), inside) << a;
            EXPECT_EQ(out[a], inside ? to_pager(code, pc) : img[a]) << code << " " << a;
        }
        text_from_pager(out);
        EXPECT_EQ(out, img) << code;
    }
}

} // namespace
} // namespace kpr
