#include "text/language.h"

#include "text/charset.h"
#include "text/language_tables.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace kpr {
namespace {

bool range_equals(const PagerImage& img, int addr, const uint8_t* bytes, int n) {
    return std::equal(bytes, bytes + n, img.data() + addr);
}

PagerImage filled(uint8_t v) {
    PagerImage img;
    img.bytes().fill(v);
    return img;
}

TEST(LanguageList, CaptionsAndCodes) {
    const char* captions[] = {"English", "Spainish", "French", "German", "Danish", "Swedish"};
    const int codes[] = {2, 5, 6, 8, 11, 15};
    const auto& list = language_list();
    for (int i = 0; i < LanguageListSize; ++i) {
        EXPECT_EQ(std::string(list[i].caption), captions[i]);
        EXPECT_EQ(list[i].code, codes[i]);
        EXPECT_EQ(language_item(i), &list[i]);
    }
    EXPECT_EQ(language_item(-1), nullptr);
    EXPECT_EQ(language_item(6), nullptr);
}

TEST(LanguageList, PositionForLoadedCode) {
    const int expected[16] = {0, 0, 0, -1, -1, 1, 2, -1, 3, -1, -1, 4, -1, -1, -1, 5};
    for (int code = 0; code < 16; ++code)
        EXPECT_EQ(language_list_position_for_code(code).value_or(-1), expected[code]) << code;
}

// Each choice: codes in both nibbles (upper nibbles kept), logo flag, the three copies, and
// nothing else touched.
TEST(ApplyLanguage, EveryItemWritesExactlyItsAreas) {
    struct Case {
        int pos, code;
        TextLanguage texts;
        bool history;
    } const cases[] = {
        {0, 2, TextLanguage::English, false},  {1, 5, TextLanguage::Spanish, false},
        {2, 6, TextLanguage::French, true},    {3, 8, TextLanguage::German, true},
        {4, 11, TextLanguage::English, false}, {5, 15, TextLanguage::English, false},
    };
    for (const Case& c : cases) {
        const PagerImage before = filled(0xA5);
        PagerImage img = before;
        EXPECT_TRUE(apply_language(img, c.pos));
        EXPECT_EQ(img[0x3A], 0xA0 | c.code) << c.pos;
        EXPECT_EQ(img[0x3E], 0xA0 | c.code) << c.pos;
        EXPECT_EQ(img[0x3B], 0xA6) << c.pos; // bits 0-1 = 2, the rest kept
        EXPECT_TRUE(range_equals(img, 0x100, text_block(c.texts).data(), 620)) << c.pos;
        EXPECT_TRUE(range_equals(img, 0xA0, flash_only_entry(c.texts).data(), 20)) << c.pos;
        if (c.history) {
            EXPECT_TRUE(range_equals(img, 0x3B8, language_history_pair(c.texts)->data(), 40));
        }
        for (int a = 0; a < ImageSize; ++a) {
            const bool written = a == 0x3A || a == 0x3B || a == 0x3E || (a >= 0xA0 && a <= 0xB3) ||
                                 (a >= 0x100 && a <= 0x36B) ||
                                 (c.history && a >= 0x3B8 && a <= 0x3DF);
            if (!written) {
                EXPECT_EQ(img[a], before[a]) << "pos " << c.pos << " addr " << a;
            }
        }
    }
}

TEST(ApplyLanguage, NoSelectionOnlyMarksTheLogo) {
    const PagerImage before = filled(0x00);
    for (int pos : {-1, 6, 100}) {
        PagerImage img = before;
        EXPECT_FALSE(apply_language(img, pos));
        PagerImage expected = before;
        expected[0x3B] = 0x02;
        EXPECT_EQ(img, expected) << pos;
    }
}

TEST(ApplyLanguage, DanishAfterGermanKeepsGermanHistory) {
    PagerImage img = filled(0);
    apply_language(img, 3);
    apply_language(img, 4);
    EXPECT_TRUE(range_equals(img, 0x100, text_block(TextLanguage::English).data(), 620));
    EXPECT_TRUE(range_equals(img, 0xA0, flash_only_entry(TextLanguage::English).data(), 20));
    EXPECT_TRUE(range_equals(img, 0x3B8, language_history_pair(TextLanguage::German)->data(), 40));
    EXPECT_EQ(img.get_bits(0x3A, 0, 4), 11);
    EXPECT_EQ(img.get_bits(0x3E, 0, 4), 11);
}

TEST(ApplyLanguage, FrenchHistoryCarriesYAndT) {
    PagerImage img = filled(0);
    apply_language(img, 2);
    const std::string first(reinterpret_cast<const char*>(img.data() + 0x3B8), 20);
    const std::string second(reinterpret_cast<const char*>(img.data() + 0x3CC), 20);
    EXPECT_EQ(first, std::string("\x45\x0AHISTORIQUEY       "));
    EXPECT_EQ(second, std::string("\x25\x0AHISTORIQUET       "));
}

TEST(ApplyLanguage, ReselectingOverwritesEdits) {
    PagerImage img = filled(0);
    apply_language(img, 3);
    img[0x116] = 'X';
    img[0x100] = 0x07;
    apply_language(img, 3);
    EXPECT_TRUE(range_equals(img, 0x100, text_block(TextLanguage::German).data(), 620));
}

TEST(ApplyLanguage, GermanTextsGoInAsLatin1) {
    PagerImage img = filled(0);
    apply_language(img, 3);
    // "Menü/zurück" in entry 2: ü stays 252, not the pager's 125.
    EXPECT_EQ(img[0x100 + 40 + 2 + 3], 252);
    EXPECT_EQ(language_code_of(img), 8);
}

} // namespace
} // namespace kpr
