// Profiles (the byte-for-byte round trip of any image is with the File commands' tests): a
// profile sets every key on another image, keys apply in their own order
// whatever the file's order, and malformed profiles are named by line, changing nothing.
#include "editor/settings_keys.h"
#include "profile/profile.h"
#include "support/editor_fixture.h"
#include "text/default_image.h"

#include <gmock/gmock.h>

#include <random>

namespace kpr::test {
namespace {

using ::testing::HasSubstr;

// An editor that opened `image` as File > Open does.
struct Opened {
    explicit Opened(const PagerImage& image) : editor(msgs) {
        editor.startup_finish({}, false);
        editor.load_image(image);
    }
    RecordedMessages msgs;
    Editor editor;
};

// The default image with every key set through the editor's controls: random list, box and
// slider values, and prompt texts YAML would read as something else when written bare.
PagerImage generated_image(unsigned seed) {
    static const std::vector<std::string> awkward = {
        "",      " LEAD", "TRAIL ", "YES",   "~",  "NULL", "A: B", "#1",    "'Q'",
        "\"D\"", "- X",   "[X]",    "{X}",   "&A", "*B",   "!C",   "%D",    "@E",
        "1.5",   "0x1F",  "true",   "A # B", "?",  "|",    ">",    "ÄÖÜ ß", "12:30"};
    std::mt19937 rng(seed);
    const auto pick = [&](std::size_t n) { return static_cast<std::size_t>(rng() % n); };
    Opened o(build_default_image());
    std::size_t prompts = 0;
    for (const SettingKey& k : setting_keys()) {
        if (k.prepare)
            k.prepare(o.editor);
        const std::string name = k.control_in(o.editor);
        if (!o.editor.controls().contains(name))
            continue;
        const ControlState& c = o.editor.controls().at(name);
        std::string v = std::to_string(pick(2097152)); // capcodes; others refuse it
        if (k.kind == SettingKind::Check)
            v = std::to_string(pick(2));
        else if (k.kind == SettingKind::List && !c.items.empty())
            v = c.items[pick(c.items.size())];
        else if (k.kind == SettingKind::Slider)
            v = std::to_string(k.sliderMin + static_cast<int>(pick(static_cast<std::size_t>(
                                                 k.sliderMax - k.sliderMin + 1))));
        else if (k.key.rfind("prompt.", 0) == 0)
            v = awkward[prompts++ % awkward.size()];
        const std::string before = read_setting(o.editor, k.key).value_or("");
        o.msgs.entries.clear();
        apply_setting(o.editor, k.key, v);
        if (!o.msgs.entries.empty() && k.kind == SettingKind::List) // falling battery levels
            apply_setting(o.editor, k.key, before);
    }
    return o.editor.image();
}

// Saved from one image and opened in the window onto another, a profile sets every key.
TEST(ProfileRoundTrip, SaveThenOpenOntoAnotherImage) {
    ScratchDir dir;
    Opened a(generated_image(99));
    std::string error;
    ASSERT_TRUE(save_profile_file(a.editor, dir.path("saved.yaml"), error, {"by a test"})) << error;
    EXPECT_TRUE(is_profile_path("x.YML"));
    EXPECT_FALSE(is_profile_path("x.tbl"));
    Opened b(build_default_image());
    const ProfileResult r = open_profile_in_editor(b.editor, dir.path("saved.yaml"));
    ASSERT_TRUE(r.ok()) << describe_problem(r.problems.front(), "p");
    EXPECT_EQ(export_profile(b.editor), export_profile(a.editor));
    EXPECT_FALSE(save_profile_file(a.editor, dir.path("no-folder/x.yaml"), error));
    EXPECT_THAT(error, HasSubstr("could not be written"));
}

// A stored code with no list entry reads and exports as that code, and imported onto another
// image stores it.
TEST(ProfileRoundTrip, CodesWithoutAnEntryTravel) {
    const struct {
        std::string key;
        int addr;
        uint8_t code;
    } rows[] = {
        // clang-format off
        {"tone", 0x2E, 5}, {"battery.med", 0x8E, 1}, {"function.2.A.display", 0x394, 9},
        {"function.1.C.class", 0x372, 0x40}, {"maildrop.3.history", 0x11, 0},
        {"alert.personal", 0x90, 7}, {"contrast", 0x89, 0}, {"contrast", 0x89, 9},
        // clang-format on
    };
    Opened shown(build_default_image());
    ASSERT_TRUE(apply_setting(shown.editor, "set_alert_off", "1").ok); // shows the tone list
    const PagerImage base = shown.editor.image();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.key);
        const std::string code = "code " + std::to_string(row.code);
        PagerImage odd = base;
        odd[row.addr] = row.code;
        Opened o(base);
        o.editor.load_image(odd); // after an image that had an entry
        EXPECT_THAT(export_profile(o.editor), HasSubstr("  " + row.key + ": " + code + "\n"));
        Opened onto(base);
        const ProfileResult r = apply_profile(onto.editor, parse_profile(row.key + ": " + code));
        ASSERT_TRUE(r.ok()) << describe_problem(r.problems.front(), "p");
        EXPECT_EQ(onto.editor.image(), odd);
    }
}

// Written backwards (each key before the one it depends on, battery levels raised low first
// past a falling order), a profile still applies every value.
TEST(ProfileOrder, DependentKeysApplyAfterWhatTheyDependOn) {
    Opened onto(build_default_image());
    const auto& levels = onto.editor.controls().at("cboBatLev(0)").items; // highest first
    const std::vector<std::pair<std::string, std::string>> values = {
        {"prompt.1", "HELLO"},        {"logo_font", "Swedish"},
        {"language", "German"},       {"frequency", "1530125"},
        {"spacing", "6.25KHz"},       {"band", "130-180MHz-GP(RoHS)"},
        {"zoom", "Zoom In"},          {"zoom_in_out_off", "1"},
        {"direct_show_lamp_on", "1"}, // shown by the lamp mode
        {"lamp_mode", "Direct"},      {"battery.low", levels[2]},
        {"battery.med", levels[1]},   {"battery.high", levels[0]}};
    std::string text;
    for (const auto& [key, value] : values)
        text += key + ": \"" + value + "\"\n";
    const ProfileResult r = apply_profile(onto.editor, parse_profile(text));
    ASSERT_TRUE(r.ok()) << describe_problem(r.problems.front(), "p");
    for (const auto& [key, value] : values)
        EXPECT_EQ(read_setting(onto.editor, key), value) << key;

    // Levels that really fall are refused on the line that sets them.
    Opened o2(build_default_image());
    const ProfileResult r2 = apply_profile(
        o2.editor, parse_profile("battery.low: \"" + levels[0] + "\"\nbattery.med: \"" + levels[1] +
                                 "\"\nbattery.high: \"" + levels[2] + "\"\n"));
    ASSERT_FALSE(r2.ok());
    EXPECT_EQ(r2.problems.front().line, 1);
    EXPECT_THAT(r2.problems.front().text, HasSubstr("Waring !"));
}

TEST(ProfileProblems, EachIsNamedWithItsLine) {
    struct Case {
        std::string text;
        int line;
        std::string says;
    };
    const std::vector<Case> cases = {
        {"settings:\n  band: 0\n  capcode.1: [1\n", 4, "not valid YAML"},
        {"kpr35t_profile: 1\nsettings:\n  band: 0\n  no_such_key: 1\n", 4, "unknown setting"},
        {"settings:\n  band: [0, 1]\n", 2, "single value, not a list"},
        {"band: 0\nserial_number: X\n", 2, "shown only"},
        {"band: 0\ncontrast: 1\nband: 1\n", 3, "given twice (first on line 1)"},
        {"kpr35t_profile: 7\nsettings:\n  band: 0\n", 1, "version 1"},
        {"settings:\n  band: 0\nextra: 1\n", 3, "beside \"settings\""},
        {"- band\n- 0\n", 1, "mapping"},
        {"a:\n b:\n  c:\n   d:\n    e:\n     f:\n      g:\n       h:\n        i:\n         j: 1\n",
         10, "nested too deep"},
        {"settings:\n  band: 0\nsettings:\n  contrast: 2\n", 3, "given twice (first on line 1)"},
        {"settings:\n  capcode:\n    1: \"5\"\n  capcode:\n    2: \"6\"\n", 4, "given twice"},
        {std::string(MaxProfileBytes + 1, '#'), 0, "larger than 1 MiB"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const ParsedProfile p = parse_profile(c.text);
        ASSERT_FALSE(p.ok());
        EXPECT_EQ(p.problems.front().line, c.line);
        EXPECT_THAT(p.problems.front().text, HasSubstr(c.says));
    }
}

TEST(ProfileProblems, AnAliasBombIsRefusedNotWalked) {
    // Each level refers `width` times to the one before: width^depth nodes from a few lines.
    const auto bomb = [](int width, int depth, const std::string& leaf) {
        std::string t = "l0: &l0 " + leaf + "\n";
        for (int i = 1; i <= depth; ++i) {
            t += "l" + std::to_string(i) + ": &l" + std::to_string(i) + " {";
            for (int k = 0; k < width; ++k)
                t += std::string(k ? ", " : "") + char('a' + k) + ": *l" + std::to_string(i - 1);
            t += "}\n";
        }
        return t;
    };
    const ParsedProfile p = parse_profile(bomb(2, 20, "{x: 1, y: 2}")); // 2^20 entries
    ASSERT_FALSE(p.ok());
    EXPECT_LE(p.problems.size(), 10002u);
    // Empty maps add no entries: only counting the nodes walked stops 9^8 of them.
    const ParsedProfile q = parse_profile(bomb(9, 8, "{}"));
    ASSERT_FALSE(q.ok());
    EXPECT_THAT(q.problems.back().text, HasSubstr("too large to read"));
}

TEST(ProfileProblems, BadValuesAreAllReportedAndNothingIsKept) {
    ScratchDir dir;
    const std::string path = dir.write("bad.yaml", "settings:\n"
                                                   "  contrast: 12\n"           // out of range
                                                   "  history_disable: maybe\n" // not 0 or 1
                                                   "  capcode.1: 9999999\n"     // the entry refuses
                                                   "  bandwidth: Wide-ish\n"    // not in the list
                                                   "  password: 4321\n"         // fine
                                                   "  prompt.1: " +
                                                       std::string(200000, 'Z') + "\n");
    const PagerImage def = build_default_image();
    const ProfileImport r = import_profile_file(path, def);
    ASSERT_FALSE(r.ok());
    std::vector<int> lines;
    for (const auto& p : r.result.problems)
        lines.push_back(p.line);
    EXPECT_EQ(lines, (std::vector<int>{2, 3, 4, 5, 7}));
    EXPECT_THAT(describe_problem(r.result.problems[0], "bad.yaml"),
                HasSubstr("bad.yaml:2: contrast: \"12\": "));
    EXPECT_THAT(r.result.problems[0].text, HasSubstr("from 1 to 8"));
    const std::string huge = describe_problem(r.result.problems[4], "p"); // named by size
    EXPECT_LT(huge.size(), 400u);
    EXPECT_THAT(huge, HasSubstr("(200000 bytes)"));
    Opened o(def); // the window's File > Open keeps the editor as it was
    EXPECT_FALSE(open_profile_in_editor(o.editor, path).ok());
    EXPECT_EQ(o.editor.image(), def);
    EXPECT_FALSE(import_profile_file(dir.path("missing.yaml"), def).ok());
}

} // namespace
} // namespace kpr::test
