#include "editor/settings_keys.h"
#include "editor_fixture.h"
#include "image/bound_controls.h"
#include "text/default_image.h"

#include <set>

namespace kpr::test {
namespace {

class SettingsKeysTest : public EditorTest {
  protected:
    void SetUp() override {
        ed.startup_finish({}, false);
        ed.load_image(default_image());
        msgs.clear();
    }
    std::vector<int> changedBytes(const PagerImage& before) const {
        std::vector<int> out;
        for (int a = 0; a < ImageSize; ++a)
            if (before[a] != ed.image()[a])
                out.push_back(a);
        return out;
    }
};

TEST_F(SettingsKeysTest, KeysAreUniqueAndCoverBothDialogs) {
    std::set<std::string> seen;
    for (const SettingKey& k : setting_keys())
        EXPECT_TRUE(seen.insert(k.key).second) << k.key;
    for (const char* key : {"band",
                            "spacing",
                            "frequency",
                            "capcode.1",
                            "capcode.8.enabled",
                            "language",
                            "logo_font",
                            "prompt.0",
                            "prompt.71",
                            "password",
                            "tone",
                            "battery.low",
                            "battery.high",
                            "function.8.D.priority",
                            "function.1.A.display",
                            "alert.personal",
                            "maildrop.15.history",
                            "history_disable",
                            "rechargeable_bat_2_4v",
                            "ext_chargers_beeper",
                            "data_rate",
                            "contrast",
                            "set_alert_off",
                            "prompt.33.enabled"})
        EXPECT_TRUE(seen.count(key)) << key;
    EXPECT_FALSE(seen.count("prompt.66"));
}

TEST_F(SettingsKeysTest, ShowReadsWhatTheEditorShows) {
    // The built-in image names no band until one is chosen.
    EXPECT_EQ(read_setting(ed, "band"), std::optional<std::string>("none"));
    ASSERT_TRUE(apply_setting(ed, "band", "1").ok);
    EXPECT_EQ(read_setting(ed, "band"), std::optional<std::string>("380-499MHz"));
    EXPECT_EQ(read_setting(ed, "capcode.1"), ed.controls().at("txtAddr(0)").text);
    EXPECT_EQ(read_setting(ed, "data_rate"), std::optional<std::string>("1200 bps"));
    EXPECT_EQ(read_setting(ed, "history_disable"), std::optional<std::string>("1"));
    EXPECT_EQ(read_setting(ed, "contrast"), std::optional<std::string>("4"));
    EXPECT_EQ(read_setting(ed, "prompt.0"), std::optional<std::string>("     QUINTA  "));
    EXPECT_EQ(read_setting(ed, "nothing"), std::nullopt);
    const auto all = read_settings(ed);
    EXPECT_EQ(all.size(), setting_keys().size());
}

TEST_F(SettingsKeysTest, BandAndFrequencyComputeTheSynthesiserWords) {
    ASSERT_TRUE(apply_setting(ed, "band", "2").ok);
    ASSERT_TRUE(apply_setting(ed, "frequency", "9310125").ok);
    EXPECT_EQ(word24(0x05), 0x0236A2u);
    EXPECT_EQ(word24(0x09), 0x002801u);
    EXPECT_EQ(read_setting(ed, "pll.n"), std::optional<std::string>("236A2"));
    ASSERT_TRUE(apply_setting(ed, "band", "130-180MHz-GP(RoHS)").ok);
    ASSERT_TRUE(apply_setting(ed, "spacing", "6.25KHz").ok);
    EXPECT_EQ(read_setting(ed, "frequency"), std::optional<std::string>("1530125"));
}

// Each bound check box and list changes exactly its own field (plus the documented
// companions of the lamp, battery and data-rate controls).
TEST_F(SettingsKeysTest, BoundKeysChangeExactlyTheirField) {
    ed.userChange("cboCtl(3)", 1);  // lamp "Direct": shows "Direct Show Lamp On"
    ed.userChange("chkCtl(17)", 1); // shows the RD key boxes
    for (const BoundControl& b : bound_controls()) {
        if (b.name != "chkCtl" && b.name != "cboCtl")
            continue;
        const SettingKey* key = nullptr;
        for (const SettingKey& k : setting_keys())
            if (k.control(ed) == b.key())
                key = &k;
        ASSERT_NE(key, nullptr) << b.key();
        const int options = b.items.empty() ? 2 : static_cast<int>(b.items.size());
        for (int v = 0; v < options; ++v) {
            const PagerImage before = ed.image();
            ASSERT_TRUE(apply_setting(ed, key->key, std::to_string(v)).ok) << key->key;
            for (int addr : changedBytes(before)) {
                const bool own = addr == b.field.addr;
                const bool companion =
                    (b.index == 17 && addr == 0x35A) ||
                    (b.index == 10 && (addr == 0x8D || addr == 0x8E || addr == 0x8F ||
                                       addr == 0x530 || addr == 0x531)) ||
                    (b.index == 9 && (addr == 0x62 || addr == 0x63));
                EXPECT_TRUE(own || companion) << key->key << "=" << v << " changed " << addr;
                if (own) {
                    const int mask = ((1 << b.field.len) - 1) << b.field.bit;
                    const bool baudRate = b.index == 9 && (ed.image()[addr] ^ before[addr]) & 3;
                    EXPECT_TRUE(((ed.image()[addr] ^ before[addr]) & ~mask & 0xFF) == 0 || baudRate)
                        << key->key;
                }
            }
        }
    }
}

TEST_F(SettingsKeysTest, RefusedValuesLeaveTheImageAlone) {
    const PagerImage before = ed.image();
    EXPECT_FALSE(apply_setting(ed, "no_such_key", "1").ok);
    auto r = apply_setting(ed, "data_rate", "9600 bps");
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("\"512 bps\""), std::string::npos);
    EXPECT_FALSE(apply_setting(ed, "history_disable", "maybe").ok);
    r = apply_setting(ed, "capcode.1", "12345678");
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("at most 7 characters"), std::string::npos);
    EXPECT_FALSE(apply_setting(ed, "contrast", "9").ok);
    EXPECT_FALSE(apply_setting(ed, "pll.n", "1").ok);
    // Spacing exists only in band 0.
    r = apply_setting(ed, "spacing", "Auto");
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("cannot be changed now"), std::string::npos);
    EXPECT_TRUE(msgs.texts.empty());
    // Refused by the handler: its own message, no error text of ours.
    r = apply_setting(ed, "capcode.2", "12x");
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.error.empty());
    EXPECT_EQ(msgs.texts, std::vector<std::string>{"Please insert a numeric!"});
    msgs.clear();
    EXPECT_FALSE(apply_setting(ed, "frequency", "4990001").ok);
    EXPECT_EQ(msgs.texts, std::vector<std::string>{
                              "Frequency setting error(3800000 < = Frequency < =4990000 )"});
    EXPECT_FALSE(apply_setting(ed, "prompt.3", "\xE2\x82\xAC uro").ok); // the euro sign
    EXPECT_EQ(ed.image(), before);
}

TEST_F(SettingsKeysTest, DialogKeysGoThroughTheirDialogs) {
    ASSERT_TRUE(apply_setting(ed, "function.4.C.class", "Group").ok);
    EXPECT_EQ(at(0x370 + 14), 0xFF);
    EXPECT_EQ(read_setting(ed, "function.4.C.class"), std::optional<std::string>("Group"));
    ASSERT_TRUE(apply_setting(ed, "function.6.B.priority", "1").ok);
    EXPECT_EQ(ed.image().get_bits(0x34, 5, 1), 1);
    ASSERT_TRUE(apply_setting(ed, "maildrop.15.history", "7").ok);
    EXPECT_EQ(at(0x1D), 8);
    ASSERT_TRUE(apply_setting(ed, "maildrop.9.alert", "16 sec").ok);
    EXPECT_EQ(at(0x99), 16);
}

TEST_F(SettingsKeysTest, CompareSettingsNamesTheDifferences) {
    PagerImage b = default_image();
    b[0x7F] = 1; // "History Disable" cleared (inverted whole byte)
    b[0x89] = 6;
    const auto d = compare_settings(default_image(), b);
    ASSERT_EQ(d.size(), 2u);
    EXPECT_EQ(d[0].key, "history_disable");
    EXPECT_EQ(d[0].a, "1");
    EXPECT_EQ(d[0].b, "0");
    EXPECT_EQ(d[1].key, "contrast");
    EXPECT_TRUE(compare_settings(b, b).empty());
}

} // namespace
} // namespace kpr::test
