#include "text/charset.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

namespace kpr {
namespace {

// The national tables, written out again: PC code -> pager code.
const std::map<int, std::map<int, int>> Tables = {
    {5,
     {{161, 35},
      {199, 91},
      {209, 92},
      {186, 93},
      {170, 94},
      {191, 96},
      {231, 123},
      {241, 124},
      {220, 125},
      {252, 126}}},
    {6,
     {{163, 35},
      {224, 64},
      {176, 91},
      {231, 92},
      {167, 93},
      {233, 123},
      {249, 124},
      {232, 125},
      {175, 126}}},
    {8,
     {{167, 64}, {196, 91}, {214, 92}, {220, 93}, {228, 123}, {246, 124}, {252, 125}, {223, 126}}},
    {11,
     {{167, 64}, {198, 91}, {216, 92}, {197, 93}, {230, 123}, {248, 124}, {229, 125}, {175, 126}}},
    {15,
     {{163, 35},
      {200, 64},
      {196, 91},
      {214, 92},
      {197, 93},
      {220, 94},
      {233, 96},
      {228, 123},
      {246, 124},
      {229, 125},
      {252, 126}}},
};

PagerImage image_with_code(int code) {
    PagerImage img;
    img.set_bits(LanguageCodeAddress, 0, code, 4);
    return img;
}

TEST(Charset, EveryPairConvertsBothWays) {
    for (const auto& [code, pairs] : Tables) {
        const PagerImage img = image_with_code(code);
        for (const auto& [pc, pager] : pairs) {
            EXPECT_EQ(char_to_pager(img, pc), pager) << "code " << code << " pc " << pc;
            EXPECT_EQ(char_from_pager(img, pager), pc) << "code " << code << " pager " << pager;
        }
    }
}

// Exhaustive over all 256 bytes: exactly the table's codes change, nothing else.
TEST(Charset, OnlyTabledCodesChange) {
    for (int code = 0; code < 16; ++code) {
        const auto it = Tables.find(code);
        std::map<int, int> to = it == Tables.end() ? std::map<int, int>{} : it->second;
        std::map<int, int> from;
        for (const auto& [pc, pager] : to)
            from[pager] = pc;
        EXPECT_EQ(charset_pairs(code).size(), to.size()) << "code " << code;
        for (int c = 0; c < 256; ++c) {
            const auto b = static_cast<uint8_t>(c);
            EXPECT_EQ(char_to_pager_for(code, b), to.count(c) ? to[c] : c)
                << "code " << code << " c " << c;
            EXPECT_EQ(char_from_pager_for(code, b), from.count(c) ? from[c] : c)
                << "code " << code << " c " << c;
        }
    }
}

// Round trips: PC -> pager -> PC returns every byte except ASCII characters that sit on a
// position the language reuses; pager -> PC -> pager returns every byte except the national
// PC codes themselves.
TEST(Charset, RoundTripsAreExactOutsideTheSharedPositions) {
    for (const auto& [code, pairs] : Tables) {
        std::set<int> pagerCodes, pcCodes;
        for (const auto& [pc, pager] : pairs) {
            pcCodes.insert(pc);
            pagerCodes.insert(pager);
        }
        for (int c = 0; c < 256; ++c) {
            const auto b = static_cast<uint8_t>(c);
            const bool backToPc = char_from_pager_for(code, char_to_pager_for(code, b)) == b;
            EXPECT_EQ(backToPc, pagerCodes.count(c) == 0) << "code " << code << " c " << c;
            const bool backToPager = char_to_pager_for(code, char_from_pager_for(code, b)) == b;
            EXPECT_EQ(backToPager, pcCodes.count(c) == 0) << "code " << code << " c " << c;
        }
    }
}

TEST(Charset, LanguageCodeComesFromLowNibbleOf3A) {
    PagerImage img;
    img[0x3A] = 0x58; // upper nibble is not part of the code
    img[0x3E] = 0x02; // the list's copy plays no part in the conversion
    EXPECT_EQ(language_code_of(img), 8);
    EXPECT_EQ(char_to_pager(img, 196), 91); // German Ä
    img[0x3A] = 0x52;
    EXPECT_EQ(char_to_pager(img, 196), 196);
}

PagerImage patterned() {
    PagerImage img;
    for (int a = 0; a < ImageSize; ++a)
        img[a] = static_cast<uint8_t>(a * 7 + 3);
    return img;
}

TEST(Charset, ConvertsExactlyTheThreeRanges) {
    for (const auto& [code, pairs] : Tables) {
        PagerImage img = patterned();
        img[LanguageCodeAddress] = static_cast<uint8_t>(code);
        // Put a national letter on every byte so that every converted byte visibly changes.
        const int pc = pairs.begin()->first, pager = pairs.begin()->second;
        for (int a = 0; a < ImageSize; ++a)
            if (a != LanguageCodeAddress)
                img[a] = static_cast<uint8_t>(pc);
        PagerImage out = img;
        text_to_pager(out);
        for (int a = 0; a < ImageSize; ++a) {
            const bool inside = (a >= 0x100 && a <= 0x36B) || (a >= 0x3B8 && a <= 0x3DF) ||
                                (a >= 0x540 && a <= 0x7BF);
            EXPECT_EQ(is_converted_address(a), inside) << a;
            EXPECT_EQ(out[a], inside ? pager : img[a]) << "code " << code << " addr " << a;
        }
        text_from_pager(out);
        EXPECT_EQ(out, img) << "code " << code;
    }
}

TEST(Charset, EnglishAndUnknownCodesLeaveTheImageAlone) {
    for (int code : {0, 1, 2, 3, 4, 7, 9, 10, 12, 13, 14}) {
        PagerImage img = patterned();
        img[LanguageCodeAddress] = static_cast<uint8_t>(code);
        PagerImage out = img;
        text_to_pager(out);
        EXPECT_EQ(out, img) << code;
        text_from_pager(out);
        EXPECT_EQ(out, img) << code;
    }
}

TEST(Charset, GermanBracketComesBackAsUmlaut) {
    PagerImage img = image_with_code(8);
    img[0x116] = '[';
    text_to_pager(img);
    EXPECT_EQ(img[0x116], 91);
    text_from_pager(img);
    EXPECT_EQ(img[0x116], 196);
}

TEST(Charset, FrenchHeaderByteIsConvertedLikeText) {
    PagerImage img = image_with_code(6);
    img[0x114] = 0x40; // attribute byte of entry 1
    text_from_pager(img);
    EXPECT_EQ(img[0x114], 0xE0);
    text_to_pager(img);
    EXPECT_EQ(img[0x114], 0x40);
}

TEST(Charset, UntabledHighCodesAndFlashOnlyPassUnchanged) {
    PagerImage img = image_with_code(8);
    img[0x120] = 233; // é has no German row
    img[0xA2] = 252;  // ü in the FLASH ONLY entry, outside the ranges
    text_to_pager(img);
    EXPECT_EQ(img[0x120], 233);
    EXPECT_EQ(img[0xA2], 252);
    text_from_pager(img);
    EXPECT_EQ(img[0xA2], 252);
}

} // namespace
} // namespace kpr
