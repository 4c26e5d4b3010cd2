#include "image/bound_controls.h"
#include "image/field_descriptor.h"
#include "image/pager_image.h"

#include <gtest/gtest.h>

#include <set>

using namespace kpr;

TEST(FieldDescriptor, HexAndDecimalAddressesAreTheSameField) {
    auto hex = parse_field_descriptor("&H61,3,2,cboBaud");
    auto dec = parse_field_descriptor("97,3,2,cboBaud");
    ASSERT_TRUE(hex && dec);
    EXPECT_EQ(*hex, *dec);
    EXPECT_EQ(hex->addr, 0x61);
    EXPECT_EQ(hex->bit, 3);
    EXPECT_EQ(hex->len, 2);
    EXPECT_EQ(hex->kind, FieldKind::CboBaud);
}

TEST(FieldDescriptor, FewerThanFourFieldsIsNoDescriptor) {
    EXPECT_FALSE(parse_field_descriptor("836,0"));
    EXPECT_FALSE(parse_field_descriptor("&H36,0,1"));
    EXPECT_FALSE(parse_field_descriptor(""));
}

TEST(FieldDescriptor, ExtraLayoutFieldsAreIgnored) {
    auto plain = parse_field_descriptor("&H7E3,0,8,chkN");
    auto laid = parse_field_descriptor("&H7E3,0,8,chkN,120,340,1095,255");
    ASSERT_TRUE(plain && laid);
    EXPECT_EQ(*plain, *laid);
    EXPECT_EQ(laid->kind, FieldKind::ChkN);
    EXPECT_EQ(laid->kindText, "chkN");
}

TEST(FieldDescriptor, KindIsCaseSensitive) {
    EXPECT_EQ(parse_field_descriptor("&H36,0,1,chkn")->kind, FieldKind::Other);
    EXPECT_EQ(parse_field_descriptor("&H36,0,1,CHK")->kind, FieldKind::Other);
    EXPECT_EQ(parse_field_descriptor("&H3F,0,4,lng")->kind, FieldKind::Other);
    EXPECT_EQ(parse_field_descriptor("&H3F,0,4,Lng")->kind, FieldKind::Lng);
    EXPECT_EQ(parse_field_descriptor("&H7C0,0,8,chkSource")->kind, FieldKind::ChkSource);
    EXPECT_EQ(parse_field_descriptor("&H39,0,2,cbo")->kind, FieldKind::Cbo);
    EXPECT_EQ(parse_field_descriptor("&H39,7,1,chk")->kind, FieldKind::Chk);
}

TEST(FieldDescriptor, Int16Literals) {
    EXPECT_EQ(parse_int16_literal("&H7FF"), 2047);
    EXPECT_EQ(parse_int16_literal("&h7ff"), 2047);
    EXPECT_EQ(parse_int16_literal("&HFFFF"), -1); // 16-bit two's complement, as the literal
    EXPECT_EQ(parse_int16_literal(" 836 "), 836);
    EXPECT_EQ(parse_int16_literal("-5"), -5);
    EXPECT_EQ(parse_int16_literal("32767"), 32767);
    EXPECT_FALSE(parse_int16_literal("32768"));
    EXPECT_FALSE(parse_int16_literal("&H10000"));
    EXPECT_FALSE(parse_int16_literal("&H"));
    EXPECT_FALSE(parse_int16_literal("12a"));
    EXPECT_FALSE(parse_int16_literal("0x10"));
    EXPECT_FALSE(parse_int16_literal(""));
}

TEST(FieldDescriptor, BadNumbersAreNoDescriptor) {
    EXPECT_FALSE(parse_field_descriptor("&HZZ,0,1,chk"));
    EXPECT_FALSE(parse_field_descriptor("&H36,256,1,chk"));
    EXPECT_FALSE(parse_field_descriptor("&H36,0,-1,chk"));
    // Parsed, but the field does not fit the image or one byte.
    EXPECT_FALSE(parse_field_descriptor("&H800,0,1,chk")->fits_image());
    EXPECT_FALSE(parse_field_descriptor("&H36,6,4,chk")->fits_image());
    EXPECT_TRUE(parse_field_descriptor("&H7FF,0,8,chk")->fits_image());
}

TEST(BoundControls, EveryRowIsThere) {
    const auto& t = bound_controls();
    // 22 single rows before the capcodes, 8 capcode boxes, 6 more rows, 32 source boxes,
    // 4 key-function boxes.
    EXPECT_EQ(t.size(), 22u + 8u + 6u + 32u + 4u);
    std::set<std::string> keys;
    for (const auto& c : t) {
        EXPECT_TRUE(keys.insert(c.key()).second) << "duplicate " << c.key();
        auto d = parse_field_descriptor(c.tag);
        ASSERT_TRUE(d) << c.tag;
        EXPECT_EQ(*d, c.field);
        EXPECT_TRUE(c.field.fits_image()) << c.tag;
        EXPECT_NE(c.field.kind, FieldKind::Other) << c.tag;
        // Lists have entries and no caption; check boxes the reverse.
        bool isList = c.name.rfind("cbo", 0) == 0;
        EXPECT_EQ(isList, !c.items.empty()) << c.key();
        if (isList) {
            EXPECT_GT(size_t{1} << c.field.len, c.items.size() - 1) << c.key();
        }
    }
    // Members that do not exist.
    for (int i : {22, 28, 38, 53})
        EXPECT_EQ(find_bound_control("chkCtl(" + std::to_string(i) + ")"), nullptr);
    for (int i : {1, 7, 8})
        EXPECT_EQ(find_bound_control("cboCtl(" + std::to_string(i) + ")"), nullptr);
}

TEST(BoundControls, SpotChecksOfTheTable) {
    auto c = find_bound_control("chkCtl(29)");
    ASSERT_TRUE(c);
    EXPECT_EQ(c->tag, "&H31,3,1,chkN");
    EXPECT_EQ(c->caption, "Ext. Charger's Beeper");

    c = find_bound_control("chkCtl(7)");
    ASSERT_TRUE(c);
    EXPECT_EQ(c->caption, "Password Modification Enable "); // trailing blank is the caption's
    EXPECT_EQ(find_bound_control("chkCtl(8)")->caption, "Beep And Vibration ");

    c = find_bound_control("cboCtl(9)");
    ASSERT_TRUE(c);
    EXPECT_EQ(c->field.kind, FieldKind::CboBaud);
    EXPECT_EQ(c->items, (std::vector<std::string>{"512 bps", "1200 bps", "2400 bps"}));

    c = find_bound_control("cboLogo");
    ASSERT_TRUE(c);
    EXPECT_EQ(c->index, -1);
    EXPECT_EQ(c->tag, "&H3F,0,4,Lng");
    EXPECT_EQ(c->items.size(), 7u);
    EXPECT_EQ(c->items[2], "Spainish");

    EXPECT_EQ(find_bound_control("cboCtl(0)")->tag, "&H457,6,1,cbo");
    EXPECT_EQ(find_bound_control("chkCtl(54)")->tag, "&H39,3,1,chkN");
    EXPECT_EQ(find_bound_control("chkCtl(15)")->tag, "&H7F,0,8,chkN");
    EXPECT_EQ(find_bound_control("chkCtl(14)")->caption, "Move To Memo Disable");
}

TEST(BoundControls, CapcodeEnableBoxes) {
    const char* hints[] = {"1st", "2nd", "3rd", "4th", "5th", "6th", "7th", "8th"};
    for (int n = 0; n < 8; ++n) {
        auto c = find_bound_control("chkCtl(" + std::to_string(30 + n) + ")");
        ASSERT_TRUE(c);
        EXPECT_EQ(c->field.addr, 0x40 + 4 * n);
        EXPECT_EQ(c->field.bit, 0);
        EXPECT_EQ(c->field.len, 1);
        EXPECT_EQ(c->field.kind, FieldKind::Chk);
        EXPECT_EQ(c->caption, "ON");
        EXPECT_EQ(c->hint,
                  std::string("Enable or disable the ") + hints[n] + " Capcode( address )");
    }
    EXPECT_EQ(find_bound_control("chkCtl(37)")->tag, "&H5C,0,1,chk");
}

TEST(BoundControls, SourcePromptBoxes) {
    for (int i = 33; i <= 64; ++i) {
        auto c = find_bound_control("chkSource(" + std::to_string(i) + ")");
        ASSERT_TRUE(c) << i;
        EXPECT_EQ(c->field.addr, 0x7C0 + (i - 33));
        EXPECT_EQ(c->field.len, 8);
        EXPECT_EQ(c->field.kind, FieldKind::ChkSource);
        EXPECT_TRUE(c->caption.empty());
    }
    EXPECT_EQ(find_bound_control("chkSource(64)")->tag, "&H7DF,0,8,chkSource");
    EXPECT_EQ(find_bound_control("chkSource(32)"), nullptr);
    EXPECT_EQ(find_bound_control("chkSource(65)"), nullptr);
}

TEST(ImageRegions, InnermostNameWins) {
    EXPECT_EQ(region_name(0x3E3), "model and version text");
    EXPECT_EQ(region_name(0x36C), "history prompts, model and version text");
    EXPECT_EQ(region_name(0x44), "capcode 2");
    EXPECT_EQ(region_name(0x100), "prompt 0");
    EXPECT_EQ(region_name(0x36B), "prompt 30");
    EXPECT_EQ(region_name(0x540), "source prompt 1");
    EXPECT_EQ(region_name(0x7BF), "source prompt 32");
    EXPECT_EQ(region_name(0x0C), "channel increment");
    EXPECT_EQ(region_name(0x00), "");
    EXPECT_EQ(region_name(0x7FF), "");
    EXPECT_EQ(region_names(0x5E, 0x62),
              (std::vector<std::string>{"capcode 8", "data rate and polarity"}));
    EXPECT_TRUE(region_names(0x7E4, 0x7FF).empty());
}
