#include "text/default_image.h"

#include "text/language.h"
#include "text/language_tables.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <sstream>
#include <string>

namespace kpr {
namespace {

// Writes space-separated hexadecimal bytes from addr on; returns the next address.
int hex(PagerImage& img, int addr, const char* bytes) {
    std::istringstream in(bytes);
    std::string tok;
    while (in >> tok)
        img[addr++] = static_cast<uint8_t>(std::stoi(tok, nullptr, 16));
    return addr;
}
int text(PagerImage& img, int addr, const std::string& s) {
    for (char c : s)
        img[addr++] = static_cast<uint8_t>(c);
    return addr;
}
void fill(PagerImage& img, int first, int last, uint8_t v) {
    for (int a = first; a <= last; ++a)
        img[a] = v;
}
std::string bytes_at(const PagerImage& img, int addr, int n) {
    return std::string(reinterpret_cast<const char*>(img.data() + addr), n);
}

// The default image the program must build, as rows of a hex dump, apart from the texts checked
// elsewhere.
PagerImage expected_default() {
    PagerImage e;
    hex(e, 0x000, "FF FF FF FF 00 00 B4 A0 00 00 28 01 00 02 05 0A");
    hex(e, 0x010, "0A 0A 0A 0A 0A 0A 0A 0A 0A 0A 0A 0A 0A 0A 3C 3C");
    hex(e, 0x020, "3C 3C 3C 3C 3C 3C 3C 3C 3C 3C 3C 3C 5A 96 11 FF");
    hex(e, 0x030, "FF FB 00 00 00 00 06 00 00 41 42 0E 40 2C 52 00");
    hex(e, 0x040, "61 1E 5A D0 60 22 5A D0 60 46 5A D0 60 6A 5A D0");
    hex(e, 0x050, "60 8E 5A D0 60 B2 5A D0 60 D6 5A D0 60 FA 5A D0");
    hex(e, 0x060, "40 2A 41 A9 00 14 E7 90 00 17 58 90 78 12 F7 A2");
    const int a = text(e, 0x070, DefaultAirProgramText);
    EXPECT_EQ(a, 0x077);
    hex(e, 0x077, "F0 07 08 09 0A 0B 0C 0D 00");
    hex(e, 0x080, "21 10 16 1C 21 24 27 2A 2C 04 A3 22 16 CC DA E1");
    hex(e, 0x090, "08 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00");
    text(e, hex(e, 0x0A0, "43 0A"), "FLASH ONLY        ");
    hex(e, 0x0B4, "E1 6C 63 87 79 E4 61 A4 FC F0 84 7D");
    hex(e, 0x0C0, "6B FC A7 C5 30 A7 79 85 71 E4 62 87 E1 E6 F9 FE");
    hex(e, 0x0D0, "C3 30 92 34 A7 F9 8C 62 A5 01 E4 B6 B1 91 27 AA");
    hex(e, 0x0E0, "E4 9E 6B 9C 87 B9 EF 6B 91 71 82 8B 21 A7 29 E7");
    hex(e, 0x0F0, "B9 F6 44 1B 87 B9 E6 89 12 F8 D1 A3 E8 42 CB 42");
    const TextBlock& en = text_block(TextLanguage::English);
    std::copy(en.begin(), en.end(), e.bytes().begin() + 0x100);
    hex(e, 0x36C, "79 C6 3E 05");
    fill(e, 0x370, 0x38F, 0x00);
    fill(e, 0x390, 0x3AF, 0x02);
    for (int i = 0; i < 4; ++i)
        e[0x3B3 - i] = static_cast<uint8_t>(DefaultPassword[i] - '0');
    hex(e, 0x3B4, "E7 F5 B1 B2");
    text(e, hex(e, 0x3B8, "46 0B"), "SET HISTORY       ");
    text(e, hex(e, 0x3CC, "24 0B"), "HISTORY SET       ");
    hex(e, text(e, hex(e, 0x3E0, "0C"), "KPR35T  0V5.21"), "90");
    hex(e, 0x3F0, "94 E9 58 44 B0 84 B9 89 FB C3 4A 24 22 70 92 0D");
    fill(e, 0x400, 0x53F, 0xFF);
    text(e, hex(e, 0x428, "27 08"), "CHARGING");
    text(e, 0x4D6, "Vard0000000");
    text(e, hex(e, 0x4E4, "43 0E"), "MAIL DROP AREA    ");
    hex(e, 0x4F8, "27");
    hex(e, 0x520, "96");
    hex(e, 0x527, "2D 05 B4 D3 02 DD 03 30 01 00 00");
    text(e, 0x532, DefaultDisplayText);
    hex(e, 0x53E, "2B 00");
    for (int n = 1; n <= 32; ++n) {
        const std::string name = "NEWS " + std::to_string(n);
        const int at = 0x540 + 20 * (n - 1);
        e[at] = 0x05;
        e[at + 1] = static_cast<uint8_t>(n < 10 ? 6 : 7);
        text(e, at + 2, name + std::string(18 - name.size(), ' '));
    }
    fill(e, 0x7C0, 0x7DF, 0x00);
    hex(e, 0x7E0, "01 01 01 01 00 FF FF 01 01 01 01 01 FF FF FF FF");
    hex(e, 0x7F0, "01 01 01 01 01 01 01 01 08 14 0E 0D CC FF FF FF");
    return e;
}

TEST(DefaultImage, EveryByteAsExpected) {
    const PagerImage img = build_default_image();
    const PagerImage exp = expected_default();
    ASSERT_EQ(img.bytes().size(), 2048u);
    for (int a = 0; a < ImageSize; ++a)
        EXPECT_EQ(img[a], exp[a]) << "address 0x" << std::hex << a;
    EXPECT_EQ(default_image(), img);
}

TEST(DefaultImage, ModelTextAndPowerUpText) {
    const PagerImage img = build_default_image();
    EXPECT_EQ(bytes_at(img, 993, 5), "KPR35");
    EXPECT_EQ(bytes_at(img, 0x100, 10), std::string("\x05\x08QUINTA  "));
    EXPECT_EQ(bytes_at(img, 0x5F4, 20), std::string("\x05\x07NEWS 10           "));
    EXPECT_EQ(bytes_at(img, 0x540, 20), std::string("\x05\x06NEWS 1            "));
    EXPECT_EQ(bytes_at(img, 0x7AC, 20), std::string("\x05\x07NEWS 32           "));
    // Serial number: eleven characters, the twelfth byte and the check sum stay erased.
    EXPECT_EQ(bytes_at(img, 0x4D6, 11), "Vard0000000");
    EXPECT_EQ(img[0x4E1], 0xFF);
    EXPECT_EQ(img[0x4E2], 0xFF);
    EXPECT_EQ(img[0x4E3], 0xFF);
}

TEST(DefaultImage, ChosenValuesKeepTheirRules) {
    const PagerImage img = build_default_image();
    for (int a = 0x70; a <= 0x76; ++a)
        EXPECT_TRUE(img[a] >= 'A' && img[a] <= 'Z') << a;
    const std::string disp = bytes_at(img, 0x532, 12);
    for (char c : disp)
        EXPECT_TRUE(std::isprint(static_cast<unsigned char>(c)));
    const auto first = disp.find_first_not_of(' ');
    const auto last = disp.find_last_not_of(' ');
    ASSERT_NE(first, std::string::npos);
    const int left = static_cast<int>(first), right = 11 - static_cast<int>(last);
    EXPECT_LE(std::abs(left - right), 1) << "display text not centred: '" << disp << "'";
    for (int a = 0x3B0; a <= 0x3B3; ++a)
        EXPECT_LE(img[a], 9) << a;
}

// The settings the bound controls show for the default image.
TEST(DefaultImage, BoundSettings) {
    const PagerImage img = build_default_image();
    EXPECT_EQ(img.get_bits(0x36, 0, 1), 0); // frequency modification (inverted): checked
    EXPECT_EQ(img.get_bits(0x36, 1, 1), 1);
    EXPECT_EQ(img.get_bits(0x36, 2, 1), 1);
    for (int bit : {3, 5, 6, 7})
        EXPECT_EQ(img.get_bits(0x36, bit, 1), 0) << bit;
    EXPECT_EQ(img.get_bits(0x39, 0, 2), 1); // "12 sec"
    EXPECT_EQ(img.get_bits(0x39, 3, 1), 0); // duplicate detect (inverted): checked
    EXPECT_EQ(img.get_bits(0x39, 4, 1), 0); // counter out (inverted): checked
    EXPECT_EQ(img.get_bits(0x39, 5, 1), 0);
    EXPECT_EQ(img.get_bits(0x39, 6, 1), 1);
    EXPECT_EQ(img.get_bits(0x39, 7, 1), 0);
    EXPECT_EQ(img.get_bits(0x3B, 0, 2), 2); // logo text present
    EXPECT_EQ(img.get_bits(0x3B, 2, 1), 1);
    EXPECT_EQ(img.get_bits(0x3B, 3, 1), 1); // "mm-dd-yy"
    EXPECT_EQ(img.get_bits(0x3B, 4, 1), 0); // "Page Count"
    EXPECT_EQ(img.get_bits(0x3C, 6, 2), 1); // "2 minutes"
    EXPECT_EQ(img.get_bits(0x3C, 0, 4), 0); // cboSLC "Disable"
    EXPECT_EQ(img.get_bits(0x3D, 4, 1), 0); // manual write (inverted): checked
    EXPECT_EQ(img.get_bits(0x3D, 6, 2), 0);
    EXPECT_EQ(img[0x40] & 1, 1);
    for (int slot = 1; slot < 8; ++slot)
        EXPECT_EQ(img[0x40 + 4 * slot] & 1, 0) << slot;
    EXPECT_EQ(img[0x61], 0x2A);
    EXPECT_EQ(img[0x62], 0x41);
    EXPECT_EQ(img.get_bits(0x61, 2, 1), 0); // "Normal"
    EXPECT_EQ(img.get_bits(0x61, 3, 2), 1); // "1200 bps"
    EXPECT_EQ(img.get_bits(0x63, 6, 2), 2);
    EXPECT_EQ(img[0x7F], 0);                 // history disable (inverted): checked
    EXPECT_EQ(img.get_bits(0x457, 6, 1), 1); // "NB"
    EXPECT_EQ(img.get_bits(0x4A1, 3, 1), 1); // remove first two chars (inverted): cleared
    EXPECT_EQ(img.get_bits(0x4FC, 2, 1), 1); // rechargeable 2.4 V: checked
    EXPECT_EQ(img.get_bits(0x31, 3, 1), 1);  // charger beeper (inverted): cleared
    for (int a = 0x7E0; a <= 0x7E3; ++a)
        EXPECT_EQ(img[a], 1) << a;
    EXPECT_EQ(img[0x89], 4);
    EXPECT_EQ(img.get_bits(0x3A, 0, 4), 2);
    EXPECT_EQ(img.get_bits(0x3E, 0, 4), 2);
    EXPECT_EQ(img.get_bits(0x3F, 0, 4), 0);
}

// ---- Load Default ----

PagerImage scribbled() {
    PagerImage img = build_default_image();
    apply_language(img, 0);
    for (int a = 0x100; a <= 0x36B; ++a)
        img[a] = 'z';
    for (int a = 0x3B8; a <= 0x3DF; ++a)
        img[a] = 'h';
    for (int a = 0x540; a <= 0x7BF; ++a)
        img[a] = 's';
    for (int a = 0xA0; a <= 0xB3; ++a)
        img[a] = 'f';
    for (int a = 0x428; a <= 0x43B; ++a)
        img[a] = 'c';
    return img;
}

// Everything except [first, last] is as before.
void expect_only(const PagerImage& before, const PagerImage& after, int first, int last,
                 int first2 = -1, int last2 = -1) {
    for (int a = 0; a < ImageSize; ++a) {
        const bool allowed = (a >= first && a <= last) || (a >= first2 && a <= last2);
        if (!allowed) {
            EXPECT_EQ(after[a], before[a]) << "address 0x" << std::hex << a;
        }
    }
}

TEST(LoadDefault, PowerUpPromptEnglish) {
    const PagerImage before = scribbled();
    PagerImage img = before;
    EXPECT_TRUE(load_default_prompt(img, 0x100, 0));
    EXPECT_EQ(bytes_at(img, 0x100, 20), std::string("\x05\x08QUINTA            "));
    expect_only(before, img, 0x100, 0x113);
}

TEST(LoadDefault, TextRecordsComeFromTheSelectedLanguage) {
    // Prompt 17 (DELETE?) at 276 + 20 * 16 = &H254, i.e. entry 17 of the block.
    for (int pos = 0; pos < 6; ++pos) {
        const TextLanguage lang = language_item(pos)->texts;
        PagerImage img = scribbled();
        ASSERT_TRUE(load_default_prompt(img, 0x254, pos));
        const uint8_t* want = text_block(lang).data() + 17 * 20;
        EXPECT_EQ(bytes_at(img, 0x254, 20), std::string(reinterpret_cast<const char*>(want), 20))
            << pos;
    }
    PagerImage img = scribbled();
    load_default_prompt(img, 0x254, 3);
    EXPECT_EQ(bytes_at(img, 0x254, 20), std::string("\x46\x09L\366schen ?ELETE ?  "));
}

TEST(LoadDefault, FlashOnlyPerLanguage) {
    PagerImage img = scribbled();
    ASSERT_TRUE(load_default_prompt(img, 0xA0, 3));
    EXPECT_EQ(bytes_at(img, 0xA0, 20), std::string("\x43\x0BNur Blinken       "));
    ASSERT_TRUE(load_default_prompt(img, 0xA0, 1));
    EXPECT_EQ(bytes_at(img, 0xA0, 20), std::string("\x43\x0A"
                                                   "FLASH ONLY        "));
    img = scribbled();
    ASSERT_TRUE(load_default_prompt(img, 0xA0, 5)); // Swedish: English tables
    EXPECT_EQ(bytes_at(img, 0xA0, 20), std::string("\x43\x0A"
                                                   "FLASH ONLY        "));
}

TEST(LoadDefault, ChargingAndSourcePromptsInEveryLanguage) {
    for (int pos = 0; pos < 6; ++pos) {
        PagerImage img = scribbled();
        ASSERT_TRUE(load_default_prompt(img, 0x428, pos));
        EXPECT_EQ(bytes_at(img, 0x428, 20), std::string("\x27\x08"
                                                        "CHARGING") +
                                                std::string(10, '\xFF'));
        ASSERT_TRUE(load_default_prompt(img, 0x5F4, pos));
        EXPECT_EQ(bytes_at(img, 0x5F4, 20), std::string("\x05\x07NEWS 10           "));
        ASSERT_TRUE(load_default_prompt(img, 0x4E4, pos));
        EXPECT_EQ(bytes_at(img, 0x4E4, 20), std::string("\x43\x0EMAIL DROP AREA    "));
    }
}

TEST(LoadDefault, FrenchAndGermanAlsoRewriteTheHistoryPair) {
    const PagerImage before = scribbled();
    PagerImage img = before;
    ASSERT_TRUE(load_default_prompt(img, 0x5F4, 2));
    EXPECT_EQ(bytes_at(img, 0x3B8, 40), std::string("\x45\x0AHISTORIQUEY       "
                                                    "\x25\x0AHISTORIQUET       "));
    expect_only(before, img, 0x5F4, 0x607, 0x3B8, 0x3DF);

    img = before;
    ASSERT_TRUE(load_default_prompt(img, 0x114, 3));
    EXPECT_EQ(bytes_at(img, 0x3B8, 40), std::string("\x43\x0EVerlauf einst.    "
                                                    "\x25\x0EVerlauf einst.    "));
    expect_only(before, img, 0x114, 0x127, 0x3B8, 0x3DF);
}

TEST(LoadDefault, HistoryRecordsRestoreTheEnglishPair) {
    const PagerImage before = scribbled();
    PagerImage img = before;
    // English: only the current record changes; the other history record stays scribbled.
    ASSERT_TRUE(load_default_prompt(img, 0x3CC, 0));
    EXPECT_EQ(bytes_at(img, 0x3CC, 20), std::string("\x24\x0BHISTORY SET       "));
    EXPECT_EQ(bytes_at(img, 0x3B8, 20), std::string(20, 'h'));
    expect_only(before, img, 0x3CC, 0x3DF);
    // A Spanish selection has no history pair of its own: the English one comes back.
    img = before;
    ASSERT_TRUE(load_default_prompt(img, 0x3B8, 1));
    EXPECT_EQ(bytes_at(img, 0x3B8, 20), std::string("\x46\x0BSET HISTORY       "));
    // French: the English record is written, then the whole French pair over it.
    img = before;
    ASSERT_TRUE(load_default_prompt(img, 0x3B8, 2));
    EXPECT_EQ(bytes_at(img, 0x3B8, 20), std::string("\x45\x0AHISTORIQUEY       "));
}

TEST(LoadDefault, EnglishLeavesHistoryAloneForOtherPrompts) {
    const PagerImage before = scribbled();
    PagerImage img = before;
    ASSERT_TRUE(load_default_prompt(img, 0x2E0, 0)); // MESSAGE AREA
    EXPECT_EQ(bytes_at(img, 0x2E0, 20), std::string("\x46\x0CMESSAGE AREA      "));
    expect_only(before, img, 0x2E0, 0x2F3);
}

TEST(LoadDefault, NoSelectionWritesNothing) {
    const PagerImage before = scribbled();
    for (int pos : {-1, 6}) {
        PagerImage img = before;
        EXPECT_TRUE(load_default_prompt(img, 0x100, pos));
        EXPECT_EQ(img, before);
    }
}

TEST(LoadDefault, UnrestorableAddressesAreRefused) {
    const PagerImage before = scribbled();
    for (int addr : {-1, 0, 0x9F, 0xA1, 0xFF, 0x359, 0x36B, 0x3ED, 0x3FF, 0x7ED, 0x800}) {
        PagerImage img = before;
        EXPECT_FALSE(load_default_prompt(img, addr, 2)) << addr;
        EXPECT_EQ(img, before) << addr;
    }
    // The last whole records of each area are accepted.
    PagerImage img = before;
    EXPECT_TRUE(load_default_prompt(img, 0x358, 0));
    EXPECT_TRUE(load_default_prompt(img, 0x3EC, 0));
    EXPECT_TRUE(load_default_prompt(img, 0x7EC, 0));
}

} // namespace
} // namespace kpr
