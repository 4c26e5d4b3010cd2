#include "editor/alerts.h"
#include "settings/battery.h"
#include "settings_fixture.h"

#include <algorithm>

namespace kpr::test {
namespace {

class AlertsTest : public SettingsTest {
  protected:
    void choose_level(int index, const std::string& entry) {
        ControlState& list = c(ctl("cboBatLev", index));
        const auto it = std::find(list.items.begin(), list.items.end(), entry);
        ASSERT_NE(it, list.items.end()) << entry;
        list.value = static_cast<int>(it - list.items.begin());
        cboBatLev_Click(st, index);
    }
    // The GUI's sequence for one typed password text.
    bool type_password(const std::string& t) {
        c("txtPass").text = t;
        return txtPass_KeyUp(st);
    }
};

TEST_F(AlertsTest, ThresholdsMustRiseButAreStoredAnyway) {
    read_BatLev(st); // single cell: &H4FC bit 2 is 0
    EXPECT_FALSE(c("cboBatLev(0)").visible);
    EXPECT_TRUE(c("cboBatLev(3)").visible);
    choose_level(3, "1.35V");
    messages.shown.clear(); // partial choices may be out of order on the way
    choose_level(4, "1.48V");
    choose_level(5, "1.58V");
    messages.shown.clear();
    choose_level(3, "1.35V");
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(st.image[0x8D], 115);
    EXPECT_EQ(st.image[0x8E], 126);
    EXPECT_EQ(st.image[0x8F], 135);

    choose_level(4, "1.29V");
    EXPECT_EQ(st.image[0x8E], 110);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].first,
              "Waring ! You must let ( Level-High > Level-Med > Level-Low ).");
    EXPECT_EQ(messages.shown[0].second, MessageIcon::Critical);
}

TEST_F(AlertsTest, RechargeableSetAndUnknownCodes) {
    st.image[0x4FC] = 0x04;
    apply_battery_type_defaults(st.image, true);
    EXPECT_TRUE(read_BatLev(st));
    EXPECT_TRUE(c("cboBatLev(1)").visible);
    EXPECT_FALSE(c("cboBatLev(4)").visible);
    EXPECT_EQ(c("cboBatLev(0)").value, 9); // &HCC = 204 "2.40V"
    EXPECT_EQ(c("cboBatLev(2)").items[static_cast<std::size_t>(c("cboBatLev(2)").value)], "2.65V");

    c("cboBatLev(1)").value = 3;
    st.image[0x8E] = 100; // no such code in the set
    read_BatLev(st);
    EXPECT_EQ(c("cboBatLev(1)").value, 3);

    choose_level(1, "2.68V");
    EXPECT_EQ(st.image[0x8E], 228);
    EXPECT_EQ(st.image[0x8D], 0xCC); // the single-cell index maps onto the same bytes
}

TEST_F(AlertsTest, ReadBatLevRecordsItsReloadCode) {
    st.controls.all().erase("cboBatLev(4)");
    EXPECT_FALSE(read_BatLev(st));
    EXPECT_EQ(st.flags.ReloadError, ReloadBatLev);
}

TEST_F(AlertsTest, PasswordDigitsAreRightAligned) {
    c("txtPass").text = "4321";
    txtPass_GotFocus(st);
    EXPECT_EQ(text("txtPass"), "");
    EXPECT_TRUE(type_password("1"));
    EXPECT_TRUE(type_password("12"));
    EXPECT_EQ(st.image[0x3B3], 0);
    EXPECT_EQ(st.image[0x3B2], 0);
    EXPECT_EQ(st.image[0x3B1], 1);
    EXPECT_EQ(st.image[0x3B0], 2);
    txtPass_LostFocus(st);
    EXPECT_EQ(text("txtPass"), "0012");
    EXPECT_TRUE(type_password("9876"));
    EXPECT_EQ(st.image[0x3B3], 9);
    EXPECT_EQ(st.image[0x3B0], 6);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(AlertsTest, PasswordRefusalsKeepTheStoredDigits) {
    type_password("0042");
    const PagerImage before = st.image;
    for (const char* bad : {"1.5", "&H1F", "1e3", "ab", "4 2", "+12", "١٢"}) {
        messages.shown.clear();
        st.focusRequest.clear();
        EXPECT_FALSE(type_password(bad)) << bad;
        ASSERT_EQ(messages.shown.size(), 1u) << bad;
        EXPECT_EQ(messages.shown[0].first, "Please insert a decimal numeric!");
        EXPECT_EQ(messages.shown[0].second, MessageIcon::Warning);
        EXPECT_EQ(text("txtPass"), "0042");
        EXPECT_EQ(st.focusRequest, "txtPass");
    }
    for (const char* bad : {"-1", "12345", "-0"}) {
        messages.shown.clear();
        EXPECT_FALSE(type_password(bad)) << bad;
        ASSERT_EQ(messages.shown.size(), 1u) << bad;
        EXPECT_EQ(messages.shown[0].first, "Please insert a number between 0000 to 9999");
    }
    EXPECT_EQ(st.image, before);
    EXPECT_TRUE(type_password(" 7 "));
    EXPECT_EQ(st.image[0x3B0], 7);
}

TEST_F(AlertsTest, PasswordBytesAboveNineShowTheirValue) {
    st.image[0x3B3] = 255;
    st.image[0x3B2] = 10;
    st.image[0x3B1] = 0;
    st.image[0x3B0] = 3;
    read_pass(st);
    EXPECT_EQ(text("txtPass"), "2551003");
}

TEST_F(AlertsTest, EnterLeavesThePasswordEntry) {
    EXPECT_FALSE(txtPass_KeyPress(st, '5'));
    EXPECT_TRUE(txtPass_KeyPress(st, 13));
    EXPECT_EQ(st.focusRequest, "picTabBack");
}

TEST_F(AlertsTest, ToneAndZoom) {
    st.image[0x2E] = 49;
    st.image[0x3C] = 0x10;
    read_SetAlarm(st);
    EXPECT_EQ(c("cboTone").items[static_cast<std::size_t>(c("cboTone").value)], "Flash Only");
    EXPECT_EQ(st.controls.at("cboZoom").value, 1);
    st.image[0x2E] = 5;
    read_SetAlarm(st);
    EXPECT_EQ(c("cboTone").items[static_cast<std::size_t>(c("cboTone").value)], "Flash Only");

    c("cboTone").value = 5; // "Music 2"
    cboTone_Click(st);
    EXPECT_EQ(st.image[0x2E], 18);
}

TEST_F(AlertsTest, SerialNumberShownOnlyWithItsSum) {
    const std::string sn = "VARD0000123\xC4";
    unsigned sum = 0;
    for (int k = 0; k < 12; ++k) {
        st.image[0x4D6 + k] = static_cast<uint8_t>(sn[static_cast<std::size_t>(k)]);
        sum += static_cast<uint8_t>(sn[static_cast<std::size_t>(k)]);
    }
    st.image[0x4E2] = static_cast<uint8_t>(sum >> 8);
    st.image[0x4E3] = static_cast<uint8_t>(sum & 0xFF);
    read_SN(st);
    EXPECT_EQ(text("textSN"), "VARD0000123Ä");
    st.image[0x4E2] ^= 1;
    read_SN(st);
    EXPECT_EQ(text("textSN"), "");
}

} // namespace
} // namespace kpr::test
