// The rules that guard a pager's memory: the seal before a write, the checks after a read.
#include "ops/seal.h"

#include <gtest/gtest.h>

#include <cstring>
#include <tuple>

namespace kpr {
namespace {

std::array<uint8_t, 14> serial_area(const char* serial, uint16_t sum) {
    std::array<uint8_t, 14> a{};
    std::copy_n(serial, 12, a.begin());
    a[12] = static_cast<uint8_t>(sum >> 8), a[13] = static_cast<uint8_t>(sum & 0xFF);
    return a;
}

TEST(Seal, TheSerialNumberIsKeptOnlyWhenItsChecksumHolds) {
    std::array<uint8_t, 14> erased;
    erased.fill(0xFF); // twelve &HFF sum to &H0BF4, not &HFFFF
    const struct {
        std::array<uint8_t, 14> area;
        bool replaced;
        std::string serial;
    } cases[] = {{erased, true, "Vard0000000 "},
                 {serial_area("PGR000123456", 0x02AE), false, "PGR000123456"},
                 {serial_area("PGR000123456", 0x02AF), true, "Vard0000000 "}};
    for (const auto& c : cases) {
        PagerImage img;
        EXPECT_EQ(merge_serial(img, c.area), c.replaced) << c.serial;
        EXPECT_EQ(std::string(img.data() + AddrSerialFirst, img.data() + AddrSerialLast + 1),
                  c.serial);
    }
}

// Worked out by hand: "Vard0000000 " sums to 765 = &H02FD; the image sum leaves out the
// written flag and takes in the serial checksum: 765 + &H02 + &HFD = 1020 = &H03FC.
TEST(Seal, AnEmptyImageWithTheDefaultSerialSealsToKnownChecksums) {
    PagerImage img;
    std::array<uint8_t, 14> erased;
    erased.fill(0xFF);
    merge_serial(img, erased);
    finish_seal(img, ImageUpperBound, true);
    EXPECT_EQ(img[AddrWrittenFlag], 1);
    EXPECT_EQ(img[AddrSerialSumHigh], 0x02);
    EXPECT_EQ(img[AddrSerialSumLow], 0xFD);
    EXPECT_EQ(img[2046], 0x03);
    EXPECT_EQ(img[2047], 0xFC);
}

TEST(Seal, EveryByteButTheWrittenFlagAndTheChecksumMovesTheImageChecksum) {
    PagerImage base;
    const uint16_t original = image_checksum(base.bytes(), ImageUpperBound);
    for (int a = 0; a < ImageSize; ++a) {
        PagerImage changed = base;
        changed[a] = 1;
        const bool counted = a != AddrWrittenFlag && a < ImageSize - 2;
        EXPECT_EQ(image_checksum(changed.bytes(), ImageUpperBound) != original, counted) << a;
    }
}

TEST(ReadChecks, ModelTextDecidesModelAndWhetherChecksumsAreTested) {
    const struct {
        const char* bytes; // at 993 on
        const char* text;
        bool ok, checksums;
        const char* refusal;
    } cases[] = {
        {"KPR350102V3.80", "KPR350102V3.80", true, true, nullptr},
        {"KPR350102V3.80XYZ", "KPR350102V3.80", true, true, nullptr}, // 14 at most
        {"KPR350102V3.73", "KPR350102V3.73", true, true, nullptr},
        {"KPR350102V3.72", "KPR350102V3.72", true, false, nullptr},
        {"KPR350102VX.YZ", "KPR350102VX.YZ", true, false, nullptr},
        {"KPR350102V3.7", "KPR350102V3.7", true, false, nullptr},
        {"KPR350102", "KPR350102", true, false, nullptr},
        {"KPR\x07", "KPR", false, false, "It is KPR ( PCB , Software  )"},
        {"KPR\x80", "KPR", false, false, "It is KPR ( PCB , Software  )"},
        {"KPR360102V3.80", "KPR360102V3.80", false, true,
         "It is KPR36 ( PCB 0102, Software V3.80 )"},
    };
    for (const auto& c : cases) {
        std::vector<uint8_t> b(ImageSize, 0);
        std::copy_n(c.bytes, std::strlen(c.bytes), b.begin() + AddrModelFirst);
        const std::string text = model_text(b);
        EXPECT_EQ(text, c.text);
        EXPECT_EQ(model_ok(text), c.ok) << text;
        EXPECT_EQ(checksum_switch_on(text), c.checksums) << text;
        if (c.refusal) {
            EXPECT_EQ(wrong_model_message(text),
                      std::string("This pager is not KPR35T !\r\n\r\n") + c.refusal);
        }
    }
}

TEST(ReadChecks, EachStoredChecksumByteMayMatchEitherVariant) {
    std::vector<uint8_t> b(ImageSize, 0);
    const uint16_t a = image_checksum(b, ImageUpperBound);
    const uint16_t blank = image_checksum_blank_firmware(b, ImageUpperBound);
    ASSERT_EQ(blank - a, 0x1FE); // two firmware bytes counted as &HFF
    for (auto [hi, lo, ok] : {std::tuple{a >> 8, a & 0xFF, true},
                              {blank >> 8, blank & 0xFF, true},
                              {blank >> 8, a & 0xFF, true},
                              {a >> 8, (a & 0xFF) + 1, false},
                              {(a >> 8) + 7, a & 0xFF, false}}) {
        b[2046] = static_cast<uint8_t>(hi), b[2047] = static_cast<uint8_t>(lo);
        EXPECT_EQ(image_checksum_ok(b, ImageUpperBound), ok) << hi << ' ' << lo;
    }
}

} // namespace
} // namespace kpr
