// The operations driving the real editor through its adapter.
#include "editor/editor.h"
#include "editor/editor_adapter.h"
#include "fakes.h"
#include "ops/operations.h"
#include "sim/board_sim.h"
#include "text/charset.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>

namespace kpr {
namespace {

using ::testing::ElementsAre;

class EditorAdapterTest : public ::testing::Test {
  protected:
    EditorAdapterTest() {
        editor.startup_finish({}, false);
        editor.flags().ScanIdle = true;
        pager.memory = default_sim_memory();
    }

    test::RecordingMessages messages;
    test::RecordingProgress progress;
    Editor editor{messages};
    EditorAdapter hooks{editor};
    test::FakePager pager{messages};
    Operations ops{hooks, pager, messages, progress};
};

TEST_F(EditorAdapterTest, AcceptedReadShowsThePagersImageInPcCodes) {
    auto& m = pager.memory;
    m[LanguageCodeAddress] = static_cast<uint8_t>((m[LanguageCodeAddress] & 0xF0) | 8);
    m[0x540 + 2] = '[';
    m[0x0C] = 0x01; // INCD >= 128: band 0
    seal_sim_memory(m, "KS2026000099");
    ASSERT_NE(editor.band(), 0);

    EXPECT_EQ(ops.tbl_readall(0, ImageUpperBound), ReadOutcome::Accepted);
    EXPECT_THAT(messages.texts(), ElementsAre("Read success!"));
    EXPECT_EQ(editor.image()[0x542], 196); // Ä
    EXPECT_EQ(editor.band(), 0);
    EXPECT_FALSE(editor.flags().ImageJustLoaded);
    EXPECT_FALSE(editor.flags().SuppressClick);
    PagerImage expected(m);
    text_from_pager(expected);
    EXPECT_EQ(editor.image(), expected);
}

TEST_F(EditorAdapterTest, ImageTheEditorCannotShowIsRefusedAndTheOldOneComesBack) {
    auto& m = pager.memory;
    for (int a = 0x64; a <= 0x67; ++a)
        m[a] = 0xFF; // base frequency beyond anything the editor shows
    m[0x0C] = 0x01;  // and a band-0 INCD
    seal_sim_memory(m, "KS2026000099");
    const PagerImage before = editor.image();
    const int bandBefore = editor.band();
    ASSERT_NE(bandBefore, 0);

    EXPECT_EQ(ops.tbl_readall(0, ImageUpperBound), ReadOutcome::ReloadError);
    EXPECT_THAT(messages.texts(),
                ElementsAre("Read success!", "The data in this pager is wrong!(Error Code = 3)"));
    EXPECT_EQ(editor.image(), before);
    EXPECT_EQ(editor.band(), bandBefore);
}

TEST_F(EditorAdapterTest, WriteThenVerifyThroughTheEditorAndRaiseACapcode) {
    ASSERT_TRUE(editor.userEnterText(ctl("txtAddr", 0), "2097150"));
    editor.flags().AutoInc1 = true;
    {
        PagerCodesScope codes(hooks);
        EXPECT_EQ(ops.batch_step(), OpOutcome::Success);
        EXPECT_EQ(ops.batch_step(), OpOutcome::Success);
    }
    EXPECT_THAT(messages.texts(), ElementsAre("Verify Success!", "Verify Success!",
                                              "Capcode 1 > 2097151 so can not be increase!"));
    // The raised capcode is in the image, not only on screen.
    Editor fresh(messages);
    fresh.load_image(editor.image());
    EXPECT_EQ(fresh.controls()[ctl("txtAddr", 0)].text, "2097151");
    // The first pager took 2097150, the second 2097151.
    PagerImage written(pager.memory);
    text_from_pager(written);
    fresh.load_image(written);
    EXPECT_EQ(fresh.controls()[ctl("txtAddr", 0)].text, "2097151");
}

std::map<std::string, std::string> prompt_texts(Editor& e) {
    std::map<std::string, std::string> t;
    for (const auto& [name, c] : e.controls().all())
        if (name.rfind("txtPrompt(", 0) == 0)
            t[name] = c.text;
    return t;
}

TEST_F(EditorAdapterTest, TextsShowInPcCodesAfterAVerify) {
    // German texts with an A-umlaut at the start of every entry, written and verified.
    PagerImage& img = editor.image();
    img[LanguageCodeAddress] = static_cast<uint8_t>((img[LanguageCodeAddress] & 0xF0) | 8);
    for (const AddressRange& r : ConvertedTextRanges)
        for (int a = r.first; a + 2 <= r.last; a += 20)
            img[a + 2] = 196;
    editor.init_ctl();
    const auto shown = prompt_texts(editor);
    int umlauts = 0;
    for (const auto& [name, text] : shown)
        umlauts += text.find("\xC3\x84") != std::string::npos;
    ASSERT_GT(umlauts, 0);
    {
        PagerCodesScope codes(hooks);
        EXPECT_EQ(ops.write_and_verify(), OpOutcome::Success);
    }
    EXPECT_THAT(messages.texts(), ElementsAre("Verify Success!"));
    EXPECT_EQ(prompt_texts(editor), shown);
}

} // namespace
} // namespace kpr
