// The frequency and capcode entries: what each typed value stores, or the message that
// refuses it. They run under a decimal-comma locale: Qt sets the C locale from the
// environment, and a point must still be the decimal point.
#include "support/editor_fixture.h"

#include <clocale>

namespace kpr::test {
namespace {

class EntriesTest : public EditorTest {
  protected:
    void SetUp() override {
        before_ = std::setlocale(LC_ALL, nullptr);
        ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr)
            << "the de_DE.UTF-8 locale is missing: scripts/setup.sh generates it";
        start();
    }
    void TearDown() override { std::setlocale(LC_ALL, before_.c_str()); }

  private:
    std::string before_;
};

// Receive frequency at &H68, base at &H64, N at &H05, R (and p) at &H09, INCD at &H0C, the
// channel step in kHz at &H0E and its hundredths at &H45A.
TEST_F(EntriesTest, Frequency) {
    const std::string band2Limits = "Frequency setting error(9290000 < = Frequency < =9320000 )";
    // clang-format off
    edit({
        {"txtFreq", "3800000", {{0x05, 0x00E020, 3}, {0x09, 0x001801, 3}, {0x64, 3800000, 4}}},
        {"txtFreq", "3800125", {{0x64, 3800125, 4}, {0x68, 3800125, 4}, {0x05, 0x00E022, 3}}},
        {"txtFreq", "4540124.999", {{0x68, 4540125, 4}}, "", {{"txtFreq", "4540125"}}},
        {"txtFreq", "4540130", {}, "Channel Spacing Error!"},
        {"txtFreq", "4990001", {}, "Frequency setting error(3800000 < = Frequency < =4990000 )"},
        {"cboDft", "2", {{0x68, 9310125, 4}, {0x64, 9280125, 4}, {0x05, 0x0236A2, 3},
                         {0x09, 0x002801, 3}, {0x0C, 4, 2}, {0x0E, 25}, {0x45A, 0},
                         {0x62, 0xF3}}, "", // 2400 bps comes with the band
         {{"lblCHANNEL", "25KHz"}, {"lblBfreq", "9280125"}, {"lblPLLN", "236A2"},
          {"lblPLLR", "2801"}, {"lblINCD", "4"}, {"cboCtl(9)", "2"}}},
        {"txtFreq", "9285000", {}, band2Limits, {{"txtFreq", "9285000"}}},
        {"cboDft", "0", {{0x68, 1530000, 4}, {0x64, 1300000, 4}, {0x09, 0x082F11, 3},
                         {0x05, 0x54D800, 3}, {0x0C, 128, 2}, {0x0E, 2}, {0x45A, 50},
                         {0x36, 0, 1, 1}}, "", {{"lblCHANNEL", "2.5KHz"}, {"cboRoHS", "0"}}},
        {"txtFreq", "1800001", {}, "Frequency setting error(1300000 < = Frequency < =1800000 )"},
        {"cboRoHS", "2", {{0x36, 1, 1, 1}, {0x0E, 12}, {0x45A, 50}}, "", {{"chkCtl(4)", "0"}}},
        {"cboRoHS", "1", {{0x68, 1530125, 4}, {0x64, 1300125, 4}, {0x0C, 128, 2}}},
        {"txtFreq", "1300000", {{0x64, 1300125, 4}, {0x68, 1300000, 4}}},
    });
    // clang-format on
    EXPECT_EQ(ed.state().focusRequest, "txtFreq");
    EXPECT_TRUE(c("cboRoHS").visible);

    // Firmware without a version byte counts the 6.25 kHz raster in its own units.
    ed.flags().UnversionedFirmware = true;
    edit({{"cboRoHS", "0", {}},
          {"cboRoHS",
           "1",
           {{0x09, 838, 2}, {0x0B, 0x11}, {0x05, 0x21F100, 3}, {0x0C, 512, 2}, {0x0E, 25}},
           "",
           {{"lblCHANNEL", "25KHz"}}}});
    const PagerImage img = ed.image();
    ASSERT_TRUE(ed.prepare_frequency_for_write(0x35));
    EXPECT_FALSE(ed.flags().UnversionedFirmware);
    EXPECT_EQ(at(0x459), 0x35);
    EXPECT_EQ(field({0x0C, 0, 2}), 128u);
    EXPECT_EQ(c("lblCHANNEL").text, "6.25KHz");
    ASSERT_TRUE(ed.prepare_frequency_for_write(0xFF));
    EXPECT_TRUE(ed.flags().UnversionedFirmware);
    EXPECT_EQ(field({0x0C, 0, 2}), 512u);
    edit({{"cboDft", "1", {}}});
    ed.load_image(img); // read back: band 0, "6.25KHz"
    EXPECT_EQ(ed.image(), img);
    expect_shown({{"cboDft", "0"}, {"cboRoHS", "1"}});
}

// The synthesiser words name the band when an image is opened; the channel step shows its
// hundredths only when they are 25 or 50.
TEST_F(EntriesTest, OpeningAnImage) {
    // The parallel-port board reads only the nibble when &H0C is 0.
    PagerImage img = ed.image();
    img[0x0C] = 0;
    img[0x0D] = 0x80;
    img[0x65] = 0x30;
    ed.load_image(img, BandRule::ParallelPort);
    EXPECT_EQ(c("cboDft").value, 1);
    load({
        {0x0C, "\x00\x80"s, {}},
        {0x65, "\x30", {{"cboDft", "0"}}},
        {0x0D, "\x7F", {}},
        {0x65, "\x8E", {{"cboDft", "2"}}},
        {0x0E, "\x06", {}},
        {0x45A, "\x1E", {{"lblCHANNEL", "6KHz"}}},
        {0x45A, "\x19", {{"lblCHANNEL", "6.25KHz"}}},
        {0x64, "\xFF\xFF\xFF\xFF", {{"lblBfreq", ""}}},
    });
    EXPECT_EQ(ed.flags().ReloadError, ReloadBaseFreq);
}

TEST_F(EntriesTest, RefusedFrequencyDropsTheNextPagerCommandOnce) {
    ed.user_change("WriteOpt", 1);
    EXPECT_FALSE(ed.user_enter_text("txtFreq", "4540130"));
    EXPECT_FALSE(ed.mnuEB_Click());
    EXPECT_TRUE(ed.mnuEB_Click());
    EXPECT_EQ(ed.flags().OperationKind, OperationKind::Write);
    EXPECT_FALSE(ed.user_enter_text("txtFreq", "4540130"));
    ed.route("txtFreq", ControlEvent::KeyPress, '4'); // a key press in the entry ends it too
    EXPECT_TRUE(ed.mnuEB1_Click());
    EXPECT_EQ(ed.flags().OperationKind, OperationKind::Verify);
    // Letters are refused as typed; leaving an untouched entry stores nothing.
    ed.route("txtFreq", ControlEvent::GotFocus);
    c("txtFreq").text = "45x";
    EXPECT_FALSE(ed.route("txtFreq", ControlEvent::KeyUp));
    EXPECT_EQ(said().back(), "Please insert a decimal numeric!");
    EXPECT_EQ(c("txtFreq").text, "4540125");
}

// Slot k is stored at &H41 + 4k: bits 2-4 hold the capcode's low three bits, bits 0-1 its two
// highest, the next two bytes the sixteen between.
TEST_F(EntriesTest, Capcode) {
    const std::string range = "Please insert a number between 0000007 to 2097151";
    ed.image()[0x50] = 0xAB; // enable and function bits beside slot 4
    ed.image()[0x51] = 0xE0;
    edit({
        {"txtAddr(0)",
         "2097151",
         {{0x41, 0x1F, 1, 0x1F}, {0x42, 0xFFFF, 2}},
         "",
         {{"txtAddr(0)", "2097151"}}},
        {"txtAddr(7)", "8", {{0x5D, 0, 1, 0x1F}, {0x5E, 1, 2}}, "", {{"txtAddr(7)", "0000008"}}},
        {"txtAddr(2)", "5", {{0x49, 5 << 2, 1, 0x1F}, {0x4A, 0, 2}}},
        {"txtAddr(4)", "1234567", {{0x50, 0xAB}, {0x51, 0xE0 | 7 << 2 | 2}, {0x52, 0x5AD0, 2}}},
        {"txtAddr(3)", "12.5", {{0x4D, 4 << 2, 1, 0x1F}, {0x4E, 1, 2}}}, // a tie goes even
        {"txtAddr(3)", "13.5", {{0x4D, 6 << 2, 1, 0x1F}, {0x4E, 1, 2}}},
        {"txtAddr(3)", " 7.51 ", {{0x4D, 0, 1, 0x1F}, {0x4E, 1, 2}}},
        {"txtAddr(0)", "777", {{0x42, 777 >> 3, 2}}},
        {"txtAddr(0)", "12a", {}, "Please insert a numeric!", {{"txtAddr(0)", "0000777"}}},
        {"txtAddr(0)", "1,5", {}, "Please insert a numeric!"},
        {"txtAddr(0)", "-1", {}, range},
        {"txtAddr(0)", "2097152", {}, range},
    });
    // Typed a key at a time, the last prefix in range stays.
    ed.route("txtAddr(1)", ControlEvent::GotFocus);
    EXPECT_EQ(c("txtAddr(1)").text, "");
    for (std::size_t k = 1; k <= 7; ++k) {
        c("txtAddr(1)").text = std::string("2097152").substr(0, k);
        ed.route("txtAddr(1)", ControlEvent::KeyUp);
    }
    EXPECT_EQ(said().back(), range);
    EXPECT_EQ(ed.state().focusRequest, "txtAddr(1)");
    ed.route("txtAddr(1)", ControlEvent::LostFocus);
    EXPECT_EQ(c("txtAddr(1)").text, "0209715");
    EXPECT_TRUE(ed.route("txtAddr(1)", ControlEvent::KeyPress, 13));
    EXPECT_EQ(ed.state().focusRequest, "picTabBack");
}

} // namespace
} // namespace kpr::test
