// The window's bound controls and what the editor does around them: companions of a
// control, edit and write modes, the serial-number scanner, "Load Default".
#include "image/bound_controls.h"
#include "support/editor_fixture.h"

namespace kpr::test {
namespace {

using ControlsTest = EditorTest;

TEST_F(ControlsTest, ControlsAndTheirCompanions) {
    ed.image()[0x530] = 7;
    edit({
        {"chkMenu(2)", "1", {}},
        {"chkMenu(5)", "1", {{0x78, 0x20200708, 4}, {0x7C, 0x0A0B0D, 3}, {0x3D, 0x20, 1, 0x20}}},
        {"chkMenu(2)", "0", {}},
        {"chkMenu(5)", "0", {{0x78, 0x0708090A, 4}, {0x7C, 0x0B0C0D, 3}, {0x3D, 0, 1, 0x20}}},
        {"cboCtl(9)", "0", {{0x62, 0x01}}}, // data rate and its companions
        {"cboCtl(9)", "1", {{0x61, 0x0A, 1, 0x1B}, {0x62, 0x41}, {0x63, 0x80, 1, 0xC0}}},
        {"cboCtl(9)", "2", {{0x61, 0x03, 1, 0x03}, {0x63, 0x40, 1, 0xC0}}},
        {"chkCtl(17)", "1", {{0x35A, 16}}, "", {{"chkCtl(3)", "0"}}}, // lamp: shows RD keys
        {"chkCtl(17)", "0", {{0x35A, 32}}},
        {"chkCtl(14)", "1", {{0x7E3, 0}}}, // an inverted box stores a whole byte
        {"chkCtl(14)", "0", {{0x7E3, 1}}},
        {"Slider1", "6", {{0x89, 6}}, "", {{"lblContrastValue", "6"}}},
        {"cboZoom", "1", {{0x3C, 0x10, 1, 0x10}}},
    });
    EXPECT_EQ(c("lblContrast").foreColour, 0x141414u);
    ed.user_change("chkCtl(17)", 1);
    EXPECT_TRUE(c("chkCtl(21)").visible);
    ed.user_change("cboCtl(3)", 1); // lamp "Direct"
    EXPECT_TRUE(c("chkCtl(20)").visible);
    ed.user_change("chkMenu(6)", 1);
    EXPECT_TRUE(c("cboTone").visible);
    ed.user_change("chkMenu(0)", 0);
    EXPECT_FALSE(c("cboZoom").visible);

    // Lockout (&H3C: bit 2 wins, else bit 3 and bits 0-1) and out of service (&H3D bits 1-3).
    load({
        {0x3C, "\x07", {{"cboSLC", "5"}}},
        {0x3D, "\x06", {{"cboORC", "0"}}},
        {0x89, "\x03", {{"Slider1", "3"}}},
        {0x78,
         "\x09\x09\x55\x20\x20\x20\x0D", // duplicates and strange bytes are ignored
         {{"chkMenu(0)", "1"}, {"chkMenu(2)", "0"}, {"chkMenu(5)", "1"}, {"chkMenu(6)", "0"}}},
    });
    EXPECT_EQ(c("lblContrast").foreColour, 0x0F0F0Fu);
    edit({
        {"cboORC", "0", {{0x3D, 0x06, 1, 0x0E}}},
        {"cboORC", "3", {{0x3D, 0x0C, 1, 0x0E}}},
        {"cboSLC", "2", {{0x3C, 0x09, 1, 0x0F}}},
        {"cboSLC", "0", {{0x3C, 0, 1, 0x08}}},
    });
}

// Every bound check box and list changes its own field only, plus the companions above.
TEST_F(ControlsTest, BoundControlsChangeOnlyTheirField) {
    ed.user_change("cboCtl(3)", 1);
    ed.user_change("chkCtl(17)", 1);
    for (const BoundControl& b : bound_controls()) {
        if (b.name != "chkCtl" && b.name != "cboCtl")
            continue;
        ASSERT_EQ(c(b.key()).tag, b.tag);
        const int options = b.items.empty() ? 2 : static_cast<int>(b.items.size());
        for (int v = 0; v < options; ++v) {
            const PagerImage before = ed.image();
            ed.user_change(b.key(), v);
            for (int a = 0; a < ImageSize; ++a) {
                const int changed = before[a] ^ at(a);
                const bool companion =
                    (b.index == 17 && a == 0x35A) || (b.index == 9 && (a == 0x62 || a == 0x63)) ||
                    (b.index == 10 &&
                     (a == 0x8D || a == 0x8E || a == 0x8F || a == 0x530 || a == 0x531));
                const int own = a == b.field.addr ? ((1 << b.field.len) - 1) << b.field.bit : 0;
                const int rate = b.index == 9 && a == 0x61 ? 3 : 0;
                EXPECT_EQ(changed & ~(own | rate) & 0xFF, companion ? changed : 0)
                    << b.key() << " = " << v << " changed &H" << std::hex << a;
            }
        }
    }
}

TEST_F(ControlsTest, WriteModeLocksTheEditingControls) {
    EXPECT_FALSE(ed.mnuEB_Click());
    EXPECT_EQ(said(), std::vector<std::string>{"Modify Mode can not write! Please check!"});
    auto locked = [&] {
        int n = 0;
        for (const auto& [name, cs] : ed.controls().all())
            n += !cs.enabled;
        return n;
    };
    const int before = locked();
    ed.user_change("WriteOpt", 1);
    EXPECT_GT(locked() - before, 100);
    // The main window's entries, lists, boxes and buttons; not its labels, nor the dialogs'.
    const struct {
        const char* name;
        bool enabled;
    } rows[] = {
        {"txtAddr(0)", false}, {"txtFreq", false},   {"chkCtl(17)", false}, {"cboCtl(0)", false},
        {"cboDft", false},     {"optAuto1", false},  {"cmdFunc(0)", false}, {"cmdAlert", false},
        {"lblFreq", true},     {"cboDisp(0)", true}, {"cboPersonal", true}, {"WriteOpt", true},
        {"ModifyOpt", true},
    };
    for (const auto& r : rows)
        EXPECT_EQ(c(r.name).enabled, r.enabled) << r.name;
    ed.init_ctl(); // a refresh unlocks nothing
    EXPECT_FALSE(c("chkSource(33)").enabled);

    int writes = 0;
    ed.set_write_command([&] { writes += ed.mnuEB_Click(); });
    EXPECT_FALSE(ed.route("WriteOpt", ControlEvent::KeyPress, 'a'));
    EXPECT_TRUE(ed.route("WriteOpt", ControlEvent::KeyPress, 32)); // the space bar writes
    EXPECT_EQ(writes, 1);
    EXPECT_EQ(ed.flags().OperationKind, OperationKind::Write);

    ed.user_change("ModifyOpt", 1);
    EXPECT_TRUE(c("txtAddr(3)").enabled);
    EXPECT_FALSE(c("txtPrompt(40)").enabled); // follows its switch again
}

// A barcode scanner types the serial number; a tick of Timer2 starts a new scan.
TEST_F(ControlsTest, SerialNumberScan) {
    std::vector<bool> idleDuringWrite;
    ed.set_write_command([&] { idleDuringWrite.push_back(ed.flags().ScanIdle); });
    const auto scan = [&](const std::string& keys) {
        bool wrote = false;
        for (char ch : keys)
            wrote = ed.Form_KeyPress(ch);
        return wrote;
    };
    const PagerImage before = ed.image();
    EXPECT_FALSE(scan("ABCDEFGHIJ\r")); // not after a tick
    EXPECT_EQ(ed.image(), before);
    ed.Timer2_Timer();
    EXPECT_TRUE(scan("VQ123456789\r"));
    EXPECT_EQ(idleDuringWrite, std::vector<bool>{false});
    EXPECT_TRUE(ed.flags().ScanIdle);
    EXPECT_EQ(field({0x4D6, 0, 4}), 0x56513132u); // "VQ12"
    EXPECT_EQ(c("textSN").text, "VQ123456789 ");
    ed.Timer2_Timer();
    scan("VQ1234");
    ed.Timer2_Timer(); // a tick inside a scan splits it
    EXPECT_FALSE(scan("56789\r"));
}

// "Load Default" restores the focused prompt in the listed language.
TEST_F(ControlsTest, LoadDefaultPrompt) {
    // language, entry, button, record address, restored record (source prompts read the same
    // in every language)
    const std::vector<std::tuple<int, int, int, int, std::string>> rows = {
        {0, 0, 1, 0x100, "\x05\x08QUINTA  "},
        {3, 65, 0, 0xA1, "\x0BNur Blinken"},
        {4, 42, 1, 0x5F4, "\x05\x07NEWS 10"},
        {5, 42, 1, 0x5F4, "\x05\x07NEWS 10"}};
    for (const auto& [language, entry, button, addr, record] : rows) {
        ed.image()[addr + 2] = 'X';
        c("cboLng").value = language;
        ed.route(ctl("txtPrompt", entry), ControlEvent::GotFocus);
        ed.user_change(ctl("optDefault", button), 1);
        const char* stored = reinterpret_cast<const char*>(ed.image().data()) + addr;
        EXPECT_EQ(std::string(stored, record.size()), record) << entry;
        EXPECT_EQ(ed.state().focusRequest, ctl("txtPrompt", entry));
    }
    ed.image()[0x116] = 'Z'; // no language listed: nothing restored
    c("cboLng").value = -1;
    ed.route("txtPrompt(1)", ControlEvent::GotFocus);
    ed.user_change("optDefault(0)", 1);
    EXPECT_EQ(at(0x116), 'Z');
}

} // namespace
} // namespace kpr::test
