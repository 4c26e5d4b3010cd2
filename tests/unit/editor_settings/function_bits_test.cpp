#include "editor/function_bits.h"
#include "settings_fixture.h"

namespace kpr::test {
namespace {

using FunctionBitsTest = SettingsTest;

TEST_F(FunctionBitsTest, GroupClassFromTheDialog) {
    read_Type(st);
    EXPECT_EQ(text("tlblType(3)"), "PPPP");
    cmdFunc_Click(st, 3);
    EXPECT_EQ(st.flags.FunctionBitSlot, 3);
    EXPECT_EQ(text("lblFuncSlot"), "#4");
    c("cboType(2)").value = 16;
    cboType_Click(st, 2);
    EXPECT_EQ(st.image[0x370 + 14], 0xFF);
    EXPECT_EQ(text("tlblType(3)"), "PPGP");
    c("cboType(0)").value = 10; // "Mail Drop A"
    cboType_Click(st, 0);
    EXPECT_EQ(st.image[0x370 + 12], 10);
    EXPECT_EQ(text("tlblType(3)"), "APGP");
}

TEST_F(FunctionBitsTest, PriorityBitOfSlotFive) {
    cmdFunc_Click(st, 5);
    c("chkPri(1)").value = 1;
    chkPri_Click(st, 1);
    EXPECT_EQ(st.image[0x34], 0x20);
    EXPECT_EQ(text("tlblPri(5)"), "-v--");
    EXPECT_EQ(text("tlblPri(4)"), "----");
    c("chkPri(1)").value = 0;
    chkPri_Click(st, 1);
    EXPECT_EQ(st.image[0x34], 0x00);
}

TEST_F(FunctionBitsTest, DisplayFromTheDialog) {
    cmdFunc_Click(st, 7);
    c("cboDisp(3)").value = 4;
    cboDisp_Click(st, 3);
    EXPECT_EQ(st.image[0x390 + 28 + 3], 4);
    EXPECT_EQ(text("tlblDisp(7)"), "NNNT");
}

TEST_F(FunctionBitsTest, CodesWithoutEntries) {
    st.image[0x390] = 9;
    st.image[0x391] = 5;
    st.image[0x392] = 2;
    st.image[0x393] = 1;
    st.image[0x370] = 20;
    st.image[0x371] = 0xFF;
    st.image[0x372] = 15;
    read_Disp(st);
    read_Type(st);
    EXPECT_EQ(text("tlblDisp(0)"), "--AP");
    EXPECT_EQ(text("tlblType(0)"), "14GFP");

    cmdFunc_Click(st, 0);
    EXPECT_EQ(c("cboDisp(0)").value, -1);
    EXPECT_EQ(c("cboDisp(1)").value, 5);
    EXPECT_EQ(c("cboType(0)").value, -1);
    EXPECT_EQ(c("cboType(1)").value, 16);
    EXPECT_EQ(c("cboType(2)").value, 15);
    EXPECT_EQ(c("cboType(2)").items[15], "Mail Drop F");
}

TEST_F(FunctionBitsTest, DialogFillsWithoutStoring) {
    st.image[0x33] = 0x90; // slot 3: A and D
    cmdFunc_Click(st, 3);
    EXPECT_EQ(c("chkPri(0)").value, 1);
    EXPECT_EQ(c("chkPri(3)").value, 1);
    EXPECT_EQ(c("chkPri(1)").value, 0);

    const PagerImage before = st.image;
    st.flags.Form5Loading = true;
    c("cboDisp(0)").value = 3;
    cboDisp_Click(st, 0);
    c("chkPri(1)").value = 1;
    chkPri_Click(st, 1);
    EXPECT_EQ(st.image, before);
}

TEST_F(FunctionBitsTest, SummariesRecordTheirReloadCodes) {
    st.controls.all().erase("tlblPri(6)");
    EXPECT_TRUE(read_Disp(st));
    EXPECT_FALSE(read_Pri(st));
    EXPECT_EQ(st.flags.ReloadError, ReloadPri);
}

} // namespace
} // namespace kpr::test
