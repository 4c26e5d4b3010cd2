// Bit fields of the image, the descriptor texts that name them, the bound controls built on
// them and the names of the image's regions.
#include "image/bound_controls.h"
#include "image/field_descriptor.h"
#include "image/pager_image.h"

#include <gtest/gtest.h>

#include <set>
#include <stdexcept>
#include <tuple>

namespace kpr {
namespace {

TEST(PagerImage, BitFieldsStayInsideTheirByte) {
    struct Row {
        int bit, value, len;
        int after; // -1: refused, byte unchanged
    } const rows[] = {
        {3, 2, 2, 0xB5}, {4, 3, 4, 0x35}, {0, 0x5A, 8, 0x5A}, {7, 0, 1, 0x25},
        {6, 1, 3, -1},   {0, 4, 2, -1},   {0, -1, 2, -1},
    };
    for (const Row& r : rows) {
        PagerImage img;
        img[0x7FF] = 0xA5;
        EXPECT_EQ(img.set_bits(0x7FF, r.bit, r.value, r.len), r.after >= 0) << r.bit << r.len;
        EXPECT_EQ(img[0x7FF], r.after >= 0 ? r.after : 0xA5) << r.bit << r.len;
        if (r.after >= 0) {
            EXPECT_EQ(img.get_bits(0x7FF, r.bit, r.len), r.value);
        }
    }
    PagerImage img;
    EXPECT_THROW(img[ImageSize], std::out_of_range);
    EXPECT_THROW(img[-1], std::out_of_range);
    EXPECT_THROW((void)img.get_bits(4096, 0, 1), std::out_of_range);
}

TEST(FieldDescriptor, TextToField) {
    struct Row {
        const char* text;
        int addr, bit, len;
        FieldKind kind;
        bool fits;
    } const rows[] = {
        {"&H61,3,2,cboBaud", 0x61, 3, 2, FieldKind::CboBaud, true},
        {"97,3,2,cboBaud", 0x61, 3, 2, FieldKind::CboBaud, true},
        {"&h7E3,0,8,chkN,120,340,1095,255", 0x7E3, 0, 8, FieldKind::ChkN, true},
        {"&H7FF,0,8,chkSource", 0x7FF, 0, 8, FieldKind::ChkSource, true},
        {"&H3F,0,4,Lng", 0x3F, 0, 4, FieldKind::Lng, true},
        {"&H39,0,2,cbo", 0x39, 0, 2, FieldKind::Cbo, true},
        {"&H39,7,1,chk", 0x39, 7, 1, FieldKind::Chk, true},
        {"&H36,0,1,chkn", 0x36, 0, 1, FieldKind::Other, true},
        {"&H3F,0,4,lng", 0x3F, 0, 4, FieldKind::Other, true},
        {"&H800,0,1,chk", 0x800, 0, 1, FieldKind::Chk, false},
        {"&H36,6,3,chk", 0x36, 6, 3, FieldKind::Chk, false},
        {"&HFFFF,0,1,chk", -1, 0, 1, FieldKind::Chk, false}, // 16-bit literal: -1
        {" 32767 ,0,1,chk", 32767, 0, 1, FieldKind::Chk, false},
    };
    for (const char* text :
         {"&H,0,1,chk", "12a,0,1,chk", "836,0", "", "&HZZ,0,1,chk", "&H10000,0,1,chk",
          "32768,0,1,chk", "0x10,0,1,chk", "&H36,256,1,chk", "&H36,0,-1,chk"})
        EXPECT_FALSE(parse_field_descriptor(text)) << text;
    for (const Row& r : rows) {
        const auto d = parse_field_descriptor(r.text);
        ASSERT_TRUE(d) << r.text;
        EXPECT_EQ(std::tuple(d->addr, d->bit, d->len, d->kind, d->fits_image()),
                  std::tuple(r.addr, r.bit, r.len, r.kind, r.fits))
            << r.text;
    }
    EXPECT_EQ(parse_int16_literal(" -5 "), -5);
}

TEST(BoundControls, EveryRowParsesFitsAndIsUnique) {
    const auto& t = bound_controls();
    // 22 single rows before the capcodes, 8 capcode boxes, 6 more, 32 source boxes, 4 keys.
    EXPECT_EQ(t.size(), 22u + 8u + 6u + 32u + 4u);
    std::set<std::string> keys;
    for (const auto& c : t) {
        EXPECT_TRUE(keys.insert(c.key()).second) << "duplicate " << c.key();
        EXPECT_EQ(parse_field_descriptor(c.tag), c.field) << c.tag;
        EXPECT_TRUE(c.field.fits_image()) << c.tag;
        EXPECT_NE(c.field.kind, FieldKind::Other) << c.tag;
        const bool isList = c.name.rfind("cbo", 0) == 0;
        EXPECT_EQ(isList, !c.items.empty()) << c.key();
        if (isList) {
            EXPECT_GE(size_t{1} << c.field.len, c.items.size()) << c.key();
        }
    }
}

TEST(BoundControls, KeysToRows) {
    const std::pair<const char*, const char*> tags[] = {
        {"chkCtl(29)", "&H31,3,1,chkN"},   {"chkCtl(15)", "&H7F,0,8,chkN"},
        {"chkCtl(54)", "&H39,3,1,chkN"},   {"cboCtl(0)", "&H457,6,1,cbo"},
        {"cboCtl(9)", "&H61,3,2,cboBaud"}, {"cboLogo", "&H3F,0,4,Lng"}};
    for (const auto& [key, tag] : tags)
        EXPECT_EQ(find_bound_control(key) ? find_bound_control(key)->tag : "none", tag) << key;
    for (const char* key :
         {"chkSource(32)", "chkSource(65)", "chkCtl(22)", "chkCtl(53)", "cboCtl(1)", "cboCtl(8)"})
        EXPECT_EQ(find_bound_control(key), nullptr) << key;
    // Captions keep their blanks.
    EXPECT_EQ(find_bound_control("chkCtl(7)")->caption, "Password Modification Enable ");
    EXPECT_EQ(find_bound_control("chkCtl(29)")->caption, "Ext. Charger's Beeper");
    EXPECT_EQ(find_bound_control("cboCtl(9)")->items,
              (std::vector<std::string>{"512 bps", "1200 bps", "2400 bps"}));
    const char* nth[] = {"1st", "2nd", "3rd", "4th", "5th", "6th", "7th", "8th"};
    for (int n = 0; n < 8; ++n) {
        const BoundControl* c = find_bound_control("chkCtl(" + std::to_string(30 + n) + ")");
        ASSERT_TRUE(c) << n;
        EXPECT_EQ(c->field, (FieldDescriptor{int16_t(0x40 + 4 * n), 0, 1, FieldKind::Chk, "chk"}));
        EXPECT_EQ(c->caption + " " + c->hint,
                  std::string("ON Enable or disable the ") + nth[n] + " Capcode( address )");
    }
    for (int i = 33; i <= 64; ++i) {
        const BoundControl* c = find_bound_control("chkSource(" + std::to_string(i) + ")");
        ASSERT_TRUE(c) << i;
        EXPECT_EQ(c->field, (FieldDescriptor{int16_t(0x7C0 + i - 33), 0, 8, FieldKind::ChkSource,
                                             "chkSource"}));
    }
}

TEST(ImageRegions, InnermostNameWins) {
    const std::pair<int, const char*> rows[] = {{0x3E3, "model and version text"},
                                                {0x36C, "history prompts, model and version text"},
                                                {0x44, "capcode 2"},
                                                {0x100, "prompt 0"},
                                                {0x36B, "prompt 30"},
                                                {0x540, "source prompt 1"},
                                                {0x7BF, "source prompt 32"},
                                                {0x0C, "channel increment"},
                                                {0x00, ""},
                                                {0x7FF, ""}};
    for (const auto& [addr, name] : rows)
        EXPECT_EQ(region_name(addr), name) << addr;
    EXPECT_EQ(region_names(0x5E, 0x62),
              (std::vector<std::string>{"capcode 8", "data rate and polarity"}));
    EXPECT_TRUE(region_names(0x7E4, 0x7FF).empty());
}

} // namespace
} // namespace kpr
