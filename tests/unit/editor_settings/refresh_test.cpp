// Refreshing every settings control from an image never writes the image, whatever bytes
// the image holds, and records no reload error.
#include "editor/alert_lengths.h"
#include "editor/alerts.h"
#include "editor/function_bits.h"
#include "editor/language.h"
#include "editor/logo.h"
#include "editor/prompts.h"
#include "settings/prompt_record.h"
#include "settings_fixture.h"

#include <random>

namespace kpr::test {
namespace {

using RefreshTest = SettingsTest;

TEST_F(RefreshTest, RefreshRoutinesLeaveAnyImageUntouched) {
    std::mt19937 rng(20261206);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int round = 0; round < 200; ++round) {
        for (auto& b : st.image.bytes())
            b = static_cast<uint8_t>(byte(rng));
        // Some rounds with the settings' own value ranges, so the lists really move.
        if (round % 2 == 0) {
            for (int a = 0x390; a < 0x3B0; ++a)
                st.image[a] = static_cast<uint8_t>(byte(rng) % 6);
            for (int a = 0x3B0; a < 0x3B4; ++a)
                st.image[a] = static_cast<uint8_t>(byte(rng) % 10);
        }
        const PagerImage before = st.image;
        read_LogoFont(st);
        read_Lng(st);
        Set_PromptEd_Width(st);
        EXPECT_TRUE(read_prompt(st));
        EXPECT_TRUE(read_SourcePrompt(st));
        EXPECT_TRUE(read_Disp(st));
        EXPECT_TRUE(read_Type(st));
        EXPECT_TRUE(read_Pri(st));
        EXPECT_TRUE(read_pass(st));
        EXPECT_TRUE(read_BatLev(st));
        EXPECT_TRUE(read_Alert(st));
        EXPECT_TRUE(read_SetAlarm(st));
        EXPECT_TRUE(read_SN(st));
        Form5_Load(st);
        Form6_Load(st);
        ASSERT_EQ(st.image, before) << "round " << round;
        ASSERT_EQ(st.flags.ReloadError, 0);
        ASSERT_TRUE(messages.shown.empty());
    }
}

TEST_F(RefreshTest, LeavingEveryEntryUnchangedKeepsTheRecords) {
    // What the refresh shows can be stored back as it is, for every prompt entry, so a
    // click through the entries does not alter a loaded image's texts.
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int round = 0; round < 50; ++round) {
        for (auto& b : st.image.bytes())
            b = static_cast<uint8_t>(byte(rng));
        for (int i = 0; i < 72; ++i) {
            const int a = prompt_record_address(i);
            if (a < 0)
                continue;
            st.image[a + 1] = static_cast<uint8_t>(1 + byte(rng) % 18);
            for (int k = 0; k < st.image[a + 1]; ++k) // printable, no blanks at the ends
                st.image[a + 2 + k] = static_cast<uint8_t>(33 + byte(rng) % 223);
            // An offset prompt's indent below 3 has no form an entry can show.
            if (prompt_has_indent_offset(i))
                st.image[a] = static_cast<uint8_t>((st.image[a] & 0xF0) | (3 + byte(rng) % 13));
        }
        // The logo present field follows prompt 0 on a store; start from what it would say.
        st.image.set_bits(0x3B, 0, 2, 2);
        read_LogoFont(st);
        Set_PromptEd_Width(st);
        read_prompt(st);
        const PagerImage before = st.image;
        for (int i = 0; i < 72; ++i) {
            if (prompt_record_address(i) < 0)
                continue;
            ASSERT_TRUE(txtPrompt_LostFocus(st, i)) << i;
        }
        ASSERT_EQ(st.image, before) << "round " << round;
    }
}

} // namespace
} // namespace kpr::test
