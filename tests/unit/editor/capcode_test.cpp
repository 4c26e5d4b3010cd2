#include "editor_fixture.h"
#include "settings/capcode.h"

namespace kpr::test {
namespace {

class CapcodeTest : public EditorTest {
  protected:
    void SetUp() override { start(); }
    // Types text one character at a time, as the entry stores on every key release.
    void type(int slot, const std::string& text) {
        ed.txtAddr_GotFocus(slot);
        for (std::size_t k = 1; k <= text.size(); ++k) {
            c(ctl("txtAddr", slot)).text = text.substr(0, k);
            ed.txtAddr_KeyUp(slot);
        }
    }
};

TEST_F(CapcodeTest, LargestCapcodeFillsEveryBit) {
    ASSERT_TRUE(ed.userEnterText("txtAddr(0)", "2097151"));
    EXPECT_EQ(at(0x41) & 0x03, 3);
    EXPECT_EQ((at(0x41) >> 2) & 7, 7);
    EXPECT_EQ(at(0x42), 0xFF);
    EXPECT_EQ(at(0x43), 0xFF);
    EXPECT_EQ(c("txtAddr(0)").text, "2097151");
    EXPECT_TRUE(msgs.texts.empty());
}

TEST_F(CapcodeTest, SmallCapcodesAndPadding) {
    ASSERT_TRUE(ed.userEnterText("txtAddr(7)", "8"));
    EXPECT_EQ(at(0x5D) & 0x1F, 0);
    EXPECT_EQ(at(0x5E), 0);
    EXPECT_EQ(at(0x5F), 1);
    EXPECT_EQ(c("txtAddr(7)").text, "0000008");

    ASSERT_TRUE(ed.userEnterText("txtAddr(2)", "5"));
    EXPECT_EQ((at(0x49) >> 2) & 7, 5);
    EXPECT_EQ(at(0x49) & 3, 0);
    EXPECT_EQ(at(0x4A), 0);
    EXPECT_EQ(at(0x4B), 0);
    EXPECT_EQ(decode_capcode(ed.image(), 2), 5);
}

TEST_F(CapcodeTest, OutOfRangeKeepsLastValidPrefix) {
    type(1, "2097152");
    ASSERT_EQ(msgs.texts.size(), 1u);
    EXPECT_EQ(msgs.texts[0], "Please insert a number between 0000007 to 2097151");
    EXPECT_EQ(msgs.icons[0], MessageIcon::Warning);
    EXPECT_EQ(ed.state().focusRequest, "txtAddr(1)");
    EXPECT_EQ(decode_capcode(ed.image(), 1), 209715);
    ed.txtAddr_LostFocus(1);
    EXPECT_EQ(c("txtAddr(1)").text, "0209715");
}

TEST_F(CapcodeTest, EditsKeepFunctionBitsAndEnableByte) {
    ed.image()[0x50] = 0xAB; // enable + function bits of slot 4
    ed.image()[0x51] = 0xE0; // bits 5-7 of B+1
    ASSERT_TRUE(ed.userEnterText("txtAddr(4)", "1234567"));
    EXPECT_EQ(at(0x50), 0xAB);
    EXPECT_EQ(at(0x51) & 0xE0, 0xE0);
    EXPECT_EQ(decode_capcode(ed.image(), 4), 1234567);
}

TEST_F(CapcodeTest, DecimalTextStoresNearestEven) {
    ASSERT_TRUE(ed.userEnterText("txtAddr(3)", "12.5"));
    EXPECT_EQ(decode_capcode(ed.image(), 3), 12);
    ASSERT_TRUE(ed.userEnterText("txtAddr(3)", "13.5"));
    EXPECT_EQ(decode_capcode(ed.image(), 3), 14);
}

TEST_F(CapcodeTest, NonNumericTextIsRefusedAndStoredValueShown) {
    ASSERT_TRUE(ed.userEnterText("txtAddr(0)", "777"));
    const PagerImage before = ed.image();
    EXPECT_FALSE(ed.userEnterText("txtAddr(0)", "12a"));
    EXPECT_EQ(msgs.texts, std::vector<std::string>{"Please insert a numeric!"});
    EXPECT_EQ(c("txtAddr(0)").text, "0000777");
    EXPECT_EQ(ed.image(), before);
    msgs.clear();
    EXPECT_FALSE(ed.userEnterText("txtAddr(0)", "-1"));
    EXPECT_EQ(msgs.texts,
              std::vector<std::string>{"Please insert a number between 0000007 to 2097151"});
    EXPECT_EQ(ed.image(), before);
}

TEST_F(CapcodeTest, EnteringClearsAndLeavingUntouchedShowsOldValue) {
    ASSERT_TRUE(ed.userEnterText("txtAddr(6)", "4242"));
    ed.txtAddr_GotFocus(6);
    EXPECT_EQ(c("txtAddr(6)").text, "");
    EXPECT_TRUE(ed.txtAddr_KeyPress(6, 13));
    EXPECT_EQ(ed.state().focusRequest, "picTabBack");
    ed.txtAddr_LostFocus(6);
    EXPECT_EQ(c("txtAddr(6)").text, "0004242");
}

} // namespace
} // namespace kpr::test
