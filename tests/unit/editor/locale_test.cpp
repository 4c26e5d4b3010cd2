// Numbers typed into the editor read the same whatever C locale the process runs under (Qt
// sets it from the environment, and de_DE writes a decimal comma).
#include "editor_fixture.h"
#include "settings/numeric_text.h"

#include <clocale>

namespace kpr::test {
namespace {

class CommaLocaleTest : public EditorTest {
  protected:
    void SetUp() override {
        before_ = std::setlocale(LC_ALL, nullptr);
        ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr)
            << "the de_DE.UTF-8 locale is missing: scripts/setup.sh generates it";
        start();
    }
    void TearDown() override { std::setlocale(LC_ALL, before_.c_str()); }

  private:
    std::string before_;
};

TEST_F(CommaLocaleTest, EntriesReadAPointAsTheDecimalPoint) {
    struct Row {
        std::string entry;
        std::string typed;
        std::string shown;
    };
    const std::vector<Row> rows = {
        {"txtAddr(0)", "13.5", "0000014"},     // a tie goes to the even neighbour
        {"txtAddr(1)", "12.5", "0000012"},     //
        {"txtAddr(2)", " 7.51 ", "0000008"},   //
        {"txtFreq", "4540124.999", "4540125"}, // on the band's raster
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.entry + " = " + r.typed);
        msgs.clear();
        EXPECT_TRUE(ed.userEnterText(r.entry, r.typed));
        EXPECT_EQ(c(r.entry).text, r.shown);
        EXPECT_TRUE(msgs.texts.empty());
    }
    // The reader behind these entries and the version check of the pager's serial area.
    EXPECT_EQ(decimal_value("0.5"), 0.5);
    EXPECT_EQ(decimal_value("+1.5e3"), 1500.0);
    EXPECT_EQ(decimal_value("1,5"), std::nullopt);
}

} // namespace
} // namespace kpr::test
