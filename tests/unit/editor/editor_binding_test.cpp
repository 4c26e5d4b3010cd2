#include "editor_fixture.h"
#include "image/bound_controls.h"

#include <random>

namespace kpr::test {
namespace {

class BindingTest : public EditorTest {
  protected:
    void SetUp() override { start(); }
};

TEST_F(BindingTest, WriteModeDisablesExactlyTheEditingControls) {
    ed.userChange("WriteOpt", 1);
    EXPECT_TRUE(ed.isWriteMode());
    int locked = 0;
    for (const auto& [name, cs] : ed.controls().all()) {
        const std::string p = name.substr(0, 3);
        const bool editing = p == "txt" || p == "opt" || p == "cbo" || p == "chk" || p == "cmd";
        const bool dialog = name.rfind("cboDisp", 0) == 0 || name.rfind("cboType", 0) == 0 ||
                            name.rfind("chkPri", 0) == 0 || name.rfind("cboPersonal", 0) == 0 ||
                            name.rfind("cboMailAler", 0) == 0 || name.rfind("cboHis", 0) == 0;
        if (editing && !dialog) {
            EXPECT_FALSE(cs.enabled) << name;
            ++locked;
        } else {
            EXPECT_TRUE(cs.enabled || editing) << name;
        }
    }
    EXPECT_GT(locked, 100);
    for (const char* name : {"WriteOpt", "ModifyOpt", "EMoptCode", "EMoptStatus", "EMoptPrompts",
                             "EMoptSource", "Slider1", "mnuPager", "mnuEB"})
        EXPECT_TRUE(c(name).enabled) << name;
    for (const char* name : {"optAuto1", "optAuto2", "chkCtl(0)", "cboCtl(9)", "txtPrompt(5)",
                             "cmdFunc(0)", "txtAddr(0)", "txtFreq", "cboDft", "chkMenu(3)"})
        EXPECT_FALSE(c(name).enabled) << name;

    // A refresh while writing does not unlock anything.
    ed.init_ctl();
    EXPECT_FALSE(c("chkSource(33)").enabled);
    EXPECT_FALSE(c("txtAddr(3)").enabled);

    // Modify Mode unlocks them; the source prompts follow their switch again.
    ed.userChange("ModifyOpt", 1);
    EXPECT_TRUE(c("txtAddr(3)").enabled);
    EXPECT_TRUE(c("cboCtl(9)").enabled);
    EXPECT_EQ(ed.image().get_bits(0x3B, 6, 1), 0);
    EXPECT_FALSE(c("txtPrompt(40)").enabled);
}

TEST_F(BindingTest, WriteIsRefusedInModifyMode) {
    EXPECT_FALSE(ed.mnuEB_Click());
    EXPECT_EQ(msgs.texts, std::vector<std::string>{"Modify Mode can not write! Please check!"});
    EXPECT_EQ(msgs.icons[0], MessageIcon::Warning);
    EXPECT_TRUE(ed.mnuEntire_Click());
    EXPECT_EQ(ed.flags().OperationKind, 0);
    EXPECT_EQ(ed.state().focusRequest, "picTabBack");
    EXPECT_TRUE(ed.mnuEB1_Click());
    EXPECT_EQ(ed.flags().OperationKind, 2);
}

TEST_F(BindingTest, SpaceOnWriteModeRunsTheWriteCommand) {
    int writes = 0;
    ed.setWriteCommand([&] {
        if (ed.mnuEB_Click())
            ++writes;
    });
    ed.userChange("WriteOpt", 1);
    EXPECT_FALSE(ed.WriteOpt_KeyPress('a'));
    EXPECT_TRUE(ed.WriteOpt_KeyPress(32));
    EXPECT_EQ(writes, 1);
    EXPECT_EQ(ed.state().focusRequest, "WriteOpt");
}

TEST_F(BindingTest, MenuSlotsFromTheMenuBoxes) {
    ed.userChange("chkMenu(2)", 1);
    ed.userChange("chkMenu(5)", 1);
    const std::vector<int> expected = {32, 32, 7, 8, 10, 11, 13};
    for (int k = 0; k < 7; ++k)
        EXPECT_EQ(at(0x78 + k), expected[k]) << k;
    EXPECT_EQ(ed.image().get_bits(0x3D, 5, 1), 1);
    ed.userChange("chkMenu(2)", 0);
    ed.userChange("chkMenu(5)", 0);
    for (int k = 0; k < 7; ++k)
        EXPECT_EQ(at(0x78 + k), 7 + k);
    EXPECT_EQ(ed.image().get_bits(0x3D, 5, 1), 0);
    // Tone and zoom lists follow their boxes.
    ed.userChange("chkMenu(6)", 1);
    EXPECT_TRUE(c("cboTone").visible);
    ed.userChange("chkMenu(0)", 0);
    EXPECT_FALSE(c("cboZoom").visible);
}

TEST_F(BindingTest, MenuSlotsLoadIgnoresDuplicatesAndStrangeBytes) {
    PagerImage img = ed.image();
    const uint8_t slots[7] = {9, 9, 0x55, 32, 32, 32, 13};
    for (int k = 0; k < 7; ++k)
        img[0x78 + k] = slots[k];
    ed.load_image(img);
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(c(ctl("chkMenu", i)).value, (i == 2 || i == 6) ? 0 : 1) << i;
    EXPECT_EQ(ed.image(), img);
}

TEST_F(BindingTest, SequentialLockoutAndOutOfService) {
    PagerImage img = ed.image();
    img[0x3C] = (img[0x3C] & 0xF0) | 0x04 | 0x03; // bit 2 wins whatever else
    img[0x3D] = (img[0x3D] & 0xF1) | 0x06;        // bit 3 clear: "Disable"
    ed.load_image(img);
    EXPECT_EQ(c("cboSLC").value, 5);
    EXPECT_EQ(c("cboORC").value, 0);
    ed.userChange("cboORC", 0);
    EXPECT_EQ(ed.image().get_bits(0x3D, 1, 2), 3); // bits 1-2 kept
    ed.userChange("cboORC", 3);
    EXPECT_EQ(ed.image().get_bits(0x3D, 3, 1), 1);
    EXPECT_EQ(ed.image().get_bits(0x3D, 1, 2), 2);
    ed.userChange("cboSLC", 2);
    EXPECT_EQ(ed.image().get_bits(0x3C, 2, 1), 0);
    EXPECT_EQ(ed.image().get_bits(0x3C, 3, 1), 1);
    EXPECT_EQ(ed.image().get_bits(0x3C, 0, 2), 1);
    ed.userChange("cboSLC", 0);
    EXPECT_EQ(ed.image().get_bits(0x3C, 3, 1), 0);
    ed.userChange("cboZoom", 1);
    EXPECT_EQ(ed.image().get_bits(0x3C, 4, 1), 1);
}

TEST_F(BindingTest, DataRateWritesItsCompanionFields) {
    ed.userChange("cboCtl(9)", 0);
    EXPECT_EQ(at(0x62), 0x01);
    ed.userChange("cboCtl(9)", 1);
    EXPECT_EQ(ed.image().get_bits(0x61, 0, 2), 2);
    EXPECT_EQ(ed.image().get_bits(0x61, 3, 2), 1);
    EXPECT_EQ(at(0x62), 0x41);
    EXPECT_EQ(ed.image().get_bits(0x63, 6, 2), 2);
    ed.userChange("cboCtl(9)", 2);
    EXPECT_EQ(ed.image().get_bits(0x61, 0, 2), 3);
    EXPECT_EQ(ed.image().get_bits(0x63, 6, 2), 1);
}

TEST_F(BindingTest, LampAndBatteryHandlers) {
    ed.userChange("chkCtl(17)", 1);
    EXPECT_EQ(at(0x35A), 16);
    EXPECT_TRUE(c("chkCtl(3)").visible);
    EXPECT_TRUE(c("chkCtl(21)").visible);
    ed.userChange("chkCtl(17)", 0);
    EXPECT_EQ(at(0x35A), 32);
    EXPECT_FALSE(c("chkCtl(3)").visible);

    ed.image()[0x530] = 7;
    ed.image()[0x531] = 9;
    ed.userChange("chkCtl(10)", 0);
    EXPECT_EQ(ed.image().get_bits(0x4FC, 2, 1), 0);
    EXPECT_EQ(at(0x8D), 0x66);
    EXPECT_EQ(at(0x8E), 0x6E);
    EXPECT_EQ(at(0x8F), 0x77);
    EXPECT_EQ(at(0x530), 0);
    EXPECT_EQ(at(0x531), 0);
    ed.userChange("chkCtl(10)", 1);
    EXPECT_EQ(at(0x8D), 0xCC);

    ed.userChange("cboCtl(3)", 1);
    EXPECT_TRUE(c("chkCtl(20)").visible);
    ed.userChange("cboCtl(3)", 0);
    EXPECT_FALSE(c("chkCtl(20)").visible);
}

TEST_F(BindingTest, InvertedBoxesStoreWholeBytes) {
    ed.userChange("chkCtl(14)", 1);
    EXPECT_EQ(at(0x7E3), 0);
    ed.userChange("chkCtl(14)", 0);
    EXPECT_EQ(at(0x7E3), 1);
    ed.userChange("chkSource(40)", 1);
    EXPECT_EQ(at(0x7C7), 1);
    EXPECT_TRUE(c("txtPrompt(40)").enabled);
    ed.userChange("chkSource(40)", 0);
    EXPECT_EQ(at(0x7C7), 0);
    EXPECT_FALSE(c("txtPrompt(40)").enabled);
}

TEST_F(BindingTest, ContrastSlider) {
    ed.userChange("Slider1", 6);
    EXPECT_EQ(at(0x89), 6);
    EXPECT_EQ(c("lblContrast").foreColour, 0x141414u); // 80 - 60 = 20
    EXPECT_EQ(c("lblContrastValue").text, "6");
    PagerImage img = ed.image();
    img[0x89] = 3;
    ed.load_image(img);
    EXPECT_EQ(c("Slider1").value, 3);
    EXPECT_EQ(c("lblContrast").foreColour, 0x0F0F0Fu); // 5 x 3
}

// Refreshing never writes: whatever the editor showed before, opening an image shows it
// without changing a byte, and the controls reflect the loaded bits.
TEST_F(BindingTest, LoadingNeverWritesTheImage) {
    std::mt19937 rng(1234);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int round = 0; round < 150; ++round) {
        PagerImage img;
        for (int a = 0; a < ImageSize; ++a)
            img[a] = static_cast<uint8_t>(byte(rng));
        if (round % 3 == 0)
            ed.load_image(ed.image()); // also from states the previous image left
        ed.load_image(img);
        ASSERT_EQ(ed.image(), img) << "round " << round;
        EXPECT_EQ(c("chkCtl(10)").value, img.get_bits(0x4FC, 2, 1));
        EXPECT_EQ(c("chkCtl(17)").value, img.get_bits(0x36, 7, 1));
        EXPECT_EQ(c("chkCtl(20)").visible, img.get_bits(0x3B, 4, 1) == 1);
    }
}

TEST_F(BindingTest, SerialNumberScan) {
    int writes = 0;
    bool idleDuringWrite = true;
    ed.setWriteCommand([&] {
        ++writes;
        idleDuringWrite = ed.flags().ScanIdle;
    });
    const PagerImage before = ed.image();
    for (char ch : std::string("ABCDEFGHIJ"))
        EXPECT_FALSE(ed.Form_KeyPress(ch));
    EXPECT_FALSE(ed.Form_KeyPress(13));
    EXPECT_EQ(writes, 0);
    EXPECT_EQ(ed.image(), before);

    ed.Timer2_Timer();
    for (char ch : std::string("VQ123456789"))
        ed.Form_KeyPress(ch);
    EXPECT_TRUE(ed.Form_KeyPress(13));
    EXPECT_EQ(writes, 1);
    EXPECT_FALSE(idleDuringWrite);
    EXPECT_TRUE(ed.flags().ScanIdle);
    const std::string expected = "VQ123456789 ";
    for (int k = 0; k < 12; ++k)
        EXPECT_EQ(at(0x4D6 + k), static_cast<uint8_t>(expected[k]));
    EXPECT_EQ(c("textSN").text, expected);

    // A tick inside a scan splits it.
    ed.Timer2_Timer();
    for (char ch : std::string("VQ1234"))
        ed.Form_KeyPress(ch);
    ed.Timer2_Timer();
    for (char ch : std::string("56789"))
        ed.Form_KeyPress(ch);
    EXPECT_FALSE(ed.Form_KeyPress(13));
    EXPECT_EQ(writes, 1);
}

TEST_F(BindingTest, AutoIncreaseMirrors) {
    ed.userChange("optAuto1", 1);
    EXPECT_TRUE(ed.flags().AutoInc1);
    EXPECT_FALSE(ed.flags().AutoInc2);
    ed.userChange("optAuto2", 1);
    ed.userChange("optAuto1", 0);
    EXPECT_FALSE(ed.flags().AutoInc1);
    EXPECT_TRUE(ed.flags().AutoInc2);
}

TEST_F(BindingTest, ChangeHookFiresOncePerHandler) {
    int calls = 0;
    ed.setChangeCallback([&] { ++calls; });
    const uint64_t rev = ed.revision();
    ed.userChange("cboDft", 2); // runs commits and init_ctl inside
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(ed.revision(), rev + 1);
    ed.init_ctl();
    EXPECT_EQ(calls, 2);
}

TEST_F(BindingTest, EveryBoundControlIsPopulated) {
    for (const BoundControl& b : bound_controls()) {
        ASSERT_TRUE(ed.controls().contains(b.key())) << b.key();
        EXPECT_EQ(c(b.key()).tag, b.tag);
        EXPECT_EQ(c(b.key()).items, b.items);
    }
    EXPECT_EQ(c("cboSLC").items.size(), 6u);
    EXPECT_EQ(c("chkMenu(6)").text, "Set Alert Off");
    EXPECT_EQ(c("txtAddr(0)").maxLength, 7);
    EXPECT_EQ(c("txtFreq").maxLength, 7);
    EXPECT_EQ(c("optAuto2").hint, "2nd capcode always increments by one after writed");
}

TEST_F(BindingTest, LoadDefaultRestoresTheCurrentPrompt) {
    ed.image()[0x100 + 2] = 'X';
    ed.route(ctl("txtPrompt", 0), ControlEvent::GotFocus);
    ed.controls()["cboLng"].value = 0;
    ed.optDefault_Click(1);
    EXPECT_EQ(at(0x100), 0x05);
    EXPECT_EQ(at(0x101), 8);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(ed.image().data()) + 0x102, 8), "QUINTA  ");
    EXPECT_EQ(ed.state().focusRequest, "txtPrompt(0)");
}

TEST_F(BindingTest, LoadDefaultFollowsTheLanguageListAndTheFocusedPrompt) {
    // FLASH ONLY entry with "German" selected in the list (the image keeps English texts).
    ed.controls()["cboLng"].value = 3;
    ed.route(ctl("txtPrompt", 65), ControlEvent::GotFocus);
    ed.optDefault_Click(0);
    EXPECT_EQ(at(0xA1), 11); // "Nur Blinken"
    EXPECT_NE(c("txtPrompt(65)").text.find("Nur Blinken"), std::string::npos);

    // Source prompt 10 (&H5F4) comes back as NEWS 10 whatever the language.
    for (int lng = 0; lng < 6; ++lng) {
        for (int k = 0; k < 20; ++k)
            ed.image()[0x5F4 + k] = 0x41;
        ed.controls()["cboLng"].value = lng;
        ed.route(ctl("txtPrompt", 42), ControlEvent::GotFocus);
        ed.optDefault_Click(1);
        EXPECT_EQ(at(0x5F4), 0x05) << lng;
        EXPECT_EQ(at(0x5F5), 7) << lng;
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(ed.image().data()) + 0x5F6, 7),
                  "NEWS 10")
            << lng;
    }

    // No language selected: nothing is restored.
    ed.image()[0x116] = 'Z';
    ed.controls()["cboLng"].value = -1;
    ed.route(ctl("txtPrompt", 1), ControlEvent::GotFocus);
    ed.optDefault_Click(0);
    EXPECT_EQ(at(0x116), 'Z');
}

} // namespace
} // namespace kpr::test
