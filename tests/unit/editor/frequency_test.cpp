#include "editor_fixture.h"
#include "settings/frequency.h"

namespace kpr::test {
namespace {

class FrequencyTest : public EditorTest {
  protected:
    void SetUp() override { start(); }
    void chooseBand(int b) { ASSERT_TRUE(ed.userChange("cboDft", b)); }
    void chooseSpacing(int s) { ASSERT_TRUE(ed.userChange("cboRoHS", s)); }
    uint32_t base() const { return read_u32(ed.image(), 0x64); }
    uint32_t receive() const { return read_u32(ed.image(), 0x68); }
    int incd() const { return at(0x0C) * 256 + at(0x0D); }
};

TEST_F(FrequencyTest, StartUpWithoutDefaultFileShowsBand1Defaults) {
    EXPECT_EQ(c("cboDft").value, 1);
    EXPECT_EQ(c("txtFreq").text, "4540125");
    EXPECT_EQ(receive(), 4540125u);
    EXPECT_EQ(base(), 3800125u);
    EXPECT_EQ(c("cboCtl(9)").value, 1);
    EXPECT_FALSE(c("cboRoHS").visible);
    EXPECT_TRUE(ed.flags().ScanIdle);
    EXPECT_TRUE(ed.flags().StartupFinished);
}

TEST_F(FrequencyTest, Band2DefaultFrequency) {
    chooseBand(2);
    EXPECT_EQ(receive(), 9310125u);
    EXPECT_EQ(base(), 9280125u);
    EXPECT_EQ(word24(0x05), 0x0236A2u); // N = 72529
    EXPECT_EQ(word24(0x09), 0x002801u); // R = 5120, p = 5
    EXPECT_EQ(incd(), 4);
    EXPECT_EQ(at(0x0E), 25);
    EXPECT_EQ(at(0x45A), 0);
    EXPECT_EQ(c("lblCHANNEL").text, "25KHz");
    EXPECT_EQ(c("lblBfreq").text, "9280125");
    EXPECT_EQ(c("lblPLLN").text, "236A2");
    EXPECT_EQ(c("lblPLLR").text, "2801");
    EXPECT_EQ(c("lblINCD").text, "4");
    // The band chooses 2400 bps, which writes its companion bytes.
    EXPECT_EQ(c("cboCtl(9)").value, 2);
    EXPECT_EQ(at(0x62), 0xF3);
    EXPECT_EQ(at(0x61) & 3, 3);
    EXPECT_TRUE(msgs.texts.empty());
}

TEST_F(FrequencyTest, Band1BothRasterOrigins) {
    ASSERT_TRUE(ed.userEnterText("txtFreq", "3800000"));
    EXPECT_EQ(word24(0x05), 0x00E020u);
    EXPECT_EQ(word24(0x09), 0x001801u);
    EXPECT_EQ(base(), 3800000u);
    ASSERT_TRUE(ed.userEnterText("txtFreq", "3800125"));
    EXPECT_EQ(base(), 3800125u);
    EXPECT_EQ(word24(0x05), 0x00E022u);
    EXPECT_EQ(receive(), 3800125u);
}

TEST_F(FrequencyTest, Band0FiveKhzVersionedFirmware) {
    chooseBand(0);
    EXPECT_TRUE(c("cboRoHS").visible);
    EXPECT_EQ(c("cboRoHS").value, 0);
    EXPECT_EQ(receive(), 1530000u);
    EXPECT_EQ(base(), 1300000u);
    EXPECT_EQ(at(0x09), 0x08);
    EXPECT_EQ(at(0x0A), 0x2F);
    EXPECT_EQ(at(0x0B), 0x11);
    EXPECT_EQ(word24(0x05), 0x54D800u);
    EXPECT_EQ(incd(), 128);
    EXPECT_EQ(at(0x0E), 2);
    EXPECT_EQ(at(0x45A), 50);
    EXPECT_EQ(c("lblCHANNEL").text, "2.5KHz");
    EXPECT_EQ(ed.image().get_bits(0x36, 0, 1), 0);
    EXPECT_TRUE(c("chkCtl(4)").visible);
}

TEST_F(FrequencyTest, Band0SixPointTwoFiveUnversionedFirmwareAndReadBack) {
    chooseBand(0);
    ed.flags().UnversionedFirmware = true;
    chooseSpacing(1);
    EXPECT_EQ(receive(), 1530125u);
    EXPECT_EQ(base(), 1300125u);
    const int r = at(0x09) * 256 + at(0x0A);
    EXPECT_EQ(r, 838);
    EXPECT_EQ(at(0x0B), 0x11);
    EXPECT_EQ(word24(0x05), 0x21F100u); // N = 17378
    EXPECT_EQ(incd(), 512);
    EXPECT_EQ(at(0x0E), 25);
    EXPECT_EQ(c("lblCHANNEL").text, "25KHz");

    // Loading this image back derives band 0 and "6.25KHz".
    const PagerImage img = ed.image();
    chooseSpacing(2);
    chooseBand(1);
    ed.load_image(img);
    EXPECT_EQ(c("cboDft").value, 0);
    EXPECT_EQ(c("cboRoHS").value, 1);
    EXPECT_EQ(ed.image(), img);
}

TEST_F(FrequencyTest, Band0NegativeRasterMultiplePasses) {
    chooseBand(0);
    chooseSpacing(1);
    ASSERT_TRUE(ed.userEnterText("txtFreq", "1300000"));
    EXPECT_EQ(base(), 1300125u);
    EXPECT_EQ(receive(), 1300000u);
}

TEST_F(FrequencyTest, AutoSpacingSetsModificationBitAndHidesItsBox) {
    chooseBand(0);
    chooseSpacing(2);
    EXPECT_EQ(ed.image().get_bits(0x36, 0, 1), 1);
    EXPECT_FALSE(c("chkCtl(4)").visible);
    EXPECT_EQ(c("chkCtl(4)").value, 0); // inverted box
    // 1530000 passes the 12.5 kHz raster first.
    EXPECT_EQ(at(0x0E), 12);
    EXPECT_EQ(at(0x45A), 50);
    EXPECT_EQ(c("lblCHANNEL").text, "12.5KHz");
}

TEST_F(FrequencyTest, LimitMessagesLeaveImageUnchanged) {
    chooseBand(2);
    const PagerImage before = ed.image();
    EXPECT_FALSE(ed.userEnterText("txtFreq", "9285000"));
    EXPECT_EQ(msgs.texts, std::vector<std::string>{
                              "Frequency setting error(9290000 < = Frequency < =9320000 )"});
    EXPECT_EQ(msgs.icons[0], MessageIcon::Warning);
    EXPECT_TRUE(ed.flags().FreqErrorPending);
    EXPECT_EQ(ed.state().focusRequest, "txtFreq");
    EXPECT_EQ(c("txtFreq").text, "9285000"); // the typed text stays
    EXPECT_EQ(ed.image(), before);

    msgs.clear();
    chooseBand(0);
    const PagerImage band0 = ed.image();
    EXPECT_FALSE(ed.userEnterText("txtFreq", "1800001"));
    EXPECT_EQ(msgs.texts, std::vector<std::string>{
                              "Frequency setting error(1300000 < = Frequency < =1800000 )"});
    EXPECT_EQ(ed.image(), band0);
}

TEST_F(FrequencyTest, RasterMessage) {
    const PagerImage before = ed.image();
    EXPECT_FALSE(ed.userEnterText("txtFreq", "4540130"));
    EXPECT_EQ(msgs.texts, std::vector<std::string>{"Channel Spacing Error!"});
    EXPECT_TRUE(ed.flags().FreqErrorPending);
    EXPECT_EQ(ed.image(), before);
}

TEST_F(FrequencyTest, NonNumericKeyUpAndEmptyEntry) {
    ed.txtFreq_GotFocus();
    c("txtFreq").text = "45x";
    EXPECT_FALSE(ed.txtFreq_KeyUp());
    EXPECT_EQ(msgs.texts, std::vector<std::string>{"Please insert a decimal numeric!"});
    EXPECT_EQ(c("txtFreq").text, "4540125");
    msgs.clear();
    const PagerImage before = ed.image();
    ed.txtFreq_GotFocus();
    EXPECT_TRUE(ed.txtFreq_LostFocus());
    EXPECT_EQ(c("txtFreq").text, "4540125");
    EXPECT_EQ(ed.image(), before);
    EXPECT_TRUE(msgs.texts.empty());
}

TEST_F(FrequencyTest, FailedCommitDropsTheNextPagerCommandOnce) {
    ed.userChange("WriteOpt", 1);
    EXPECT_FALSE(ed.userEnterText("txtFreq", "4540130"));
    EXPECT_FALSE(ed.mnuEB_Click());
    EXPECT_FALSE(ed.flags().FreqErrorPending);
    EXPECT_TRUE(ed.mnuEB_Click());
    EXPECT_EQ(ed.flags().OperationKind, 1);
    // A key press in the entry ends the pending state too.
    EXPECT_FALSE(ed.userEnterText("txtFreq", "4540130"));
    ed.txtFreq_KeyPress('4');
    EXPECT_TRUE(ed.mnuEB1_Click());
    EXPECT_EQ(ed.flags().OperationKind, 2);
}

TEST_F(FrequencyTest, ChannelStepHundredthsOtherThan25Or50ReadAsZero) {
    PagerImage img = ed.image();
    img[0x0E] = 6;
    img[0x45A] = 30;
    ed.load_image(img);
    EXPECT_EQ(c("lblCHANNEL").text, "6KHz");
    img[0x45A] = 25;
    ed.load_image(img);
    EXPECT_EQ(c("lblCHANNEL").text, "6.25KHz");
}

TEST_F(FrequencyTest, BandDerivationOnLoadAndParallelPortRule) {
    PagerImage img = ed.image();
    img[0x0C] = 0;
    img[0x0D] = 0x80;
    img[0x65] = 0x30;
    ed.load_image(img);
    EXPECT_EQ(c("cboDft").value, 0);
    EXPECT_TRUE(c("cboRoHS").visible);

    chooseBand(1);
    ed.load_image(img, /*lptRule=*/true); // &H0C is 0: only the nibble counts
    EXPECT_EQ(c("cboDft").value, 1);

    img[0x0C] = 0;
    img[0x0D] = 127;
    img[0x65] = 0x8E;
    ed.load_image(img);
    EXPECT_EQ(c("cboDft").value, 2);
    EXPECT_EQ(ed.image(), img);
}

TEST_F(FrequencyTest, ErasedBaseFrequencySetsReloadError) {
    PagerImage img = ed.image();
    for (int a = 0x64; a <= 0x67; ++a)
        img[a] = 0xFF;
    ed.flags().ReloadError = 0;
    ed.load_image(img);
    EXPECT_EQ(ed.flags().ReloadError, ReloadBaseFreq);
    EXPECT_EQ(c("lblBfreq").text, "");
    EXPECT_EQ(ed.image(), img);
}

TEST_F(FrequencyTest, WritePreparationFollowsFirmware) {
    chooseBand(0);
    chooseSpacing(1);
    ASSERT_TRUE(ed.prepare_frequency_for_write(0xFF));
    EXPECT_TRUE(ed.flags().UnversionedFirmware);
    EXPECT_EQ(incd(), 512);
    ASSERT_TRUE(ed.prepare_frequency_for_write(0x35));
    EXPECT_FALSE(ed.flags().UnversionedFirmware);
    EXPECT_EQ(at(0x459), 0x35);
    EXPECT_EQ(incd(), 128);
    EXPECT_EQ(c("lblCHANNEL").text, "6.25KHz");
}

} // namespace
} // namespace kpr::test
