// The built-in texts and what choosing a language does to an image.
#include "text/language.h"

#include "support/image_checks.h"
#include "text/charset.h"
#include "text/language_tables.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kpr {
namespace {

// Checksums of every table, worked out once from the texts apart from the tables; a single
// wrong, missing or swapped byte anywhere changes them. Bytes past a text's length are part
// of the table and counted.
TEST(LanguageTables, ChecksumOfEveryTable) {
    const HistoryPair* french = language_history_pair(TextLanguage::French);
    const HistoryPair* german = language_history_pair(TextLanguage::German);
    ASSERT_TRUE(french && german);
    const struct {
        const char* what;
        const uint8_t* bytes;
        std::size_t size;
        uint32_t crc;
    } rows[] = {
        {"English texts", text_block(TextLanguage::English).data(), TextBlockSize, 0x7E2C1FF3u},
        {"Spanish texts", text_block(TextLanguage::Spanish).data(), TextBlockSize, 0x59592A58u},
        {"French texts", text_block(TextLanguage::French).data(), TextBlockSize, 0xF0F988D6u},
        {"German texts", text_block(TextLanguage::German).data(), TextBlockSize, 0x1FD7FD75u},
        {"English flash", flash_only_entry(TextLanguage::English).data(), 20, 0x10DF7150u},
        {"Spanish flash", flash_only_entry(TextLanguage::Spanish).data(), 20, 0x10DF7150u},
        {"French flash", flash_only_entry(TextLanguage::French).data(), 20, 0x10DF7150u},
        {"German flash", flash_only_entry(TextLanguage::German).data(), 20, 0x9ADAC92Eu},
        {"French history", french->data(), HistoryPairSize, 0x104038F1u},
        {"German history", german->data(), HistoryPairSize, 0x68DAD807u},
        {"default history", default_history_pair().data(), HistoryPairSize, 0x439B890Au},
    };
    for (const auto& r : rows)
        EXPECT_EQ(test::crc32(r.bytes, r.size), r.crc) << r.what;
    EXPECT_TRUE(!language_history_pair(TextLanguage::English) &&
                !language_history_pair(TextLanguage::Spanish));
}

TEST(LanguageList, CaptionsCodesAndPositions) {
    const char* items[] = {"English 2", "Spainish 5", "French 6",
                           "German 8",  "Danish 11",  "Swedish 15"};
    for (int i = 0; i < LanguageListSize; ++i) {
        ASSERT_NE(language_item(i), nullptr);
        EXPECT_EQ(language_item(i)->caption + (" " + std::to_string(language_item(i)->code)),
                  items[i]);
    }
    EXPECT_TRUE(!language_item(-1) && !language_item(6));
    const int position[16] = {0, 0, 0, -1, -1, 1, 2, -1, 3, -1, -1, 4, -1, -1, -1, 5};
    for (int code = 0; code < 16; ++code)
        EXPECT_EQ(language_list_position_for_code(code).value_or(-1), position[code]) << code;
}

void put(PagerImage& img, int addr, const uint8_t* bytes, int n) {
    std::copy(bytes, bytes + n, img.data() + addr);
}

// Choices made one after the other on an image whose texts are edited before each choice:
// codes in both nibbles (upper nibbles kept), the logo flag, the three copies, nothing else.
TEST(ApplyLanguage, ChoicesWriteExactlyTheirAreas) {
    const struct {
        std::vector<int> picks;
        int code; // -1: no language applied
        TextLanguage texts;
        const HistoryPair* history; // nullptr: &H3B8-&H3DF left alone
    } rows[] = {
        {{0}, 2, TextLanguage::English, nullptr},
        {{1}, 5, TextLanguage::Spanish, nullptr},
        {{2}, 6, TextLanguage::French, language_history_pair(TextLanguage::French)},
        {{3}, 8, TextLanguage::German, language_history_pair(TextLanguage::German)},
        {{4}, 11, TextLanguage::English, nullptr},
        {{5}, 15, TextLanguage::English, nullptr},
        {{3, 4}, 11, TextLanguage::English, language_history_pair(TextLanguage::German)},
        {{3, 3}, 8, TextLanguage::German, language_history_pair(TextLanguage::German)},
        {{-1}, -1, TextLanguage::English, nullptr},
        {{6}, -1, TextLanguage::English, nullptr},
    };
    for (const auto& r : rows) {
        PagerImage img;
        img.bytes().fill(0xA5);
        bool applied = false;
        for (int pick : r.picks) {
            std::fill(img.data() + 0x100, img.data() + 0x36C, 'X');
            applied = apply_language(img, pick);
        }
        EXPECT_EQ(applied, r.code >= 0);
        PagerImage want;
        want.bytes().fill(0xA5);
        std::fill(want.data() + 0x100, want.data() + 0x36C, 'X');
        want[0x3B] = 0xA6; // bits 0-1 = 2: logo text present
        if (r.code >= 0) {
            want[0x3A] = want[0x3E] = static_cast<uint8_t>(0xA0 | r.code);
            put(want, 0x100, text_block(r.texts).data(), TextBlockSize);
            put(want, 0xA0, flash_only_entry(r.texts).data(), TextEntrySize);
        }
        if (r.history)
            put(want, 0x3B8, r.history->data(), HistoryPairSize);
        EXPECT_EQ(test::first_difference(img, want), -1) << "picks " << r.picks.back();
    }
}

} // namespace
} // namespace kpr
