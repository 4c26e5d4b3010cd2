// The national character tables and the conversion of the image's text regions.
#include "text/charset.h"

#include "support/image_checks.h"

#include <gtest/gtest.h>

#include <map>

namespace kpr {
namespace {

// Every code 0-15, every byte both ways, as the CRC-32 of the 256-byte map, worked out once
// from the national tables apart from the code. Codes without a table change nothing.
TEST(Charset, EveryByteOfEveryLanguageCode) {
    const std::map<int, std::pair<uint32_t, uint32_t>> tabled = {{5, {0xF32F99F4u, 0x3633F6E1u}},
                                                                 {6, {0x574D9AADu, 0x809AE037u}},
                                                                 {8, {0xD0359E1Eu, 0x59C299F0u}},
                                                                 {11, {0x8CE3FA80u, 0x03C92F90u}},
                                                                 {15, {0x6F13669Du, 0xB7E1D1ADu}}};
    for (int code = 0; code < 16; ++code) {
        uint8_t to[256], from[256];
        for (int c = 0; c < 256; ++c) {
            to[c] = char_to_pager_for(code, static_cast<uint8_t>(c));
            from[c] = char_from_pager_for(code, static_cast<uint8_t>(c));
        }
        const auto it = tabled.find(code);
        const auto want =
            it == tabled.end() ? std::make_pair(0x29058C73u, 0x29058C73u) : it->second;
        EXPECT_EQ(std::make_pair(test::crc32(to, 256), test::crc32(from, 256)), want) << code;
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
        for (int c = 128; c < 256; ++c)
            if (char_to_pager_for(code, static_cast<uint8_t>(c)) != c)
                pc = c;
        PagerImage img;
        img.bytes().fill(static_cast<uint8_t>(pc));
        img[AddrLanguageCode] = static_cast<uint8_t>(code);
        PagerImage out = img;
        text_to_pager(out);
        for (int a = 0; a < ImageSize; ++a) {
            const bool inside = (a >= 0x100 && a <= 0x36B) || (a >= 0x3B8 && a <= 0x3DF) ||
                                (a >= 0x540 && a <= 0x7BF);
            EXPECT_EQ(is_converted_address(a), inside) << a;
            EXPECT_EQ(out[a], inside ? char_to_pager_for(code, uint8_t(pc)) : img[a])
                << code << " " << a;
        }
        text_from_pager(out);
        EXPECT_EQ(out, img) << code;
    }
}

} // namespace
} // namespace kpr
