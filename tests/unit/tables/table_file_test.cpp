#include "editor/editor.h"
#include "tables/band.h"
#include "tables/table_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <vector>

#include <csignal>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace kpr;

namespace {

class TableFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("kpr_tables_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override {
        std::error_code ec;
        fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(dir_, ec);
    }

    std::string path(const std::string& name) const { return (dir_ / name).string(); }

    // A file of n bytes, byte i = pattern(i), with the model text written at 993 when it fits.
    std::string make_file(const std::string& name, size_t n, std::string_view model = "KPR35") {
        std::vector<uint8_t> b(n);
        for (size_t i = 0; i < n; ++i)
            b[i] = static_cast<uint8_t>(i * 7 + 3);
        for (size_t k = 0; k < model.size() && 993 + k < n; ++k)
            b[993 + k] = static_cast<uint8_t>(model[k]);
        write_bytes(name, b);
        return path(name);
    }
    void write_bytes(const std::string& name, const std::vector<uint8_t>& b) {
        std::ofstream(path(name), std::ios::binary)
            .write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
    }
    std::vector<uint8_t> read_bytes(const std::string& p) {
        std::ifstream in(p, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }

    fs::path dir_;
};

uint8_t pattern(size_t i) {
    return static_cast<uint8_t>(i * 7 + 3);
}

} // namespace

TEST_F(TableFileTest, LongerFileIsReadUpTo2047) {
    auto p = make_file("long.tbl", 3000);
    auto r = open_table_file(p);
    ASSERT_TRUE(r.ok()) << r.message;
    EXPECT_EQ(r.image[0], pattern(0));
    EXPECT_EQ(r.image[2047], pattern(2047));
    EXPECT_EQ(r.image[993], 'K');
    EXPECT_EQ(r.image[997], '5');
}

TEST_F(TableFileTest, ShorterFileIsZeroFilled) {
    auto p = make_file("short.tbl", 1000);
    auto r = open_table_file(p);
    ASSERT_TRUE(r.ok()) << r.message;
    EXPECT_EQ(r.image[999], pattern(999));
    for (int a = 1000; a < ImageSize; ++a)
        ASSERT_EQ(r.image[a], 0) << a;
}

TEST_F(TableFileTest, FileEndingBeforeTheModelTextIsRejected) {
    auto p = make_file("tiny.tbl", 990);
    auto r = open_table_file(p);
    EXPECT_EQ(r.status, TableOpenStatus::WrongFormat);
    EXPECT_EQ(r.message, "The [" + p + "] is not correct format, the file will discard !");
    EXPECT_EQ(r.image, PagerImage{});
    // Ends inside the model text: still rejected.
    EXPECT_EQ(open_table_file(make_file("cut.tbl", 996)).status, TableOpenStatus::WrongFormat);
    // Exactly reaches past 997: accepted.
    EXPECT_TRUE(open_table_file(make_file("edge.tbl", 998)).ok());
}

TEST_F(TableFileTest, ModelTextIsCaseSensitive) {
    auto p = make_file("lower.tbl", 2048, "kpr35");
    EXPECT_EQ(open_table_file(p).status, TableOpenStatus::WrongFormat);
    EXPECT_EQ(open_table_file(make_file("mixed.tbl", 2048, "KPr35")).status,
              TableOpenStatus::WrongFormat);
}

TEST_F(TableFileTest, MissingAndUnreadableFiles) {
    auto r = open_table_file(path("nothing.tbl"));
    EXPECT_EQ(r.status, TableOpenStatus::Missing);
    EXPECT_EQ(r.message, "This file is not exit!");

    r = open_table_file(dir_.string());
    EXPECT_EQ(r.status, TableOpenStatus::Unreadable);
    EXPECT_EQ(r.message.rfind("The [" + dir_.string() + "] could not be read: ", 0), 0u)
        << r.message;
}

// Whatever the name holds, opening returns at once with the system's reason.
TEST_F(TableFileTest, SpecialFilesAreRefusedWithoutBlocking) {
    ASSERT_EQ(::mkfifo(path("fifo.tbl").c_str(), 0600), 0);
    fs::create_symlink("loop2.tbl", path("loop1.tbl"));
    fs::create_symlink("loop1.tbl", path("loop2.tbl"));
    const std::string notRegular = "not a regular file (a device, FIFO or socket)";
    const struct {
        std::string path;
        std::string reason;
    } rows[] = {
        {path("fifo.tbl"), notRegular},
        {"/dev/zero", notRegular},
        {dir_.string(), std::generic_category().message(EISDIR)},
        {path("loop1.tbl"), std::generic_category().message(ELOOP)},
        {path(std::string(5000, 'n')), std::generic_category().message(ENAMETOOLONG)},
    };
    for (const auto& row : rows) {
        const TableOpenResult r = open_table_file(row.path);
        EXPECT_EQ(r.status, TableOpenStatus::Unreadable) << row.path.substr(0, 80);
        EXPECT_EQ(r.message, "The [" + row.path + "] could not be read: " + row.reason);
    }

    // The window's start-up with a FIFO for default.tbl says so instead of hanging.
    struct Recorder : OperatorMessages {
        void message(const std::string& t, MessageIcon) override { texts.push_back(t); }
        bool ask(const std::string&) override { return false; }
        std::vector<std::string> texts;
    } messages;
    fs::rename(path("fifo.tbl"), path("default.tbl"));
    Editor editor(messages);
    editor.startup_finish(dir_.string(), true);
    EXPECT_EQ(messages.texts, std::vector<std::string>{"The [" + path("default.tbl") +
                                                       "] could not be read: " + notRegular});
}

// Saves keep what the user has: the file's links, its place in a folder the user may not
// write, a name with no room for a temporary suffix.
TEST_F(TableFileTest, SavesKeepTheFilesIdentity) {
    PagerImage img;
    img[5] = 42;
    const std::string longName = std::string(250, 'l') + ".tbl";
    const struct {
        const char* what;
        std::string file;
        std::function<void()> setUp;
        std::string alsoSees; // another name that must show the new bytes
    } rows[] = {
        {"hard link", "linked.tbl",
         [&] {
             make_file("linked.tbl", 2048);
             fs::create_hard_link(path("linked.tbl"), path("other-name.tbl"));
         },
         path("other-name.tbl")},
        {"read-only folder",
         "ro/inside.tbl",
         [&] {
             fs::create_directory(dir_ / "ro");
             make_file("ro/inside.tbl", 2048);
             fs::permissions(dir_ / "ro", fs::perms::owner_read | fs::perms::owner_exec);
         },
         {}},
        {"long name, existing", longName, [&] { make_file(longName, 2048); }, {}},
        {"long name, new", "n" + longName.substr(1), [] {}, {}},
    };
    for (const auto& row : rows) {
        row.setUp();
        struct stat before {};
        const bool existed = ::stat(path(row.file).c_str(), &before) == 0;
        const TableSaveResult r = save_table_file(path(row.file), img);
        EXPECT_TRUE(r.ok) << row.what << ": " << r.message;
        EXPECT_EQ(read_bytes(path(row.file)).at(5), 42) << row.what;
        if (!row.alsoSees.empty()) {
            EXPECT_EQ(read_bytes(row.alsoSees).at(5), 42) << row.what;
        }
        struct stat after {};
        ASSERT_EQ(::stat(path(row.file).c_str(), &after), 0) << row.what;
        if (existed) {
            EXPECT_EQ(after.st_mode, before.st_mode) << row.what;
            EXPECT_EQ(after.st_uid, before.st_uid) << row.what;
            EXPECT_EQ(after.st_gid, before.st_gid) << row.what;
        }
        std::error_code ec;
        fs::permissions(dir_ / "ro", fs::perms::owner_all, fs::perm_options::add, ec);
    }
    // Nothing but the files themselves is left.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator{}), 5);
}

TEST_F(TableFileTest, AnInPlaceSaveThatFailsPutsTheOldBytesBack) {
    // Two links force an in-place write; a file size limit makes it fail half way.
    const auto p = make_file("short.tbl", 1000);
    fs::create_hard_link(p, path("twin.tbl"));
    const auto before = read_bytes(p);
    rlimit old{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    auto* oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 1500;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const TableSaveResult r = save_table_file(p, PagerImage{});
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message,
              "The [" + p + "] could not be written: " + std::generic_category().message(EFBIG));
    EXPECT_EQ(read_bytes(p), before);
}

TEST_F(TableFileTest, RoundTripKeepsEveryByte) {
    PagerImage img;
    for (int a = 0; a < ImageSize; ++a)
        img[a] = static_cast<uint8_t>(255 - a % 256);
    for (size_t k = 0; k < TableModelText.size(); ++k)
        img[TableModelOffset + int(k)] = static_cast<uint8_t>(TableModelText[k]);
    img[0x100] = 0xE9; // a Latin-1 text byte stays as it is

    auto p = path("round.tbl");
    auto s = save_table_file(p, img);
    ASSERT_TRUE(s.ok) << s.message;
    EXPECT_EQ(fs::file_size(p), 2048u);
    auto r = open_table_file(p);
    ASSERT_TRUE(r.ok()) << r.message;
    EXPECT_EQ(r.image, img);
    // Saving the opened image again gives the identical file.
    ASSERT_TRUE(save_table_file(p, r.image).ok);
    auto bytes = read_bytes(p);
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), img.bytes().begin(), img.bytes().end()));
    // No temporary file is left behind.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator{}), 1);
}

TEST_F(TableFileTest, SavingOverALongerFileKeepsItsTail) {
    auto p = make_file("long.tbl", 3000);
    PagerImage img;
    img.bytes().fill(0xAA);
    for (size_t k = 0; k < TableModelText.size(); ++k)
        img[TableModelOffset + int(k)] = static_cast<uint8_t>(TableModelText[k]);
    ASSERT_TRUE(save_table_file(p, img).ok);

    auto bytes = read_bytes(p);
    ASSERT_EQ(bytes.size(), 3000u);
    EXPECT_EQ(bytes[0], 0xAA);
    EXPECT_EQ(bytes[2047], 0xAA);
    for (size_t i = 2048; i < 3000; ++i)
        ASSERT_EQ(bytes[i], pattern(i)) << i;
    auto r = open_table_file(p);
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.image, img);
}

TEST_F(TableFileTest, SavingKeepsPermissionsAndFollowsLinks) {
    auto p = make_file("target.tbl", 2048);
    fs::permissions(p, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::create_symlink(p, path("link.tbl"));
    PagerImage img;
    img[5] = 42;
    ASSERT_TRUE(save_table_file(path("link.tbl"), img).ok);
    EXPECT_TRUE(fs::is_symlink(path("link.tbl")));
    EXPECT_EQ(read_bytes(p)[5], 42);
    EXPECT_EQ(fs::status(p).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST_F(TableFileTest, SavingToADeviceWritesThroughIt) {
    PagerImage img;
    auto s = save_table_file("/dev/null", img);
    EXPECT_TRUE(s.ok) << s.message;
    EXPECT_EQ(fs::status("/dev/null").type(), fs::file_type::character);
}

TEST_F(TableFileTest, FailedSaveIsReportedWithPathAndReason) {
    PagerImage img;
    // A folder that does not exist (works even for root).
    auto p = path("no_such_folder/x.tbl");
    auto s = save_table_file(p, img);
    EXPECT_FALSE(s.ok);
    EXPECT_EQ(s.message,
              "The [" + p + "] could not be written: " + std::generic_category().message(ENOENT));
    // A FIFO nobody reads: refused at once, never waited on.
    ASSERT_EQ(::mkfifo(path("fifo").c_str(), 0600), 0);
    s = save_table_file(path("fifo"), img);
    EXPECT_EQ(s.message, "The [" + path("fifo") +
                             "] could not be written: " + std::generic_category().message(ENXIO));
    // The target is a folder.
    s = save_table_file(dir_.string(), img);
    EXPECT_FALSE(s.ok);
    EXPECT_NE(s.message.find("could not be written"), std::string::npos);
}

TEST_F(TableFileTest, UnwritableFolderOrFile) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "permissions do not bind root";
    auto p = make_file("ro.tbl", 2048);
    auto before = read_bytes(p);
    fs::permissions(p, fs::perms::owner_read);
    PagerImage img;
    auto s = save_table_file(p, img);
    EXPECT_FALSE(s.ok);
    EXPECT_NE(s.message.find("could not be written"), std::string::npos);
    EXPECT_EQ(read_bytes(p), before);

    fs::permissions(dir_, fs::perms::owner_read | fs::perms::owner_exec);
    s = save_table_file(path("new.tbl"), img);
    EXPECT_FALSE(s.ok);
    EXPECT_EQ(s.message, "The [" + path("new.tbl") +
                             "] could not be written: " + std::generic_category().message(EACCES));
}

TEST(BandDerivation, StandardRule) {
    PagerImage img;
    img[0x0C] = 0;
    img[0x0D] = 127;
    img[0x65] = 0x8E;
    EXPECT_EQ(derive_band(img), Band929to932);
    img[0x0D] = 128; // INCD 128 wins whatever &H65 holds
    EXPECT_EQ(derive_band(img), Band130to180);
    img[0x0C] = 1;
    img[0x0D] = 0;
    EXPECT_EQ(derive_band(img), Band130to180);

    img[0x0C] = 0;
    img[0x0D] = 4;
    for (int h = 0; h < 16; ++h) {
        img[0x65] = static_cast<uint8_t>(h << 4 | 0x0F);
        std::optional<int> want;
        if (h == 3 || h == 4)
            want = Band380to499;
        else if (h == 8)
            want = Band929to932;
        EXPECT_EQ(derive_band(img), want) << h;
    }
}

TEST(BandDerivation, ParallelPortRuleIsNarrower) {
    PagerImage img;
    img[0x0C] = 0;
    img[0x0D] = 0x80; // INCD 128 alone is not band 0 here
    img[0x65] = 0x12;
    EXPECT_EQ(derive_band(img, BandRule::ParallelPort), std::nullopt);
    EXPECT_EQ(derive_band(img, BandRule::Standard), Band130to180);
    img[0x65] = 0x40;
    EXPECT_EQ(derive_band(img, BandRule::ParallelPort), std::nullopt);
    img[0x65] = 0x3F;
    EXPECT_EQ(derive_band(img, BandRule::ParallelPort), Band380to499);
    img[0x65] = 0x80;
    EXPECT_EQ(derive_band(img, BandRule::ParallelPort), Band929to932);
    img[0x0C] = 2;
    EXPECT_EQ(derive_band(img, BandRule::ParallelPort), Band130to180);
}
