// The default image and the per-prompt Load Default.
#include "text/default_image.h"

#include "support/image_checks.h"
#include "text/language.h"

#include <gtest/gtest.h>

#include <string>

namespace kpr {
namespace {

// Checksums of the default image, region by region, worked out once from a byte-by-byte
// listing of the image the program must build.
TEST(DefaultImage, ChecksumOfEveryRegion) {
    const PagerImage& img = default_image();
    const struct {
        int first, last;
        uint32_t crc;
    } rows[] = {
        {0x000, 0x09F, 0x5FE3AEC0u}, // settings, capcodes, frequency, air-programming text
        {0x0A0, 0x0B3, 0x10DF7150u}, // English FLASH ONLY
        {0x0B4, 0x0FF, 0x0860443Cu}, {0x100, 0x36B, 0x7E2C1FF3u}, // English texts
        {0x36C, 0x3B7, 0x5C0368D0u},                              // history prompts, password
        {0x3B8, 0x3DF, 0x439B890Au},                              // English history pair
        {0x3E0, 0x3FF, 0x9679E0FEu},                              // model and version text
        {0x400, 0x53F, 0x09FA7155u}, // CHARGING, serial number, MAIL DROP AREA, display text
        {0x540, 0x7BF, 0x0960F880u}, // NEWS 1 ... NEWS 32
        {0x7C0, 0x7FF, 0xA9AC4317u}, // enable and key bytes
    };
    for (const auto& r : rows)
        EXPECT_EQ(test::crc32(img.data() + r.first, r.last - r.first + 1), r.crc)
            << std::hex << r.first << "-" << r.last;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(img.data()) + 993, 5), "KPR35");
}

// Load Default on an image whose texts were all overwritten: the record, and for French and
// German the history pair, come back; not a byte more.
TEST(LoadDefault, RecordAndLanguageToBytes) {
    PagerImage scribbled;
    scribbled.bytes().fill('z');
    const char* fr = "\x45\x0AHISTORIQUEY       \x25\x0AHISTORIQUET       ";
    const char* de = "\x43\x0EVerlauf einst.    \x25\x0EVerlauf einst.    ";
    const struct {
        int addr, language;            // list position; Danish and Swedish use the English tables
        const char* record;            // 20 bytes; nullptr: the default image's
        const char* history = nullptr; // 40 bytes at &H3B8; nullptr: left alone
    } rows[] = {
        {0x100, 0, "\x05\x08QUINTA            "},
        {0x254, 3, "\x46\x09L\366schen ?ELETE ?  ", de},
        {0x114, 3, "\x03\x0FKeine Nachricht   ", de},
        {0x2E0, 0, "\x46\x0CMESSAGE AREA      "},
        {0x358, 4, "\106\011CHIRP OFF         "},
        {0xA0, 3, "\x43\x0BNur Blinken       ", de},
        {0xA0, 1, "\103\012FLASH ONLY        "},
        {0xA0, 5, "\103\012FLASH ONLY        "},
        {0x428, 4, "\047\010CHARGING\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF"},
        {0x4E4, 0, "\x43\x0EMAIL DROP AREA    "},
        {0x5F4, 2, "\x05\x07NEWS 10           ", fr},
        {0x7EC, 1, nullptr}, // the last whole record
        // History records: the English pair, record by record; French writes its pair over it.
        {0x3CC, 0, "\x24\x0BHISTORY SET       "},
        {0x3B8, 1, "\x46\x0BSET HISTORY       "},
        {0x3B8, 2, "\x45\x0AHISTORIQUEY       ", fr},
        {0x3EC, 5, nullptr}, // the last whole record of the area
        {0x100, -1, ""},     // no language selected: nothing written, yet done
        {0x100, 6, ""},
    };
    for (const auto& r : rows) {
        PagerImage img = scribbled, want = scribbled;
        if (!r.record)
            std::copy_n(default_image().data() + r.addr, 20, want.data() + r.addr);
        else if (*r.record)
            std::copy_n(r.record, 20, want.data() + r.addr);
        if (r.history)
            std::copy_n(r.history, 40, want.data() + 0x3B8);
        EXPECT_TRUE(load_default_prompt(img, r.addr, r.language)) << r.addr;
        EXPECT_EQ(test::first_difference(img, want), -1) << std::hex << r.addr << " " << r.language;
    }
    // No restorable 20-byte record there: refused, nothing changes.
    for (int addr : {-1, 0, 0x9F, 0xA1, 0xFF, 0x359, 0x36B, 0x3ED, 0x3FF, 0x7ED, 0x800}) {
        PagerImage img = scribbled;
        EXPECT_FALSE(load_default_prompt(img, addr, 2)) << addr;
        EXPECT_EQ(img, scribbled) << addr;
    }
}

} // namespace
} // namespace kpr
