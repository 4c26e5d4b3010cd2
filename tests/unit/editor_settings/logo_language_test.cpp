#include "editor/language.h"
#include "editor/logo.h"
#include "editor/prompts.h"
#include "settings_fixture.h"

namespace kpr::test {
namespace {

using LogoLanguageTest = SettingsTest;

TEST_F(LogoLanguageTest, LogoValueOneShowsLargeAndOnlyAPickWritesZero) {
    st.image[0x3F] = 0xA1;
    c("cboLogo").value = 3;
    read_LogoFont(st);
    EXPECT_EQ(c("cboLogo").value, 0);
    EXPECT_EQ(st.image[0x3F], 0xA1); // a refresh writes nothing
    Set_PromptEd_Width(st);
    EXPECT_EQ(st.image[0x3F], 0xA1);
    EXPECT_TRUE(c("txtPrompt(0)").bold);
    EXPECT_EQ(c("txtPrompt(0)").maxLength, 16);
    EXPECT_EQ(c("txtPrompt(0)").widthInBlanks, 17);

    cboLogo_Click(st);
    EXPECT_EQ(st.image[0x3F], 0xA0);

    c("cboLogo").value = 6;
    cboLogo_Click(st);
    EXPECT_EQ(st.image[0x3F], 0xAF);
    EXPECT_FALSE(c("txtPrompt(0)").bold);
    EXPECT_EQ(c("txtPrompt(0)").maxLength, 21);
    EXPECT_EQ(c("txtPrompt(0)").widthInBlanks, 22);
}

TEST_F(LogoLanguageTest, UnknownLogoValueWaitsForTheNextLanguagePick) {
    c("cboLogo").value = 4; // "German"
    st.image[0x3F] = 3;
    read_LogoFont(st);
    EXPECT_EQ(c("cboLogo").value, 4);
    EXPECT_EQ(st.image[0x3F], 3);
    c("cboLng").value = 0;
    cboLng_Click(st);
    EXPECT_EQ(st.image[0x3F], 8);
}

TEST_F(LogoLanguageTest, LargeFontKeepsALongerLogoUntilEdited) {
    c("cboLogo").value = 1;
    c("txtPrompt(0)").text = "ABCDEFGHIJKLMNOPQRST";
    c("cboLogo").value = 0;
    cboLogo_Click(st);
    EXPECT_EQ(text("txtPrompt(0)"), "ABCDEFGHIJKLMNOPQRST");
    // Typing stops at the font's 16 characters; the longer text may stay or be cut down.
    EXPECT_EQ(c("txtPrompt(0)").maxLength, 16);
    const struct {
        const char* typed;
        bool taken;
    } rows[] = {
        {"ABCDEFGHIJKLMNOPQRST", true},   {"ABCDEFGHIJKLMNOPQRS", true},
        {"ABCDEFGHJKLMNOPQRST", true},    {"XYZ", true},
        {"ABCDEFGHIJKLMNOPQRSTU", false}, {"ABCDEFGHIJKLMNOPQRSX", false},
        {"ABCDEFGHIJKLMNOPQZ", false},
    };
    for (const auto& r : rows)
        EXPECT_EQ(entry_accepts(c("txtPrompt(0)"), r.typed), r.taken) << r.typed;
}

TEST_F(LogoLanguageTest, LanguagePickCopiesTextsAndRefreshesTheEntries) {
    c("cboLng").value = 3; // "German"
    cboLng_Click(st);
    EXPECT_EQ(st.image[0x3A] & 15, 8);
    EXPECT_EQ(st.image[0x3E] & 15, 8);
    EXPECT_EQ(st.image[0x3B] & 3, 2);
    EXPECT_EQ(text("txtPrompt(1)"), "   Keine Nachricht");
    EXPECT_EQ(text("txtPrompt(2)"), "     Menü/zurück");
    EXPECT_EQ(text("txtPrompt(65)"), "Nur Blinken"); // attribute &H43 less the offset
    EXPECT_EQ(text("txtPrompt(31)"), "   Verlauf einst.");
}

TEST_F(LogoLanguageTest, ClearedLogoIsPresentAgainAfterALanguagePick) {
    c("txtPrompt(0)").text = "";
    ASSERT_TRUE(txtPrompt_LostFocus(st, 0));
    EXPECT_EQ(st.image[0x3B] & 3, 0);
    c("cboLng").value = 4;
    cboLng_Click(st);
    EXPECT_EQ(st.image[0x3B] & 3, 2);
    EXPECT_EQ(st.image[0x3E] & 15, 11);
}

TEST_F(LogoLanguageTest, SuppressedPickIsDroppedOnce) {
    st.flags.SuppressClick = true;
    c("cboLng").value = 2;
    cboLng_Click(st);
    EXPECT_FALSE(st.flags.SuppressClick);
    EXPECT_EQ(st.image, PagerImage{});
    cboLng_Click(st);
    EXPECT_EQ(st.image[0x3E] & 15, 6);
}

TEST_F(LogoLanguageTest, LoadedCodeSelectsTheListWithoutWriting) {
    c("cboLng").value = 3;
    st.image[0x3E] = 0xF1;
    read_Lng(st);
    EXPECT_EQ(c("cboLng").value, 0);
    EXPECT_FALSE(st.flags.SuppressClick);
    c("cboLng").value = 3;
    st.image[0x3E] = 0x03;
    read_Lng(st);
    EXPECT_EQ(c("cboLng").value, 3);
    st.image[0x3E] = 0x0F;
    read_Lng(st);
    EXPECT_EQ(c("cboLng").items[static_cast<std::size_t>(c("cboLng").value)], "Swedish");
    EXPECT_EQ(st.image[0x3E], 0x0F);
}

} // namespace
} // namespace kpr::test
