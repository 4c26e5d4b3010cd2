// The settings the editor stores: prompts, battery, password, tone, function bits, alert
// lengths, logo and language, each a table of (user action -> bytes, message, shown text).
#include "support/editor_fixture.h"

namespace kpr::test {
namespace {

using SettingsTest = EditorTest;

// A prompt record: attribute (indent in the low nibble), length, text. Prompt 1 is at &H114,
// 2 at &H128, 3 at &H13C, 5 at &H164, SLEEP (14, three columns further right) at &H218.
TEST_F(SettingsTest, Prompts) {
    const std::string blanks = "Too many leading blanks! Blanks beyond an indent of 15 count "
                               "toward the 18 characters.";
    const std::string latin1 =
        " can not be stored in the pager! Please use Latin-1 characters only.";
    const std::string X = std::string(13, ' ') + "X";
    ed.image()[0x114] = 0xA7; // attribute bits must survive
    // clang-format off
    edit({
        {"txtPrompt(1)", "   ABC", {{0x114, 0xA303, 2}, {0x116, 0x414243, 3}}, "", {{"txtPrompt(1)", "   ABC"}}},
        {"txtPrompt(14)", "ABC", {{0x218, 3, 1, 15}}, "", {{"txtPrompt(14)", "ABC"}}},
        {"txtPrompt(14)", X, {{0x218, 15, 1, 15}, {0x219, 0x022058, 3}}, "", {{"txtPrompt(14)", X}}},
        {"txtPrompt(5)", "", {{0x165, 0x0120, 2}}, "", {{"txtPrompt(5)", " "}}},
        {"txtPrompt(0)", "   ", {{0x3B, 0, 1, 3}, {0x101, 1}}}, // the logo is absent
        {"txtPrompt(0)", "QUINTA", {{0x3B, 2, 1, 3}}},
        {"txtPrompt(3)", "ABC" + std::string(16, ' '), {}, "Can not exceed 18 characters exclude left space!"},
        {"txtPrompt(3)", "  " + std::string(18, 'Q'), {{0x13C, 2, 1, 15}, {0x13D, 18}}},
        {"txtPrompt(1)", std::string(20, ' ') + std::string(18, 'B'), {}, blanks},
        {"txtPrompt(24)", "INBOX", {}, "", {{"txtPrompt(71)", "INBOX"}}}, // one record
        {"txtPrompt(71)", " MAIL", {}, "", {{"txtPrompt(24)", " MAIL"}}},
        {"txtPrompt(2)", "MENÜ", {{0x129, 4}, {0x12D, 0xDC}}, "", {{"txtPrompt(2)", "MENÜ"}}},
        {"txtPrompt(2)", "PRICE €5", {}, "The character \"€\"" + latin1},
        {"txtPrompt(2)", "A\xFF", {}, "The text" + latin1},
        {"txtPrompt(2)", "A\x1B[2J", {}, "A prompt cannot hold control characters (such as Escape, a line break or Delete)."},
    });
    EXPECT_EQ(ed.state().focusRequest, "txtPrompt(2)");
    // Stored records the entries must show as the pager does.
    load({
        {0xA0, "\x41\x01Z", {{"txtPrompt(65)", std::string(14, ' ') + "Z"}}}, // indent 1 wraps
        {0x7AC, "\x00\xFF"s + std::string(18, 'S'), {{"txtPrompt(64)", std::string(18, 'S')}}},
        {0x114, "\x4F\x12" + std::string(18, 'A'), {{"txtPrompt(1)", std::string(15, ' ') + std::string(18, 'A')}}},
    });
    // clang-format on
}

// A blank-only text reads back as typed; storing what is shown changes nothing.
TEST_F(SettingsTest, BlankPromptsRoundTrip) {
    for (const char* entry : {"txtPrompt(5)", "txtPrompt(14)", "txtPrompt(0)"})
        for (int n : {1, 6, 12, 15, 16, 20}) {
            SCOPED_TRACE(std::string(entry) + " " + std::to_string(n));
            ASSERT_TRUE(ed.user_enter_text(entry, std::string(static_cast<std::size_t>(n), ' ')));
            const PagerImage before = ed.image();
            ASSERT_TRUE(ed.user_enter_text(entry, c(entry).text));
            EXPECT_EQ(ed.image(), before);
            EXPECT_EQ(c(entry).text, std::string(static_cast<std::size_t>(n), ' '));
        }
}

TEST_F(SettingsTest, PromptAlignmentAndLimits) {
    c("txtPrompt(1)").text = "  ABCDE ";
    ed.route("txtPrompt(1)", ControlEvent::GotFocus);
    const std::vector<std::pair<std::string, std::string>> rows = {
        {"optCenter(0)", std::string(8, ' ') + "ABCDE"},
        {"optRight(0)", std::string(16, ' ') + "ABCDE"},
        {"optLeft(0)", "ABCDE"},
    };
    for (const auto& [button, shown] : rows) {
        ed.user_change(button, 1);
        EXPECT_EQ(c("txtPrompt(1)").text, shown) << button;
    }
    c("txtPrompt(14)").text = "AB"; // SLEEP holds 18
    ed.route("txtPrompt(14)", ControlEvent::GotFocus);
    ed.user_change("optRight(2)", 1);
    edit({{"txtPrompt(14)", c("txtPrompt(14)").text, {{0x218, 15, 1, 15}, {0x219, 6}}}});
    // "Set 1" acts on the logo whichever prompt has the focus.
    c("txtPrompt(0)").text = "LOGO";
    ed.user_change("cboLogo", 1); // capacity 21
    ed.user_change("optRight(1)", 1);
    EXPECT_EQ(c("txtPrompt(0)").text, std::string(17, ' ') + "LOGO");
    for (const char* e : {"txtPrompt(1)", "txtPrompt(14)", "txtPrompt(26)", "txtPrompt(65)"})
        EXPECT_EQ(c(e).maxLength, std::string(e) == "txtPrompt(1)" ? 21 : 18) << e;
    EXPECT_EQ(c("lblPrompt(14)").hint, " Small Font ( Less than 16 characters ) ");
    EXPECT_FALSE(ed.controls().contains("txtPrompt(66)"));
}

TEST_F(SettingsTest, BatteryPasswordAndTone) {
    const std::string order = "Waring ! You must let ( Level-High > Level-Med > Level-Low ).";
    const std::string digits = "Please insert a decimal numeric!";
    const std::string range = "Please insert a number between 0000 to 9999";
    ed.image()[0x530] = 7;
    ed.image()[0x531] = 9;
    edit({
        {"chkCtl(10)", "0", {{0x4FC, 0, 1, 4}, {0x8D, 0x666E77, 3}, {0x530, 0, 2}}},
        {"cboBatLev(5)", "1.58V", {{0x8F, 135}}},
        {"cboBatLev(4)", "1.48V", {{0x8E, 126}}},
        {"cboBatLev(3)", "1.35V", {{0x8D, 115}}},
        {"cboBatLev(4)", "1.58V", {{0x8E, 135}}, order}, // equal is not rising
        {"cboBatLev(4)", "1.29V", {{0x8E, 110}}, order}, // stored all the same
        {"chkCtl(10)", "1", {{0x4FC, 4, 1, 4}, {0x8D, 0xCC}}, "", {{"cboBatLev(0)", "2.40V"}}},
        {"cboBatLev(1)", "2.68V", {{0x8E, 228}}, order},
        {"txtPass", "12", {{0x3B0, 0x02010000, 4}}, "", {{"txtPass", "0012"}}},
        {"txtPass", "9876", {{0x3B0, 0x06070809, 4}}},
        {"cboTone", "Music 2", {{0x2E, 18}}},
    });
    for (const char* bad : {"1.5", "&H1F", "1e3", "4 2", "+12", "١٢"})
        edit({{"txtPass", bad, {}, digits, {{"txtPass", "9876"}}}});
    for (const char* bad : {"-1", "-0", "12345"})
        edit({{"txtPass", bad, {}, range}});
    edit({{"txtPass", " 7 ", {{0x3B0, 0x07000000, 4}}}});
    EXPECT_FALSE(c("cboBatLev(3)").visible);
    const std::string sum = "\x03\x47"; // of the twelve serial-number bytes
    load({
        {0x8E, "\x64", {{"cboBatLev(1)", "2.68V"}}}, // a code with no entry keeps the list
        {0x3B0, "\x03\x00\x0A\xFF"s, {{"txtPass", "2551003"}}},
        {0x2E, "\x31", {{"cboTone", "Flash Only"}}},
        {0x2E, "\x05", {{"cboTone", "Flash Only"}}},
        {0x4D6, "VARD0000123\xC4" + sum, {{"textSN", "VARD0000123Ä"}}},
        {0x4E3, "\x46", {{"textSN", ""}}},
    });
}

// Function bits: class (&H370 + 4 x slot), display (&H390 + 4 x slot), priority (one bit a
// letter, from &H30). The summaries show one letter a function.
TEST_F(SettingsTest, FunctionBits) {
    load({
        {0x390, "\x09\x05\x02\x01", {{"tlblDisp(0)", "--AP"}}},
        {0x370, "\x14\xFF\x0F", {{"tlblType(0)", "14GFP"}}},
    });
    ed.user_change("cmdFunc(0)", 0);
    expect_shown({{"cboDisp(0)", "-1"},
                  {"cboDisp(1)", "5"},
                  {"cboType(0)", "-1"},
                  {"cboType(1)", "16"},
                  {"cboType(2)", "Mail Drop F"}});
    edit({
        {"cmdFunc(3)", "0", {}, "", {{"lblFuncSlot", "#4"}}},
        {"cboType(2)", "16", {{0x37E, 0xFF}}, "", {{"tlblType(3)", "PPGP"}}},
        {"cboType(0)", "Mail Drop A", {{0x37C, 10}}, "", {{"tlblType(3)", "APGP"}}},
        {"cmdFunc(5)", "0", {}},
        {"chkPri(1)", "1", {{0x34, 0x20, 1, 0x20}}, "", {{"tlblPri(5)", "-v--"}}},
        {"chkPri(1)", "0", {{0x34, 0, 1, 0x20}}},
        {"cmdFunc(7)", "0", {}},
        {"cboDisp(3)", "4", {{0x3AF, 4}}, "", {{"tlblDisp(7)", "AAAT"}}},
    });
}

// Alert lengths: personal at &H90, mail drop n at &H90 + n with its switch in &H37/&H38;
// history depth of drop n at &H0E + n.
TEST_F(SettingsTest, AlertLengthsAndHistory) {
    ed.image()[0x93] = 7;
    edit({
        {"cmdAlert", "0", {}},
        {"cboMailAler(8)", "3", {{0x38, 1, 1, 1}, {0x99, 16}}, "", {{"lblLength(9)", "16"}}},
        {"cboMailAler(2)", "Beep", {{0x37, 4, 1, 4}, {0x93, 0}}, "", {{"lblLength(3)", "BP"}}},
        {"cboMailAler(2)", "0", {{0x37, 0, 1, 4}, {0x93, 0}}, "", {{"lblLength(3)", "--"}}},
        {"cboHis(14)", "7", {{0x1D, 8}}, "", {{"lblHistory(15)", "07"}}},
        {"cboPersonal", "4", {{0x90, 0}}, "", {{"lblLength(0)", "CT"}}},
        {"cboPersonal", "1", {{0x90, 8}}, "", {{"lblLength(0)", "08"}}},
    });
    load({
        {0x6C, "\x28", {{"lblMemory(0)", "10"}}},
        {0x1E, "\x0A\x0E", {{"lblMemory(1)", "02"}, {"lblMemory(2)", "04"}}},
        {0x2B, "\x05", {{"lblMemory(14)", "01"}, {"lblMemory(15)", ""}}},
        {0x0F, "\x00"s, {{"lblHistory(1)", "-01"}}}, // a stored 0 has no depth
        {0x90, "\x20\x01\x09\x10", {}},
        {0x37, "\x03", {}},
        {0x0F, "\x0A\x0B", {}},
    });
    ed.user_change("cmdAlert", 0);
    expect_shown({{"cboPersonal", "3"},
                  {"cboMailAler(0)", "2"},
                  {"cboMailAler(1)", "-1"},
                  {"cboMailAler(2)", "0"},
                  {"cboHis(0)", "9"},
                  {"cboHis(1)", "-1"}});
}

// Logo font at &H3F (low nibble), language at &H3A and &H3E, logo present in &H3B bits 0-1.
TEST_F(SettingsTest, LogoAndLanguage) {
    load({
        {0x3F, "\xA1", {{"cboLogo", "0"}}}, // 1 shows "English(Large)" ...
        {0x3E, "\xF1", {{"cboLng", "0"}}},
        {0x3E, "\x0F", {{"cboLng", "Swedish"}}},
    });
    EXPECT_EQ(c("txtPrompt(0)").maxLength, 16);
    EXPECT_TRUE(c("txtPrompt(0)").bold);
    edit({
        {"cboLogo", "0", {{0x3F, 0xA0}}}, // ... and only a pick writes 0
        {"cboLogo", "6", {{0x3F, 0xAF}}},
        // clang-format off
        {"cboLng", "German", {{0x3A, 8, 1, 15}, {0x3E, 8, 1, 15}, {0x3B, 2, 1, 3}}, "",
         {{"txtPrompt(1)", "   Keine Nachricht"}, {"txtPrompt(2)", "     Menü/zurück"},
          {"txtPrompt(65)", "Nur Blinken"}, {"txtPrompt(31)", "   Verlauf einst."}}},
        // clang-format on
        {"txtPrompt(0)", "", {{0x3B, 0, 1, 3}}},
        {"cboLng", "4", {{0x3B, 2, 1, 3}, {0x3E, 11, 1, 15}}},
    });
    EXPECT_EQ(c("txtPrompt(0)").maxLength, 21);
    EXPECT_FALSE(c("txtPrompt(0)").bold);
    // A code the logo list lacks waits for the next language pick.
    c("cboLogo").value = 4;
    load({{0x3F, "\x03", {{"cboLogo", "German"}}}});
    edit({{"cboLng", "0", {{0x3F, 8}}}});
    // A pick the program made itself is dropped once.
    ed.flags().SuppressClick = true;
    const PagerImage before = ed.image();
    ed.user_change("cboLng", 2);
    EXPECT_EQ(ed.image(), before);
    edit({{"cboLng", "2", {{0x3E, 6, 1, 15}}}});
    // The large font takes no more typing but keeps a longer logo until it is edited.
    c("cboLogo").value = 1;
    c("txtPrompt(0)").text = "ABCDEFGHIJKLMNOPQRST";
    ed.user_change("cboLogo", 0);
    EXPECT_EQ(c("txtPrompt(0)").text, "ABCDEFGHIJKLMNOPQRST");
    const std::vector<std::pair<std::string, bool>> typed = {
        {"ABCDEFGHIJKLMNOPQRST", true},   {"ABCDEFGHIJKLMNOPQRS", true}, {"XYZ", true},
        {"ABCDEFGHIJKLMNOPQRSTU", false}, {"ABCDEFGHIJKLMNOPQZ", false},
    };
    for (const auto& [text, taken] : typed)
        EXPECT_EQ(entry_accepts(c("txtPrompt(0)"), text), taken) << text;
}

// The source prompts: &H3B bits 5-6 choose the set, &H7C0 + n enables source prompt n.
TEST_F(SettingsTest, SourcePrompts) {
    edit({
        {"cboSource", "2", {{0x3B, 0x60, 1, 0x60}}},
        {"cboSource", "0", {{0x3B, 0x20, 1, 0x60}}}, // the placement bit stays
        {"cboSource", "1", {{0x3B, 0x40, 1, 0x60}}},
        {"chkSource(40)", "1", {{0x7C7, 1}}},
    });
    EXPECT_TRUE(c("txtPrompt(40)").enabled);
    EXPECT_FALSE(c("txtPrompt(41)").enabled);
    edit({{"chkSource(40)", "0", {{0x7C7, 0}}}, {"cboSource", "0", {}}});
    EXPECT_FALSE(c("txtPrompt(40)").enabled);
    EXPECT_FALSE(c("chkSource(64)").enabled);
}

} // namespace
} // namespace kpr::test
