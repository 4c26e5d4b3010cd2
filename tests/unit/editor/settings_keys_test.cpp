// Named settings (kprtool set/show, profiles) route to the editor's own handlers: one row
// per rule the tables above pin, and the refusals of values no control takes.
#include "editor/settings_keys.h"
#include "support/editor_fixture.h"
#include "text/default_image.h"

namespace kpr::test {
namespace {

class SettingsKeysTest : public EditorTest {
  protected:
    void SetUp() override {
        ed.startup_finish({}, false);
        ed.load_image(default_image());
    }
};

// One key of each family, by name or position; the values' rules are the editor's tables.
TEST_F(SettingsKeysTest, KeysReachTheHandlers) {
    EXPECT_EQ(read_setting(ed, "band"), "none"); // the built-in image names no band
    const struct {
        std::string key, value;
        Field field;
        std::string shown = {}; // read back, when not the value itself
    } rows[] = {
        {"band", "2", {0x64, 9280125, 4}, "929-932MHz"},
        {"frequency", "9310125", {0x05, 0x0236A2, 3}},
        {"capcode.2", "8", {0x46, 1, 2}, "0000008"},
        {"capcode.8.enabled", "1", {0x5C, 1, 1, 1}},
        {"prompt.1", "   ABC", {0x115, 0x03414243, 4}},
        {"password", "12", {0x3B0, 0x02010000, 4}, "0012"},
        {"battery.high", "2", {0x8F, 0xDF}, "?"},
        {"tone", "Music 2", {0x2E, 18}},
        {"function.4.C.class", "Group", {0x37E, 0xFF}},
        {"function.6.B.priority", "1", {0x34, 0x20, 1, 0x20}},
        {"function.1.A.display", "4", {0x390, 4}, "?"},
        {"maildrop.15.history", "7", {0x1D, 8}},
        {"maildrop.9.alert", "16 sec", {0x99, 16}},
        {"alert.personal", "1", {0x90, 8}, "8 sec"},
        {"language", "German", {0x3E, 8, 1, 15}},
        {"logo_font", "6", {0x3F, 15, 1, 15}, "Swedish"},
        {"data_rate", "2400 bps", {0x61, 3, 1, 3}},
        {"history_disable", "0", {0x7F, 1}},
        {"contrast", "6", {0x89, 6}},
        {"band", "130-180MHz-GP(RoHS)", {0x64, 1300000, 4}},
        {"spacing", "6.25KHz", {0x68, 1530125, 4}},
    };
    ASSERT_TRUE(apply_setting(ed, "set_alert_off", "1").ok); // shows the tone list
    for (const auto& r : rows) {
        const SetOutcome s = apply_setting(ed, r.key, r.value);
        EXPECT_TRUE(s.ok) << r.key << ": " << s.error;
        EXPECT_EQ(field(r.field), r.field.value & r.field.mask) << r.key;
        if (r.shown != "?") {
            EXPECT_EQ(read_setting(ed, r.key), r.shown.empty() ? r.value : r.shown) << r.key;
        }
    }
    EXPECT_TRUE(said().empty());
    EXPECT_EQ(read_setting(ed, "pll.n"), c("lblPLLN").text);
}

TEST_F(SettingsKeysTest, RefusedValuesLeaveTheImageAlone) {
    const struct {
        std::string key, value;
        std::string error; // ours, or "" when the handler's own message says it
        std::string said = {};
    } rows[] = {
        {"no_such_key", "1", "Unknown setting"},
        {"data_rate", "9600 bps", "\"512 bps\""},
        {"history_disable", "maybe", "takes 0 or 1"},
        {"capcode.1", "12345678", "at most 7 characters"},
        {"capcode.1", "", "needs a value"},
        {"contrast", "9", "from 1 to 8"},
        {"pll.n", "1", "shown only"},
        {"spacing", "Auto", "cannot be changed now"}, // only band 0 has one
        {"contrast", "code 256", "from 0 to 255"},
        {"capcode.2", "12x", "", "Please insert a numeric!"},
        {"prompt.3", "\xE2\x82\xAC uro", "",
         "The character \"€\" can not be stored in the pager! "
         "Please use Latin-1 characters only."},
    };
    const PagerImage before = ed.image();
    for (const auto& r : rows) {
        msgs.entries.clear();
        const SetOutcome s = apply_setting(ed, r.key, r.value);
        EXPECT_FALSE(s.ok) << r.key;
        EXPECT_NE(s.error.find(r.error), std::string::npos) << s.error;
        EXPECT_EQ(s.error.empty(), r.error.empty()) << s.error;
        EXPECT_EQ(said(),
                  r.said.empty() ? std::vector<std::string>{} : std::vector<std::string>{r.said});
    }
    EXPECT_EQ(ed.image(), before);
    ASSERT_TRUE(apply_setting(ed, "band", "1").ok);
    const PagerImage banded = ed.image();
    EXPECT_NE(apply_setting(ed, "band", "none").error.find("has a band"), std::string::npos);
    EXPECT_EQ(ed.image(), banded);
}

TEST_F(SettingsKeysTest, CompareNamesTheDifferences) {
    PagerImage b = default_image();
    b[0x7F] = 1; // "History Disable" off (an inverted whole byte)
    b[0x89] = 6;
    const auto d = compare_settings(default_image(), b);
    ASSERT_EQ(d.size(), 2u);
    EXPECT_EQ(d[0].key + d[0].a + d[0].b, "history_disable10");
    EXPECT_EQ(d[1].key + d[1].a + d[1].b, "contrast46");
    EXPECT_TRUE(compare_settings(b, b).empty());
}

} // namespace
} // namespace kpr::test
