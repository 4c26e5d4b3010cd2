// Profiles: round trips on the default image and on generated images, the fixed order of
// application, and malformed profiles reported by line without touching anything.
#include "editor/settings_keys.h"
#include "profile/profile.h"
#include "text/default_image.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <random>

#include <unistd.h>

namespace kpr {
namespace {

using ::testing::HasSubstr;

class Quiet final : public OperatorMessages {
  public:
    void message(const std::string& t, MessageIcon) override { texts.push_back(t); }
    bool ask(const std::string&) override { return false; }
    std::vector<std::string> texts;
};

// An editor that opened `image` as File > Open does.
struct Opened {
    explicit Opened(const PagerImage& image) : editor(msgs) {
        editor.startup_finish({}, false);
        editor.load_image(image);
    }
    Quiet msgs;
    Editor editor;
};

std::map<std::string, std::string> as_map(const std::vector<ProfileEntry>& v) {
    std::map<std::string, std::string> m;
    for (const auto& e : v)
        m[e.key] = e.value;
    return m;
}

// Texts that YAML would read as something else when written bare.
const std::vector<std::string>& awkward_texts() {
    static const std::vector<std::string> t = {
        "",      " LEAD", "TRAIL ", "YES",   "~",  "NULL", "A: B", "#1",    "'Q'",
        "\"D\"", "- X",   "[X]",    "{X}",   "&A", "*B",   "!C",   "%D",    "@E",
        "1.5",   "0x1F",  "true",   "A # B", "?",  "|",    ">",    "ÄÖÜ ß", "12:30"};
    return t;
}

// A random image: the default with random values put in through the editor's own controls.
PagerImage generated_image(unsigned seed) {
    std::mt19937 rng(seed);
    Opened o(build_default_image());
    Editor& e = o.editor;
    const auto& keys = setting_keys();
    auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
    for (int step = 0; step < 120; ++step) {
        const SettingKey& k = keys[static_cast<std::size_t>(pick(static_cast<int>(keys.size())))];
        if (k.kind == SettingKind::Display)
            continue;
        if (k.prepare)
            k.prepare(e);
        const std::string name = k.control(e);
        if (!e.controls().contains(name))
            continue;
        const ControlState& c = e.controls().at(name);
        std::string v;
        switch (k.kind) {
        case SettingKind::Check:
            v = pick(2) ? "1" : "0";
            break;
        case SettingKind::List:
            if (c.items.empty())
                continue;
            v = c.items[static_cast<std::size_t>(pick(static_cast<int>(c.items.size())))];
            break;
        case SettingKind::Slider:
            v = std::to_string(k.sliderMin + pick(k.sliderMax - k.sliderMin + 1));
            break;
        default:
            if (k.key.rfind("capcode.", 0) == 0)
                v = std::to_string(pick(2097152));
            else if (k.key == "password")
                v = std::to_string(1000 + pick(9000));
            else if (k.key.rfind("prompt.", 0) == 0) {
                v = pick(3) == 0 ? awkward_texts()[static_cast<std::size_t>(
                                       pick(static_cast<int>(awkward_texts().size())))]
                                 : std::string(static_cast<std::size_t>(1 + pick(8)),
                                               static_cast<char>('A' + pick(26)));
                if (c.maxLength > 0 && v.size() > static_cast<std::size_t>(c.maxLength))
                    v.resize(static_cast<std::size_t>(c.maxLength));
            } else
                continue; // the frequency stays with its band's default
        }
        const std::string before = read_setting(e, k.key).value_or("");
        o.msgs.texts.clear();
        apply_setting(e, k.key, v); // a refused value simply leaves the control as it was
        // A value the editor stores but warns about (falling battery levels) is put back.
        if (!o.msgs.texts.empty() && k.kind == SettingKind::List)
            apply_setting(e, k.key, before);
    }
    return e.image();
}

std::string write_temp(const std::string& name, const std::string& text) {
    const auto p = std::filesystem::temp_directory_path() /
                   ("kpr-profile-test-" + std::to_string(::getpid()) + "-" + name);
    std::ofstream(p, std::ios::binary) << text;
    return p.string();
}

TEST(ProfileRoundTrip, DefaultImageComesBackByteForByte) {
    const PagerImage def = build_default_image();
    Opened source(def);
    const std::string text = export_profile(source.editor, {"a comment"});
    EXPECT_THAT(text, HasSubstr("# a comment\nkpr35t_profile: 1\nsettings:\n  band: "));

    const ParsedProfile parsed = parse_profile(text);
    ASSERT_TRUE(parsed.ok()) << describe_problem(parsed.problems.front(), "p");
    EXPECT_EQ(as_map(parsed.entries), as_map(profile_entries(source.editor)));

    Opened target(def);
    const ProfileResult r = apply_profile(target.editor, parsed);
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(r.applied, 0);
    EXPECT_EQ(target.editor.image().bytes(), def.bytes());
}

TEST(ProfileRoundTrip, GeneratedImagesComeBackAndReproduceOnTheDefault) {
    for (unsigned seed = 1; seed <= 12; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        const PagerImage img = generated_image(seed);
        Opened source(img);
        const auto exported = profile_entries(source.editor);
        const ParsedProfile parsed = parse_profile(export_profile(source.editor));
        ASSERT_TRUE(parsed.ok()) << describe_problem(parsed.problems.front(), "p");
        // Every text survives the YAML quoting.
        ASSERT_EQ(as_map(parsed.entries), as_map(exported));

        // Onto the image it came from: not one byte changes.
        Opened same(img);
        const ProfileResult r = apply_profile(same.editor, parsed);
        ASSERT_TRUE(r.ok()) << describe_problem(r.problems.front(), "p");
        EXPECT_EQ(same.editor.image().bytes(), img.bytes());

        // Onto the default image: every named setting shows the profile's value, also after
        // the result is saved and opened again.
        Opened onto(build_default_image());
        const ProfileResult d = apply_profile(onto.editor, parsed);
        ASSERT_TRUE(d.ok()) << describe_problem(d.problems.front(), "p");
        Opened reopened(onto.editor.image());
        for (const ProfileEntry& e : exported) {
            // A blank prompt entry is stored as an indent and shows one more blank when
            // typed in again (the editor's own behaviour, not the profile's).
            if (e.key.rfind("prompt.", 0) == 0 &&
                e.value.find_first_not_of(' ') == std::string::npos)
                continue;
            EXPECT_EQ(read_setting(onto.editor, e.key).value_or("?"), e.value) << e.key;
            EXPECT_EQ(read_setting(reopened.editor, e.key).value_or("?"), e.value) << e.key;
        }
    }
}

// Any 2048 bytes with the model text open; their own profile must leave every byte alone.
TEST(ProfileRoundTrip, RandomImagesKeepEveryByte) {
    std::mt19937 rng(2048);
    for (int round = 0; round < 40; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        PagerImage img;
        for (int a = 0; a < ImageSize; ++a)
            img[a] = static_cast<uint8_t>(rng());
        for (int k = 0; k < 5; ++k)
            img[993 + k] = static_cast<uint8_t>("KPR35"[k]);
        Opened source(img);
        const ParsedProfile parsed = parse_profile(export_profile(source.editor, {"x"}));
        ASSERT_TRUE(parsed.ok()) << describe_problem(parsed.problems.front(), "p");
        Opened same(img);
        const ProfileResult r = apply_profile(same.editor, parsed);
        ASSERT_TRUE(r.ok()) << describe_problem(r.problems.front(), "p");
        EXPECT_EQ(r.applied, 0);
        EXPECT_EQ(same.editor.image().bytes(), img.bytes());
    }
}

// A stored code with no list entry reads as that code (after an image that had an entry
// was open in the same editor), is exported so, and imported onto another image stores it.
TEST(ProfileRoundTrip, CodesWithoutAnEntryTravel) {
    struct Row {
        std::string key;
        int addr;
        uint8_t code;
        std::string shown;
    };
    const std::vector<Row> rows = {
        {"tone", 0x2E, 5, "code 5"},
        {"battery.med", 0x8E, 1, "code 1"},
        {"function.2.A.display", 0x394, 9, "code 9"},
        {"function.1.C.class", 0x372, 0x40, "code 64"},
        {"maildrop.3.history", 0x11, 0, "code 0"},
        {"alert.personal", 0x90, 7, "code 7"},
        {"contrast", 0x89, 0, "code 0"},
        {"contrast", 0x89, 9, "code 9"},
    };
    // The default image with the tone list shown (its menu switch on).
    Opened shown(build_default_image());
    ASSERT_TRUE(apply_setting(shown.editor, "set_alert_off", "1").ok);
    const PagerImage base = shown.editor.image();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.key);
        PagerImage odd = base;
        odd[row.addr] = row.code;
        Opened o(base);
        o.editor.load_image(odd);
        EXPECT_EQ(read_setting(o.editor, row.key), row.shown);
        EXPECT_THAT(export_profile(o.editor), HasSubstr("  " + row.key + ": " + row.shown + "\n"));
        bool differs = false;
        for (const SettingChange& c : compare_settings(base, odd))
            differs = differs || (c.key == row.key && c.b == row.shown);
        EXPECT_TRUE(differs);

        Opened onto(base);
        const ProfileResult r =
            apply_profile(onto.editor, parse_profile(row.key + ": " + row.shown));
        ASSERT_TRUE(r.ok()) << describe_problem(r.problems.front(), "p");
        EXPECT_EQ(onto.editor.image().bytes(), odd.bytes());
    }
    // Summaries of the window and a band the synthesiser words do not name.
    PagerImage odd = build_default_image();
    odd[0x390] = 9; // capcode 1, A: display code with no letter
    odd[0x37] |= 1; // mail drop 1 on, with a length byte of no entry
    odd[0x91] = 3;
    odd[0x0C] = 0; // INCD below 128 ...
    odd[0x0D] = 0;
    odd[0x65] = 0x50; // ... and a base nibble of no band
    Opened o(odd);
    EXPECT_EQ(read_setting(o.editor, "capcode.1.display").value_or("").substr(0, 1), "-");
    EXPECT_EQ(read_setting(o.editor, "maildrop.1.alert_length"), "code 3");
    EXPECT_EQ(read_setting(o.editor, "maildrop.1.alert"), "code 3");
    EXPECT_EQ(read_setting(o.editor, "band"), "none");
    EXPECT_TRUE(apply_setting(o.editor, "band", "none").ok);
    Opened banded(build_default_image());
    ASSERT_TRUE(apply_setting(banded.editor, "band", "1").ok);
    EXPECT_FALSE(apply_setting(banded.editor, "band", "none").ok);
    EXPECT_FALSE(apply_setting(banded.editor, "tone", "code 256").ok);
}

TEST(ProfileOrder, DependentKeysComeAfterWhatTheyDependOn) {
    const std::vector<ProfileEntry> in = {
        {"prompt.1", "X", 1}, {"logo_font", "X", 2}, {"frequency", "X", 3},
        {"language", "X", 4}, {"capcode.1", "X", 5}, {"battery.low", "X", 6},
        {"band", "X", 7},     {"zoom", "X", 8},      {"zoom_in_out_off", "X", 9},
        {"spacing", "X", 10},
    };
    std::vector<std::string> keys;
    for (const auto& e : application_order(in))
        keys.push_back(e.key);
    EXPECT_EQ(keys, (std::vector<std::string>{"band", "spacing", "frequency", "zoom_in_out_off",
                                              "zoom", "battery.low", "capcode.1", "language",
                                              "logo_font", "prompt.1"}));
}

TEST(ProfileOrder, AHandWrittenProfileInAnyOrderApplies) {
    // The target: band 0 with its own frequency, another language and a prompt of ours.
    Opened want(build_default_image());
    ASSERT_TRUE(apply_setting(want.editor, "band", "0").ok);
    const std::string freq = read_setting(want.editor, "frequency").value();
    const auto& languages = want.editor.controls().at("cboLng").items;
    ASSERT_GE(languages.size(), 2u);
    const std::string language = languages[1];
    const std::string band = read_setting(want.editor, "band").value();

    // Listed backwards: prompt before language, frequency before band.
    const std::string text = "prompt.1: HELLO\n"
                             "language: \"" +
                             language + "\"\nfrequency: " + freq + "\nband: \"" + band + "\"\n";
    const ParsedProfile p = parse_profile(text);
    ASSERT_TRUE(p.ok());
    Opened onto(build_default_image());
    const ProfileResult r = apply_profile(onto.editor, p);
    ASSERT_TRUE(r.ok()) << describe_problem(r.problems.front(), "p");
    EXPECT_EQ(read_setting(onto.editor, "band"), band);
    EXPECT_EQ(read_setting(onto.editor, "frequency"), freq);
    EXPECT_EQ(read_setting(onto.editor, "language"), language);
    EXPECT_EQ(read_setting(onto.editor, "prompt.1"), "HELLO");
}

TEST(ProfileOrder, BatteryLevelsMayPassThroughAWrongOrderOnTheWay) {
    Opened o(build_default_image());
    const SettingKey* low = find_setting_key("battery.low");
    ASSERT_NE(low, nullptr);
    const auto& items = o.editor.controls().at(low->control(o.editor)).items;
    ASSERT_GE(items.size(), 4u);
    // The lists run from the highest level down. All three raised to the top three
    // entries, low first: raising "low" passes "med" and "high" on the way.
    const std::string text = "battery.low: \"" + items[2] + "\"\nbattery.med: \"" + items[1] +
                             "\"\nbattery.high: \"" + items[0] + "\"\n";
    const ProfileResult r = apply_profile(o.editor, parse_profile(text));
    ASSERT_TRUE(r.ok()) << describe_problem(r.problems.front(), "p");
    EXPECT_EQ(read_setting(o.editor, "battery.low"), items[2]);
    EXPECT_EQ(read_setting(o.editor, "battery.high"), items[0]);

    // Levels that really fall are refused, on the line that sets them.
    Opened o2(build_default_image());
    const std::string bad = "battery.low: \"" + items[0] + "\"\nbattery.med: \"" + items[1] +
                            "\"\nbattery.high: \"" + items[2] + "\"\n";
    const ProfileResult r2 = apply_profile(o2.editor, parse_profile(bad));
    ASSERT_FALSE(r2.ok());
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
    // Each level doubles the entries through aliases: 2^20 keys from a few lines.
    std::string text = "a0: &a0 {x: 1, y: 2}\n";
    for (int i = 1; i <= 20; ++i)
        text += "a" + std::to_string(i) + ": &a" + std::to_string(i) + " {x: *a" +
                std::to_string(i - 1) + ", y: *a" + std::to_string(i - 1) + "}\n";
    const ParsedProfile p = parse_profile(text);
    ASSERT_FALSE(p.ok());
    EXPECT_LE(p.problems.size(), 10002u);

    // Empty maps add no entries: only counting the nodes walked stops 9^8 of them.
    std::string empty = "l0: &l0 {}\n";
    for (int i = 1; i <= 8; ++i) {
        const std::string prev = "*l" + std::to_string(i - 1);
        empty += "l" + std::to_string(i) + ": &l" + std::to_string(i) + " {";
        for (char k = 'a'; k <= 'i'; ++k)
            empty += std::string(k == 'a' ? "" : ", ") + k + ": " + prev;
        empty += "}\n";
    }
    const ParsedProfile q = parse_profile(empty);
    ASSERT_FALSE(q.ok());
    EXPECT_THAT(q.problems.back().text, HasSubstr("too large to read"));
}

TEST(ProfileProblems, HostileTextsStayInTheirPlace) {
    // A file name with line breaks stays inside its comment line.
    Opened o(build_default_image());
    const std::string text = export_profile(o.editor, {"of x\nsettings:\n  contrast: 8\n.tbl"});
    EXPECT_THAT(text, HasSubstr("# of x\\x0Asettings:\\x0A  contrast: 8\\x0A.tbl\n"));
    const ParsedProfile p = parse_profile(text);
    ASSERT_TRUE(p.ok()) << describe_problem(p.problems.front(), "p");
    EXPECT_EQ(as_map(p.entries).at("contrast"), read_setting(o.editor, "contrast"));

    // A huge refused value is named by its start and size only.
    const std::string huge(200000, 'Z');
    const ProfileResult r = apply_profile(o.editor, parse_profile("prompt.1: " + huge + "\n"));
    ASSERT_FALSE(r.ok());
    const std::string said = describe_problem(r.problems.front(), "p");
    EXPECT_LT(said.size(), 400u) << said.substr(0, 400);
    EXPECT_THAT(said, HasSubstr("(200000 bytes)"));

    // Control characters never reach a prompt; an empty entry is refused, not ignored.
    for (const std::string bad : {"A\x1B[2J", "A\rB", "A\nB", "A\x7F", "\x01", "A\xC2\x85"}) {
        const SetOutcome s = apply_setting(o.editor, "prompt.1", bad);
        EXPECT_FALSE(s.ok) << printable_value(bad);
        EXPECT_THAT(o.msgs.texts.back(), HasSubstr("control characters"));
    }
    for (const char* key : {"capcode.1", "frequency", "password"})
        EXPECT_THAT(apply_setting(o.editor, key, "").error, HasSubstr("needs a value")) << key;
    EXPECT_EQ(o.editor.image().bytes(), build_default_image().bytes());
}

TEST(ProfileProblems, BadValuesAreAllReportedAndNothingIsKept) {
    const std::string text = "settings:\n"
                             "  contrast: 12\n"           // out of range
                             "  history_disable: maybe\n" // not a switch value
                             "  capcode.1: 9999999\n"     // refused by the capcode entry
                             "  bandwidth: Wide-ish\n"    // not one of the list
                             "  password: 4321\n";        // fine
    const std::string path = write_temp("bad.yaml", text);
    const PagerImage def = build_default_image();
    const ProfileImport r = import_profile_file(path, def);
    ASSERT_FALSE(r.ok());
    std::vector<int> lines;
    for (const auto& p : r.result.problems)
        lines.push_back(p.line);
    EXPECT_EQ(lines, (std::vector<int>{2, 3, 4, 5}));
    EXPECT_THAT(describe_problem(r.result.problems[0], "bad.yaml"),
                HasSubstr("bad.yaml:2: contrast: \"12\": "));
    EXPECT_THAT(r.result.problems[0].text, HasSubstr("from 1 to 8"));

    // The window's File > Open keeps the editor as it was.
    Opened o(def);
    const ProfileResult w = open_profile_in_editor(o.editor, path);
    EXPECT_FALSE(w.ok());
    EXPECT_EQ(o.editor.image().bytes(), def.bytes());
    EXPECT_EQ(read_setting(o.editor, "password"), "1234");
    std::filesystem::remove(path);
}

TEST(ProfileFiles, SaveThenOpenInTheWindow) {
    Opened a(generated_image(99));
    const std::string path = write_temp("saved.yaml", "");
    std::string error;
    ASSERT_TRUE(save_profile_file(a.editor, path, error, {"made by a test"})) << error;
    EXPECT_TRUE(is_profile_path(path));
    EXPECT_TRUE(is_profile_path("x.YML"));
    EXPECT_FALSE(is_profile_path("x.tbl"));

    Opened b(build_default_image());
    const ProfileResult r = open_profile_in_editor(b.editor, path);
    ASSERT_TRUE(r.ok()) << describe_problem(r.problems.front(), path);
    for (const ProfileEntry& e : profile_entries(a.editor))
        EXPECT_EQ(read_setting(b.editor, e.key), e.value) << e.key;

    EXPECT_FALSE(save_profile_file(a.editor, "/nonexistent-dir/x.yaml", error));
    EXPECT_THAT(error, HasSubstr("could not be written"));
    const ProfileImport missing = import_profile_file("/nonexistent-dir/x.yaml", b.editor.image());
    EXPECT_FALSE(missing.ok());
    std::filesystem::remove(path);
}

} // namespace
} // namespace kpr
