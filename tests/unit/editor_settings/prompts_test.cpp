#include "editor/prompts.h"
#include "settings/prompt_record.h"
#include "settings_fixture.h"

namespace kpr::test {
namespace {

class PromptTest : public SettingsTest {
  protected:
    // What the GUI does when the operator types into an entry and leaves it.
    bool enter(int index, const std::string& t) {
        txtPrompt_GotFocus(st, index);
        c(ctl("txtPrompt", index)).text = t;
        return txtPrompt_LostFocus(st, index);
    }
    std::string shown(int index) { return text(ctl("txtPrompt", index)); }
    std::string record_text(int addr) {
        return std::string(reinterpret_cast<const char*>(st.image.data() + addr + 2),
                           st.image[addr + 1]);
    }
};

TEST_F(PromptTest, LeadingBlanksBecomeTheIndentAndReadBack) {
    st.image[0x114] = 0xA7; // attribute bits must survive
    ASSERT_TRUE(enter(1, "   ABC"));
    EXPECT_EQ(st.image[0x114], 0xA3);
    EXPECT_EQ(st.image[0x115], 3);
    EXPECT_EQ(record_text(0x114), "ABC");
    EXPECT_EQ(shown(1), "   ABC");
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(PromptTest, OffsetPromptsCarryThreeColumns) {
    ASSERT_TRUE(enter(14, "ABC")); // SLEEP at 276 + 20 * 13 = &H218
    EXPECT_EQ(st.image[0x218] & 15, 3);
    EXPECT_EQ(shown(14), "ABC");

    ASSERT_TRUE(enter(14, std::string(13, ' ') + "X"));
    EXPECT_EQ(st.image[0x218] & 15, 15);
    EXPECT_EQ(st.image[0x219], 2);
    EXPECT_EQ(record_text(0x218), " X");
    EXPECT_EQ(shown(14), std::string(13, ' ') + "X");
}

TEST_F(PromptTest, OffsetRecordWithSmallIndentWrapsAround) {
    st.image[0xA0] = 0x41; // FLASH ONLY, indent 1
    st.image[0xA1] = 1;
    st.image[0xA2] = 'Z';
    read_prompt(st);
    EXPECT_EQ(shown(65), std::string(14, ' ') + "Z");
}

TEST_F(PromptTest, EmptyPromptStoresOneBlankAndLogoPresentFollowsPromptZero) {
    ASSERT_TRUE(enter(5, ""));
    EXPECT_EQ(st.image[276 + 20 * 4 + 1], 1);
    EXPECT_EQ(st.image[276 + 20 * 4 + 2], ' ');
    EXPECT_EQ(st.image[0x3B], 0); // only prompt 0 touches the logo field

    st.image[0x3B] = 0xF2;
    ASSERT_TRUE(enter(0, "   "));
    EXPECT_EQ(st.image[0x3B], 0xF0);
    EXPECT_EQ(st.image[0x101], 1);
    ASSERT_TRUE(enter(0, "QUINTA"));
    EXPECT_EQ(st.image[0x3B], 0xF2);
}

// The one blank an empty text is stored as is shown too; leaving the entry again with what it
// shows must not add another blank each time.
TEST_F(PromptTest, BlankOnlyPromptRoundTrips) {
    for (int index : {5, 14, 0}) { // plain, offset (SLEEP) and the logo
        SCOPED_TRACE(index);
        const int addr = prompt_record_address(index);
        ASSERT_TRUE(enter(index, ""));
        EXPECT_EQ(shown(index), " ");
        for (int blanks : {1, 6, 12, 15, 16, 20}) {
            SCOPED_TRACE(blanks);
            const std::string typed(static_cast<std::size_t>(blanks), ' ');
            ASSERT_TRUE(enter(index, typed));
            EXPECT_EQ(shown(index), typed);
            const PagerImage before = st.image;
            ASSERT_TRUE(enter(index, shown(index)));
            EXPECT_TRUE(st.image == before);
            EXPECT_EQ(shown(index), typed);
            EXPECT_EQ(read_prompt_record(st.image, addr, prompt_has_indent_offset(index)), typed);
        }
    }
}

TEST_F(PromptTest, MoreThanEighteenAfterLeadingBlanksIsRefused) {
    ASSERT_TRUE(enter(3, "OLD"));
    const PagerImage before = st.image;
    st.focusRequest.clear();
    EXPECT_FALSE(enter(3, "ABC" + std::string(16, ' ')));
    EXPECT_EQ(st.image, before);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].first, "Can not exceed 18 characters exclude left space!");
    EXPECT_EQ(st.focusRequest, "txtPrompt(3)");
    // 18 after blanks is fine.
    EXPECT_TRUE(enter(3, "  " + std::string(18, 'Q')));
}

TEST_F(PromptTest, MessageAreaHasTwoEntriesOnOneRecord) {
    ASSERT_TRUE(enter(24, "INBOX"));
    EXPECT_EQ(shown(71), "INBOX");
    ASSERT_TRUE(enter(71, " MAIL"));
    EXPECT_EQ(shown(24), " MAIL");
}

TEST_F(PromptTest, TextOutsideLatin1IsRefusedLatin1IsStoredAsOneByte) {
    ASSERT_TRUE(enter(2, "MENÜ"));
    EXPECT_EQ(st.image[276 + 20 + 1], 4);
    EXPECT_EQ(st.image[276 + 20 + 5], 0xDC);
    EXPECT_EQ(shown(2), "MENÜ");

    const PagerImage before = st.image;
    EXPECT_FALSE(enter(2, "PRICE €5"));
    EXPECT_EQ(st.image, before);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_NE(messages.shown[0].first.find("€"), std::string::npos);
    EXPECT_EQ(st.focusRequest, "txtPrompt(2)");

    EXPECT_FALSE(enter(2, std::string("A\xFF", 2))); // not even UTF-8
    EXPECT_EQ(st.image, before);
}

TEST_F(PromptTest, StoredRecordLongerThanTheEntryRoundTrips) {
    // Indent 15 plus 18 characters: valid in the pager, longer than the entry's 21.
    st.image[0x114] = 0x4F;
    st.image[0x115] = 18;
    for (int k = 0; k < 18; ++k)
        st.image[0x116 + k] = static_cast<uint8_t>('A' + k);
    const PagerImage before = st.image;
    Set_PromptEd_Width(st);
    read_prompt(st);
    EXPECT_EQ(shown(1).size(), 33u);
    EXPECT_TRUE(entry_accepts(c("txtPrompt(1)"), shown(1)));
    // Leaving the entry untouched stores the same bytes.
    EXPECT_TRUE(txtPrompt_LostFocus(st, 1));
    EXPECT_EQ(st.image, before);
}

TEST_F(PromptTest, BlanksBeyondTheIndentNeverSpillIntoTheNextRecord) {
    const PagerImage before = st.image;
    EXPECT_FALSE(enter(1, std::string(20, ' ') + std::string(18, 'B')));
    EXPECT_EQ(st.image, before);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(st.focusRequest, "txtPrompt(1)");
}

TEST_F(PromptTest, LengthByteAboveEighteenShowsTheRecordOnly) {
    st.image[0x7AC] = 0;
    st.image[0x7AD] = 0xFF; // last source prompt; 255 would run off the image
    for (int k = 0; k < 18; ++k)
        st.image[0x7AE + k] = 'S';
    EXPECT_TRUE(read_prompt(st));
    EXPECT_EQ(shown(64), std::string(18, 'S'));
}

TEST_F(PromptTest, AlignmentUsesTheEntryLimit) {
    c("txtPrompt(1)").text = "  ABCDE ";
    txtPrompt_GotFocus(st, 1);
    optCenter_Click(st, 0);
    EXPECT_EQ(shown(1), std::string(8, ' ') + "ABCDE");
    EXPECT_EQ(st.focusRequest, ""); // not before start-up has finished

    st.flags.StartupFinished = true;
    optCenter_Click(st, 2);
    EXPECT_EQ(st.focusRequest, "txtPrompt(1)");
    optRight_Click(st, 0);
    EXPECT_EQ(shown(1), std::string(16, ' ') + "ABCDE");
    optLeft_Click(st, 0);
    EXPECT_EQ(shown(1), "ABCDE");

    // SLEEP allows 18.
    c("txtPrompt(14)").text = "AB";
    txtPrompt_GotFocus(st, 14);
    optRight_Click(st, 2);
    EXPECT_EQ(shown(14), std::string(16, ' ') + "AB");
    // The stored form of the aligned text: 16 + 3 = 19 -> 4 literal blanks, indent 15.
    EXPECT_TRUE(txtPrompt_LostFocus(st, 14));
    EXPECT_EQ(st.image[0x218] & 15, 15);
    EXPECT_EQ(record_text(0x218), "    AB");
}

TEST_F(PromptTest, SetOneAlwaysActsOnTheLogoAndMakesItCurrent) {
    txtPrompt_GotFocus(st, 5);
    c("txtPrompt(0)").text = "LOGO";
    c("cboLogo").value = 1; // capacity 21
    optRight_Click(st, 1);
    EXPECT_EQ(st.flags.CurrentPrompt, 0);
    EXPECT_EQ(shown(0), std::string(17, ' ') + "LOGO");
}

TEST_F(PromptTest, AlignmentBeforeAnyFocusActsOnTheLogo) {
    c("txtPrompt(0)").text = std::string(16, 'L');
    c("cboLogo").value = 0; // "English(Large)", capacity 16
    optCenter_Click(st, 0);
    EXPECT_EQ(shown(0), std::string(16, 'L'));
    c("cboLogo").value = 1;
    c("txtPrompt(0)").text = std::string(20, 'L');
    optCenter_Click(st, 2);
    EXPECT_EQ(shown(0), std::string(20, 'L'));
    // Longer than the box (after a switch to the large font): no blanks, nothing cut.
    c("cboLogo").value = 0;
    optRight_Click(st, 2);
    EXPECT_EQ(shown(0), std::string(20, 'L'));
}

TEST_F(PromptTest, EnterMovesFocusToTheTabStrip) {
    EXPECT_FALSE(txtPrompt_KeyPress(st, 4, 'A'));
    EXPECT_TRUE(txtPrompt_KeyPress(st, 4, 13));
    EXPECT_EQ(st.focusRequest, "picTabBack");
}

TEST_F(PromptTest, WidthsHintsAndLimits) {
    Set_PromptEd_Width(st);
    EXPECT_EQ(c("txtPrompt(1)").maxLength, 21);
    EXPECT_EQ(c("txtPrompt(1)").widthInBlanks, 22);
    EXPECT_EQ(c("lblPrompt(1)").hint, " Small Font ( Less than 19 characters ) ");
    for (int i : {14, 15, 26, 65}) {
        EXPECT_EQ(c(ctl("txtPrompt", i)).maxLength, 18);
        EXPECT_EQ(c(ctl("txtPrompt", i)).widthInBlanks, 19);
        EXPECT_EQ(c(ctl("lblPrompt", i)).hint, " Small Font ( Less than 16 characters ) ");
    }
    EXPECT_FALSE(st.controls.contains("txtPrompt(66)"));
    EXPECT_FALSE(st.controls.contains("txtPrompt(69)"));
    EXPECT_EQ(c("txtPrompt(50)").tag, "&H694,0");
    EXPECT_EQ(c("txtPrompt(24)").tag, "736,0");
    EXPECT_EQ(c("txtPrompt(0)").hint, "Power up prompt.");
}

TEST_F(PromptTest, SourcePromptSwitch) {
    st.controls.at("chkSource(40)").value = 1;
    read_SourcePrompt(st);
    EXPECT_EQ(c("cboSource").value, 0);
    EXPECT_FALSE(c("chkSource(40)").enabled);
    EXPECT_FALSE(c("txtPrompt(40)").enabled);

    c("cboSource").value = 2;
    cboSource_Click(st);
    EXPECT_EQ(st.image[0x3B], 0x60);
    EXPECT_TRUE(c("chkSource(33)").enabled);
    EXPECT_TRUE(c("txtPrompt(40)").enabled);
    EXPECT_FALSE(c("txtPrompt(41)").enabled);

    c("cboSource").value = 0;
    cboSource_Click(st);
    EXPECT_EQ(st.image[0x3B], 0x20); // the placement bit stays as it was
    c("cboSource").value = 1;
    cboSource_Click(st);
    EXPECT_EQ(st.image[0x3B], 0x40);
    c("cboSource").value = 0;
    cboSource_Click(st);
    EXPECT_FALSE(c("chkSource(64)").enabled);
}

TEST_F(PromptTest, SourcePromptRefreshRecordsItsReloadCode) {
    st.controls.all().erase("chkSource(50)");
    st.image[0x3B] = 0x40;
    EXPECT_FALSE(read_SourcePrompt(st));
    EXPECT_EQ(st.flags.ReloadError, ReloadSourcePrompt);
}

} // namespace
} // namespace kpr::test
