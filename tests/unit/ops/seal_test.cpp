#include "ops/seal.h"

#include "fakes.h"

#include <gtest/gtest.h>

#include <cstring>

namespace kpr {
namespace {

std::array<uint8_t, 14> serial_area(const std::string& serial, uint16_t sum) {
    std::array<uint8_t, 14> a{};
    for (int i = 0; i < 12; ++i)
        a[i] = static_cast<uint8_t>(serial[i]);
    a[12] = static_cast<uint8_t>(sum >> 8);
    a[13] = static_cast<uint8_t>(sum & 0xFF);
    return a;
}

uint16_t text_sum(const std::string& s) {
    uint16_t v = 0;
    for (unsigned char c : s)
        v = static_cast<uint16_t>(v + c);
    return v;
}

TEST(SealTest, ErasedSerialGetsTheDefaultAndItsChecksum) {
    PagerImage img;
    std::array<uint8_t, 14> erased;
    erased.fill(0xFF); // twelve &HFF sum to &H0BF4, not &HFFFF
    EXPECT_TRUE(merge_serial(img, erased));
    finish_seal(img, ImageUpperBound, true);
    EXPECT_EQ(0, std::memcmp(img.data() + AddrSerialFirst, "Vard0000000 ", 12));
    uint16_t c = text_sum("Vard0000000 ");
    EXPECT_EQ(img[AddrSerialSumHigh], c >> 8);
    EXPECT_EQ(img[AddrSerialSumLow], c & 0xFF);
}

TEST(SealTest, ValidSerialIsKeptWithItsOwnChecksum) {
    PagerImage img;
    for (int i = 0; i < 14; ++i)
        img[AddrSerialFirst + i] = 'Z'; // what the editor showed
    auto area = serial_area("PGR000123456", text_sum("PGR000123456"));
    EXPECT_FALSE(merge_serial(img, area));
    finish_seal(img, ImageUpperBound, false);
    EXPECT_EQ(0, std::memcmp(img.data() + AddrSerialFirst, area.data(), 14));
}

TEST(SealTest, SerialWithWrongChecksumIsReplaced) {
    PagerImage img;
    auto area = serial_area("PGR000123456", text_sum("PGR000123456") + 1);
    EXPECT_TRUE(merge_serial(img, area));
    EXPECT_EQ(0, std::memcmp(img.data() + AddrSerialFirst, "Vard0000000 ", 12));
}

TEST(SealTest, FirmwareByteIsTakenUnlessBlank) {
    PagerImage img;
    img[AddrFirmware] = 40;
    EXPECT_FALSE(merge_firmware_byte(img, 37));
    EXPECT_EQ(img[AddrFirmware], 37);
    EXPECT_TRUE(merge_firmware_byte(img, 255));
    EXPECT_EQ(img[AddrFirmware], 37);
}

TEST(SealTest, SealSetsWrittenFlagAndImageChecksumSkipping992) {
    PagerImage img;
    for (int i = 0; i < ImageSize; ++i)
        img[i] = static_cast<uint8_t>(i * 7 + 3);
    finish_seal(img, ImageUpperBound, true);
    EXPECT_EQ(img[AddrWrittenFlag], 1);
    uint32_t sum = 0;
    for (int i = 0; i <= 2045; ++i)
        if (i != 992)
            sum += img[i];
    EXPECT_EQ(img[2046], (sum >> 8) & 0xFF);
    EXPECT_EQ(img[2047], sum & 0xFF);
    EXPECT_TRUE(image_checksum_ok(img.bytes(), ImageUpperBound));
    EXPECT_TRUE(serial_checksum_ok(img.bytes()));
}

TEST(SealTest, EveryByteButTheWrittenFlagMovesTheChecksum) {
    PagerImage base;
    finish_seal(base, ImageUpperBound, true);
    uint16_t original = image_checksum(base.bytes(), ImageUpperBound);
    for (int a = 0; a <= 2045; ++a) {
        PagerImage changed = base;
        changed[a] = static_cast<uint8_t>(changed[a] + 1);
        uint16_t c = image_checksum(changed.bytes(), ImageUpperBound);
        if (a == AddrWrittenFlag)
            EXPECT_EQ(c, original) << a;
        else
            EXPECT_NE(c, original) << a;
    }
}

TEST(SealTest, SerialChecksumIsComputedBeforeTheImageChecksum) {
    // The image checksum covers 1250/1251, so it must see the recomputed serial checksum.
    PagerImage img;
    img[AddrSerialSumHigh] = 0x55;
    img[AddrSerialSumLow] = 0x55;
    finish_seal(img, ImageUpperBound, true);
    EXPECT_TRUE(image_checksum_ok(img.bytes(), ImageUpperBound));
    EXPECT_TRUE(serial_checksum_ok(img.bytes()));
}

std::vector<uint8_t> with_model(const std::string& text) {
    std::vector<uint8_t> b(ImageSize, 0);
    for (size_t i = 0; i < text.size(); ++i)
        b[AddrModelFirst + i] = static_cast<uint8_t>(text[i]);
    return b;
}

TEST(ReadChecksTest, ModelTextStopsAtTheFirstUnprintableByte) {
    EXPECT_EQ(model_text(with_model("KPR350102V3.80")), "KPR350102V3.80");
    auto b = with_model("KPR350102V3.80");
    b[AddrModelFirst + 3] = 7;
    EXPECT_EQ(model_text(b), "KPR");
    b[AddrModelFirst + 3] = 128;
    EXPECT_EQ(model_text(b), "KPR");
    EXPECT_EQ(model_text(with_model("KPR350102V3.80XYZ")), "KPR350102V3.80"); // 14 at most
}

TEST(ReadChecksTest, WrongModelMessageShowsWhatThePagerSays) {
    EXPECT_FALSE(model_ok("KPR"));
    EXPECT_EQ(wrong_model_message("KPR"),
              "This pager is not KPR35T !\r\n\r\nIt is KPR ( PCB , Software  )");
    EXPECT_FALSE(model_ok("KPR360102V3.80"));
    EXPECT_EQ(wrong_model_message("KPR360102V3.80"),
              "This pager is not KPR35T !\r\n\r\nIt is KPR36 ( PCB 0102, Software V3.80 )");
    EXPECT_TRUE(model_ok("KPR35"));
    EXPECT_TRUE(model_ok("KPR35T102V3.80"));
}

TEST(ReadChecksTest, ChecksumsAreTestedOnlyAboveVersion372) {
    EXPECT_FALSE(checksum_switch_on("KPR350102V3.72"));
    EXPECT_TRUE(checksum_switch_on("KPR350102V3.73"));
    EXPECT_TRUE(checksum_switch_on("KPR350102V3.80"));
    EXPECT_FALSE(checksum_switch_on("KPR350102     "));
    EXPECT_FALSE(checksum_switch_on("KPR350102"));
    EXPECT_FALSE(checksum_switch_on("KPR350102VX.YZ"));
    EXPECT_FALSE(checksum_switch_on("KPR350102V3.7")); // "37"
}

TEST(ReadChecksTest, EitherChecksumVariantPassesByteByByte) {
    std::vector<uint8_t> b(ImageSize, 0);
    for (int i = 0; i < ImageSize; ++i)
        b[i] = static_cast<uint8_t>(i * 13);
    b[AddrFirmware] = 0x00;
    b[AddrFirmware2] = 0x00;
    uint16_t a = image_checksum(b, ImageUpperBound);
    uint16_t blank = image_checksum_blank_firmware(b, ImageUpperBound);
    ASSERT_EQ(static_cast<uint16_t>(blank - a), 0x1FE);
    // both bytes from a, both from b, and mixed either way
    for (auto [hi, lo] : {std::pair{a >> 8, a & 0xFF}, std::pair{blank >> 8, blank & 0xFF},
                          std::pair{blank >> 8, a & 0xFF}, std::pair{a >> 8, blank & 0xFF}}) {
        b[2046] = static_cast<uint8_t>(hi);
        b[2047] = static_cast<uint8_t>(lo);
        EXPECT_TRUE(image_checksum_ok(b, ImageUpperBound));
    }
    b[2046] = static_cast<uint8_t>(a >> 8);
    b[2047] = static_cast<uint8_t>((a & 0xFF) + 1);
    EXPECT_FALSE(image_checksum_ok(b, ImageUpperBound));
    b[2046] = static_cast<uint8_t>((a >> 8) + 7);
    b[2047] = static_cast<uint8_t>(a & 0xFF);
    EXPECT_FALSE(image_checksum_ok(b, ImageUpperBound));
}

TEST(ReadChecksTest, VerifyFindsTheFirstDifference) {
    std::vector<uint8_t> x(ImageSize, 1), y(ImageSize, 1);
    EXPECT_FALSE(first_difference(x, y, 0, ImageUpperBound));
    y[2047] = 2;
    y[1500] = 2;
    EXPECT_EQ(first_difference(x, y, 0, ImageUpperBound), 1500);
    EXPECT_FALSE(first_difference(x, y, 0, 1499));
}

} // namespace
} // namespace kpr
