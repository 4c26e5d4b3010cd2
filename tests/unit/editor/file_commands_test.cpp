// File > Open, Save and Save As on real files, and opening any image, or its profile,
// changes none of it.
#include "profile/profile.h"
#include "settings/prompt_record.h"
#include "support/editor_fixture.h"
#include "text/default_image.h"

#include <random>

namespace kpr::test {
namespace {

class FileCommandsTest : public EditorTest {
  protected:
    std::string caption(const std::string& file, bool usb = true) const {
        return std::string("Vard Quinta ") + (usb ? "USB " : "") + "KPR35T V05.21 - [" + file + "]";
    }
    ScratchDir dir;
};

TEST_F(FileCommandsTest, StartUpWithAndWithoutDefaultTbl) {
    const std::string def = dir.path("default.tbl");
    Editor first(msgs);
    first.startup_finish(dir.path(""));
    EXPECT_EQ(first.controls()["cboDft"].value, 1);
    ASSERT_TRUE(first.mnuSBTF_Click()); // Save creates it, without asking
    EXPECT_TRUE(msgs.questions.empty());
    EXPECT_EQ(dir.read(def), bytes_of(first.image()));
    EXPECT_EQ(first.caption(), caption(def));

    PagerImage img = default_image();
    img[0x89] = 7;
    dir.write("default.tbl", bytes_of(img));
    Editor next(msgs);
    next.startup_finish(dir.path(""));
    EXPECT_EQ(next.image(), img);
    EXPECT_EQ(next.controls()["Slider1"].value, 7);
    EXPECT_EQ(next.caption(), caption(def));
}

TEST_F(FileCommandsTest, Open) {
    const std::string good = bytes_of(default_image());
    const auto with = [](std::string b, int addr, const std::string& part) {
        return b.replace(static_cast<std::size_t>(addr), part.size(), part);
    };
    const std::string band2 = with(with(good, 0x0C, "\x00\x7F"s), 0x65, "\x8E");
    const std::string band0 = with(with(good, 0x0C, "\x00\x80"s), 0x65, "\x30");
    const std::string format = "is not correct format, the file will discard !";
    const struct {
        std::string name;
        std::string bytes; // the file, or none
        std::string said;  // a part of the message, or accepted
        int band;
        std::vector<Field> fields;
    } rows[] = {
        // Short files are zero-filled; the band is chosen without touching the file's words.
        // clang-format off
        {"short.tbl", band2.substr(0, 1000), "", 2,
         {{0x0C, 127, 2}, {996, static_cast<uint8_t>(good[996])}, {1000, 0, 4}, {2044, 0, 4}}},
        {"long.tbl", with(band0, 2044, "nnnn") + std::string(1000, 'w'), "", 0,
         {{0x0C, 128, 2}, {2044, 0x6E6E6E6E, 4}}},
        // clang-format on
        {"lower.tbl", with(good, 993, "k"), format, 0, {}},
        {"tiny.tbl", good.substr(0, 990), format, 0, {}},
        {"missing.tbl", "", "This file is not exit!", 0, {}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        if (!r.bytes.empty())
            dir.write(r.name, r.bytes);
        msgs.entries.clear();
        const PagerImage before = ed.image();
        EXPECT_EQ(ed.mnuLBFF_Click(dir.path(r.name)), r.said.empty());
        if (r.said.empty()) {
            EXPECT_TRUE(said().empty());
        } else {
            ASSERT_EQ(said().size(), 1u);
            EXPECT_NE(said()[0].find(r.said), std::string::npos) << said()[0];
            EXPECT_EQ(ed.image(), before);
        }
        EXPECT_EQ(c("cboDft").value, r.band);
        for (const Field& f : r.fields)
            EXPECT_EQ(field(f), f.value) << "at &H" << std::hex << f.addr;
    }
    EXPECT_EQ(msgs.entries.back().icon, MessageIcon::None);
    // Save still goes to the file opened last, never to a refused one.
    EXPECT_EQ(ed.flags().CurrentTablePath, dir.path("long.tbl"));
    edit({{"cboDft", "1", {{0x68, 4540125, 4}}}}); // the band handler runs normally afterwards
}

TEST_F(FileCommandsTest, SaveAs) {
    const std::string old(3000, '\xAA');
    dir.write("old.tbl", old);
    msgs.answer = false;
    EXPECT_FALSE(ed.mnuSA_Click(dir.path("old.tbl")));
    EXPECT_EQ(msgs.questions,
              std::vector<std::string>{
                  "This file is arealy exist ! \r\nAre you sure overwrite this file?"});
    EXPECT_EQ(dir.read("old.tbl"), old);
    msgs.answer = true;
    ASSERT_TRUE(ed.mnuSA_Click(dir.path("old.tbl")));
    EXPECT_EQ(dir.read("old.tbl"), bytes_of(ed.image()) + old.substr(2048)); // the tail stays
    ASSERT_TRUE(ed.mnuSA_Click(dir.path("new.tbl")));
    EXPECT_EQ(ed.caption(), caption(dir.path("new.tbl")));
    ed.set_usb_link(false);
    EXPECT_EQ(ed.caption(), caption(dir.path("new.tbl"), false));

    EXPECT_FALSE(ed.mnuSA_Click(dir.path("no-such-folder/x.tbl")));
    ASSERT_EQ(said().size(), 1u);
    EXPECT_NE(said()[0].find("x.tbl"), std::string::npos);
}

// Any bytes with the model text, opened from a file: opening both dialogs and leaving every
// prompt entry as shown writes nothing, Save gives the same file, and the image's profile
// names every setting as the editor shows it and, imported, changes nothing.
TEST_F(FileCommandsTest, AnyImageKeepsEveryByte) {
    std::mt19937 rng(99);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int round = 0; round < 60; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        PagerImage img = default_image();
        for (int a = 0; round > 0 && a < ImageSize; ++a)
            img[a] = static_cast<uint8_t>(a >= 993 && a < 998 ? "KPR35"[a - 993] : byte(rng));
        for (int i = 0; round % 2 && i < 72; ++i) { // prompt records an entry can show
            const int a = prompt_record_address(i);
            if (a < 0)
                continue;
            img[a + 1] = static_cast<uint8_t>(1 + byte(rng) % 18);
            for (int k = 0; k < img[a + 1]; ++k) // printable, no blanks at the ends
                img[a + 2 + k] = static_cast<uint8_t>(33 + byte(rng) % 223);
            if (prompt_has_indent_offset(i)) // an indent below 3 has no form an entry shows
                img[a] = static_cast<uint8_t>((img[a] & 0xF0) | (3 + byte(rng) % 13));
        }
        img.set_bits(0x3B, 0, 2, 2); // the logo is present, as storing prompt 0 says
        ASSERT_TRUE(ed.mnuLBFF_Click(dir.write("in.tbl", bytes_of(img))));
        ASSERT_EQ(ed.image(), img);
        ed.user_change("cmdFunc(" + std::to_string(round % 8) + ")", 0);
        ed.user_change("cmdAlert", 0);
        for (int i = 0; round % 2 && i < 72; ++i) {
            if (prompt_record_address(i) >= 0) {
                ASSERT_TRUE(ed.route(ctl("txtPrompt", i), ControlEvent::LostFocus)) << i;
            }
        }
        ASSERT_EQ(ed.image(), img);
        EXPECT_TRUE(ed.flags().ReloadError == ReloadOk || ed.flags().ReloadError == ReloadBaseFreq);
        EXPECT_EQ(c("chkCtl(17)").value, img.get_bits(0x36, 7, 1));
        ASSERT_TRUE(ed.mnuSA_Click(dir.path("out.tbl")));
        ASSERT_TRUE(ed.mnuSBTF_Click());
        ASSERT_EQ(dir.read("out.tbl"), bytes_of(img));

        const std::string text = export_profile(ed, {"a comment"});
        EXPECT_EQ(text.rfind("# a comment\nkpr35t_profile: 1\nsettings:\n  band: ", 0), 0u);
        const ParsedProfile parsed = parse_profile(text);
        ASSERT_TRUE(parsed.ok()) << describe_problem(parsed.problems.front(), "p");
        const std::vector<ProfileEntry> shown = profile_entries(ed);
        ASSERT_EQ(parsed.entries.size(), shown.size());
        for (std::size_t k = 0; k < shown.size(); ++k)
            EXPECT_EQ(parsed.entries[k].key + ": " + parsed.entries[k].value,
                      shown[k].key + ": " + shown[k].value);
        const ProfileResult r = apply_profile(ed, parsed);
        ASSERT_TRUE(r.ok()) << describe_problem(r.problems.front(), "p");
        EXPECT_EQ(r.applied, 0);
        ASSERT_EQ(ed.image(), img);
    }
    EXPECT_TRUE(said().empty());
}

} // namespace
} // namespace kpr::test
