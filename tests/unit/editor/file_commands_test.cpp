#include "editor_fixture.h"
#include "text/default_image.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <unistd.h>

namespace kpr::test {
namespace {

namespace fs = std::filesystem;

class FileCommandsTest : public EditorTest {
  protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("kpr-editor-files-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string path(const std::string& name) const { return (dir / name).string(); }
    static void writeFile(const std::string& p, const std::vector<uint8_t>& bytes) {
        std::ofstream f(p, std::ios::binary);
        f.write(reinterpret_cast<const char*>(bytes.data()),
                static_cast<std::streamsize>(bytes.size()));
    }
    static std::vector<uint8_t> readFile(const std::string& p) {
        std::ifstream f(p, std::ios::binary);
        return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
    }
    static std::vector<uint8_t> bytesOf(const PagerImage& img) {
        return {img.bytes().begin(), img.bytes().end()};
    }

    fs::path dir;
};

TEST_F(FileCommandsTest, StartUpWithoutDefaultFileThenSaveCreatesIt) {
    ed.startup_finish(dir.string());
    EXPECT_EQ(c("cboDft").value, 1);
    EXPECT_EQ(ed.flags().CurrentTablePath, path("default.tbl"));
    ASSERT_TRUE(ed.mnuSBTF_Click());
    EXPECT_TRUE(msgs.questions.empty());
    EXPECT_EQ(readFile(path("default.tbl")), bytesOf(ed.image()));
    EXPECT_EQ(ed.caption(), "Vard Quinta USB KPR35T V05.21 - [" + path("default.tbl") + "]");
}

TEST_F(FileCommandsTest, StartUpLoadsDefaultFile) {
    PagerImage img = default_image();
    img[0x89] = 7;
    writeFile(path("default.tbl"), bytesOf(img));
    ed.startup_finish(dir.string());
    EXPECT_EQ(ed.image(), img);
    EXPECT_EQ(c("Slider1").value, 7);
    EXPECT_EQ(ed.caption(), "Vard Quinta USB KPR35T V05.21 - [" + path("default.tbl") + "]");
    EXPECT_FALSE(ed.flags().SaveToCurrent);
}

TEST_F(FileCommandsTest, OpenRefusals) {
    start();
    const PagerImage before = ed.image();
    EXPECT_FALSE(ed.mnuLBFF_Click(path("missing.tbl")));
    EXPECT_EQ(msgs.texts, std::vector<std::string>{"This file is not exit!"});
    EXPECT_EQ(msgs.icons[0], MessageIcon::None);
    msgs.clear();

    std::vector<uint8_t> bytes = bytesOf(default_image());
    bytes[993] = 'k';
    writeFile(path("lower.tbl"), bytes);
    EXPECT_FALSE(ed.mnuLBFF_Click(path("lower.tbl")));
    ASSERT_EQ(msgs.texts.size(), 1u);
    EXPECT_NE(msgs.texts[0].find("is not correct format, the file will discard !"),
              std::string::npos);
    EXPECT_EQ(ed.image(), before);
    // Save still goes to the file the window holds, never to the refused one.
    EXPECT_EQ(ed.flags().CurrentTablePath, "/nonexistent-kpr-folder/default.tbl");
}

TEST_F(FileCommandsTest, OpenByTheLengthRulesAndSelectTheBand) {
    start();
    std::vector<uint8_t> bytes = bytesOf(default_image());
    bytes.resize(1000);
    bytes[0x0C] = 0;
    bytes[0x0D] = 127;
    bytes[0x65] = 0x8E;
    writeFile(path("short.tbl"), bytes);
    ASSERT_TRUE(ed.mnuLBFF_Click(path("short.tbl")));
    EXPECT_EQ(at(999), bytes[999]);
    EXPECT_EQ(at(1000), 0);
    EXPECT_EQ(at(2047), 0);
    EXPECT_EQ(c("cboDft").value, 2);
    // The band was selected silently: the file's synthesiser words stay.
    EXPECT_EQ(at(0x0D), 127);

    bytes[0x0D] = 128;
    bytes.resize(3000, 0x77);
    writeFile(path("long.tbl"), bytes);
    ASSERT_TRUE(ed.mnuLBFF_Click(path("long.tbl")));
    EXPECT_EQ(c("cboDft").value, 0);
    EXPECT_EQ(at(2047), 0x77);
    // The band handler runs normally afterwards.
    ASSERT_TRUE(ed.userChange("cboDft", 1));
    EXPECT_EQ(c("txtFreq").text, "4540125");

    bytes.resize(990);
    writeFile(path("tiny.tbl"), bytes);
    msgs.clear();
    EXPECT_FALSE(ed.mnuLBFF_Click(path("tiny.tbl")));
    EXPECT_EQ(msgs.texts.size(), 1u);
}

TEST_F(FileCommandsTest, SaveAsAsksBeforeOverwriting) {
    start();
    writeFile(path("old.tbl"), std::vector<uint8_t>(3000, 0xAA));
    msgs.answer = false;
    EXPECT_FALSE(ed.mnuSA_Click(path("old.tbl")));
    ASSERT_EQ(msgs.questions.size(), 1u);
    EXPECT_EQ(msgs.questions[0],
              "This file is arealy exist ! \r\nAre you sure overwrite this file?");
    EXPECT_EQ(readFile(path("old.tbl")), std::vector<uint8_t>(3000, 0xAA));

    msgs.answer = true;
    ASSERT_TRUE(ed.mnuSA_Click(path("old.tbl")));
    const auto bytes = readFile(path("old.tbl"));
    ASSERT_EQ(bytes.size(), 3000u); // the tail of a longer file stays
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.begin() + 2048, ed.image().bytes().begin()));
    EXPECT_EQ(bytes[2999], 0xAA);
    // The caption exchanges the path only.
    ASSERT_TRUE(ed.mnuSA_Click(path("new.tbl")));
    EXPECT_EQ(ed.caption(), "Vard Quinta USB KPR35T V05.21 - [" + path("new.tbl") + "]");
    ed.setUsbLink(false);
    EXPECT_EQ(ed.caption(), "Vard Quinta KPR35T V05.21 - [" + path("new.tbl") + "]");
    EXPECT_FALSE(c("lblMsg").visible);
}

TEST_F(FileCommandsTest, FailedSaveSaysSo) {
    start();
    EXPECT_FALSE(ed.mnuSA_Click(path("no-such-folder/x.tbl")));
    ASSERT_EQ(msgs.texts.size(), 1u);
    EXPECT_NE(msgs.texts[0].find("x.tbl"), std::string::npos);
}

// Open then Save gives the same bytes for any image the format accepts, whatever the
// editor showed before.
TEST_F(FileCommandsTest, OpenThenSaveIsByteIdentical) {
    start();
    std::mt19937 rng(99);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int round = 0; round < 60; ++round) {
        std::vector<uint8_t> bytes(ImageSize);
        for (auto& b : bytes)
            b = static_cast<uint8_t>(byte(rng));
        if (round % 4 == 1) // a plausible image with a few fields changed
            bytes = bytesOf(default_image());
        if (round % 4 == 1) {
            bytes[0x4FC] ^= 0x04;
            bytes[0x36] ^= 0x80;
            bytes[0x61] = static_cast<uint8_t>(byte(rng));
            bytes[0x3F] = 1;
        }
        const std::string text = "KPR35";
        std::copy(text.begin(), text.end(), bytes.begin() + 993);
        const std::string in = path("in" + std::to_string(round) + ".tbl");
        const std::string out = path("out" + std::to_string(round) + ".tbl");
        writeFile(in, bytes);
        ASSERT_TRUE(ed.mnuLBFF_Click(in)) << round;
        ASSERT_TRUE(ed.mnuSA_Click(out)) << round;
        ASSERT_EQ(readFile(out), bytes) << "round " << round;
        // Saving again after the refresh still gives the same bytes.
        ASSERT_TRUE(ed.mnuSBTF_Click());
        ASSERT_EQ(readFile(out), bytes) << "round " << round;
    }
    EXPECT_TRUE(msgs.questions.empty());
}

} // namespace
} // namespace kpr::test
