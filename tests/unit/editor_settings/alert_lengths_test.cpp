#include "editor/alert_lengths.h"
#include "settings_fixture.h"

namespace kpr::test {
namespace {

using AlertLengthsTest = SettingsTest;

TEST_F(AlertLengthsTest, MailDropNineSixteenSeconds) {
    cmdAlert_Click(st);
    c("cboMailAler(8)").value = 3;
    cboMailAler_Click(st, 8);
    EXPECT_EQ(st.image[0x38], 0x01);
    EXPECT_EQ(st.image[0x99], 16);
    EXPECT_EQ(text("lblLength(9)"), "16");
}

TEST_F(AlertLengthsTest, DisableKeepsTheLengthByte) {
    st.image[0x93] = 7;
    c("cboMailAler(2)").value = 1; // "Beep"
    cboMailAler_Click(st, 2);
    EXPECT_EQ(st.image[0x37], 0x04);
    EXPECT_EQ(st.image[0x93], 0);
    EXPECT_EQ(text("lblLength(3)"), "BP");
    c("cboMailAler(2)").value = 0;
    cboMailAler_Click(st, 2);
    EXPECT_EQ(st.image[0x37], 0x00);
    EXPECT_EQ(st.image[0x93], 0);
    EXPECT_EQ(text("lblLength(3)"), "--");
}

TEST_F(AlertLengthsTest, HistoryAndMemoryCells) {
    c("cboHis(14)").value = 7;
    cboHis_Click(st, 14);
    EXPECT_EQ(st.image[0x1D], 8);
    EXPECT_EQ(text("lblHistory(15)"), "07");

    st.image[0x6C] = 40;
    st.image[0x1E] = 10; // 2.5 KB
    st.image[0x1F] = 14; // 3.5 KB
    st.image[0x2B] = 5;  // mail drop 14
    read_Alert(st);
    EXPECT_EQ(text("lblMemory(0)"), "10");
    EXPECT_EQ(text("lblMemory(1)"), "02");
    EXPECT_EQ(text("lblMemory(2)"), "04");
    EXPECT_EQ(text("lblMemory(14)"), "01");
    EXPECT_EQ(text("lblMemory(15)"), "");    // not kept by the table
    EXPECT_EQ(text("lblHistory(1)"), "-01"); // a stored 0 has no depth
}

TEST_F(AlertLengthsTest, PersonalLengthAndCellsWithoutText) {
    c("cboPersonal").value = 4;
    cboPersonal_Click(st);
    EXPECT_EQ(st.image[0x90], 0);
    EXPECT_EQ(text("lblLength(0)"), "CT");
    c("cboPersonal").value = 1;
    cboPersonal_Click(st);
    EXPECT_EQ(st.image[0x90], 8);
    EXPECT_EQ(text("lblLength(0)"), "08");

    st.image[0x90] = 5;
    st.image[0x37] = 0x02;
    st.image[0x92] = 9;
    c("lblLength(2)").text = "01";
    read_Alert(st);
    EXPECT_EQ(text("lblLength(0)"), "08");
    EXPECT_EQ(text("lblLength(2)"), "01");
}

TEST_F(AlertLengthsTest, DialogLoadsStoredValues) {
    st.image[0x90] = 32;
    st.image[0x37] = 0x03;
    st.image[0x91] = 1;  // drop 1: 1 sec
    st.image[0x92] = 9;  // drop 2: no entry
    st.image[0x93] = 16; // drop 3 disabled
    st.image[0x0F] = 10; // depth 9
    st.image[0x10] = 11; // no entry
    Form6_Load(st);
    EXPECT_EQ(c("cboPersonal").value, 3);
    EXPECT_EQ(c("cboMailAler(0)").value, 2);
    EXPECT_EQ(c("cboMailAler(1)").value, -1);
    EXPECT_EQ(c("cboMailAler(2)").value, 0);
    EXPECT_EQ(c("cboHis(0)").value, 9);
    EXPECT_EQ(c("cboHis(1)").value, -1);
    EXPECT_FALSE(st.flags.Form6Loading);

    const PagerImage before = st.image;
    st.flags.Form6Loading = true;
    c("cboHis(1)").value = 0;
    cboHis_Click(st, 1);
    EXPECT_EQ(st.image, before);
}

} // namespace
} // namespace kpr::test
