// Table files on a real file system: what opens, what is refused and why, and saves that keep
// the file the user has.
#include "common/input_file.h"
#include "editor/editor.h"
#include "settings/band.h"
#include "support/recorders.h"
#include "support/scratch_dir.h"
#include "tables/table_file.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kpr {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

const std::string NotRegular = "not a regular file (a device, FIFO or socket)";

std::string unreadable(const std::string& p, const std::string& reason) {
    return "The [" + p + "] could not be read: " + reason;
}
std::string reason(int err) {
    return std::generic_category().message(err);
}

class TableFile : public ::testing::Test {
  protected:
    void TearDown() override { // a read-only folder a test made must be writable to go
        std::error_code ec;
        fs::permissions(dir / "ro", fs::perms::owner_all, fs::perm_options::add, ec);
    }
    std::string path(const std::string& name) const { return (dir / name).string(); }
    // n bytes of a pattern, the model text at 993 as far as it fits.
    std::string make(const std::string& name, size_t n, std::string_view model = "KPR35") {
        Bytes b(n);
        for (size_t i = 0; i < n; ++i)
            b[i] = static_cast<uint8_t>(i < 993 || i - 993 >= model.size() ? i * 7 + 3
                                                                           : model[i - 993]);
        std::ofstream(path(name), std::ios::binary)
            .write(reinterpret_cast<const char*>(b.data()), std::streamsize(n));
        return path(name);
    }
    static Bytes bytes(const std::string& p) { // of a regular file; none of anything else
        if (!fs::is_regular_file(p))
            return {};
        const std::string s = test::contents(p);
        return {s.begin(), s.end()};
    }
    test::ScratchDir scratch;
    const fs::path& dir = scratch.dir();
};

// Opening returns at once, whatever the name holds; an image only from a file that reaches
// past the model text and carries it exactly.
TEST_F(TableFile, OpenRows) {
    ASSERT_EQ(::mkfifo(path("fifo.tbl").c_str(), 0600), 0);
    fs::create_symlink("loop2.tbl", path("loop1.tbl"));
    fs::create_symlink("loop1.tbl", path("loop2.tbl"));
    const std::string longName = path(std::string(5000, 'n'));
    const struct {
        std::string file;
        TableOpenStatus status;
        std::string message; // "": not checked
    } rows[] = {
        {make("long.tbl", 3000), TableOpenStatus::Ok, ""},
        {make("edge.tbl", 998), TableOpenStatus::Ok, ""},
        {make("cut.tbl", 996), TableOpenStatus::WrongFormat,
         "The [" + path("cut.tbl") + "] is not correct format, the file will discard !"},
        {make("lower.tbl", 2048, "kpr35"), TableOpenStatus::WrongFormat, ""},
        {make("mixed.tbl", 2048, "KPr35"), TableOpenStatus::WrongFormat, ""},
        {path("none.tbl"), TableOpenStatus::Missing, "This file is not exit!"},
        {path("fifo.tbl"), TableOpenStatus::Unreadable, unreadable(path("fifo.tbl"), NotRegular)},
        {"/dev/zero", TableOpenStatus::Unreadable, unreadable("/dev/zero", NotRegular)},
        {dir.string(), TableOpenStatus::Unreadable, unreadable(dir.string(), reason(EISDIR))},
        {path("loop1.tbl"), TableOpenStatus::Unreadable,
         unreadable(path("loop1.tbl"), reason(ELOOP))},
        {longName, TableOpenStatus::Unreadable, unreadable(longName, reason(ENAMETOOLONG))},
    };
    for (const auto& r : rows) {
        const TableOpenResult got = open_table_file(r.file);
        const std::string what = r.file.substr(0, 80);
        EXPECT_EQ(got.status, r.status) << what;
        EXPECT_EQ(r.message.empty() ? "" : got.message, r.message) << what;
        Bytes want = r.status == TableOpenStatus::Ok ? bytes(r.file) : Bytes{};
        want.resize(ImageSize); // the file's first 2048 bytes, zero-filled
        EXPECT_TRUE(std::equal(want.begin(), want.end(), got.image.bytes().begin())) << what;
    }
}

// Start-up opens default.tbl when present: one that is a FIFO is said, never waited on.
TEST_F(TableFile, StartUpWithAFifoForDefaultTbl) {
    ASSERT_EQ(::mkfifo(path("default.tbl").c_str(), 0600), 0);
    test::RecordedMessages msgs;
    Editor ed(msgs);
    ed.startup_finish(dir.string());
    EXPECT_EQ(msgs.texts(), std::vector<std::string>{unreadable(path("default.tbl"), NotRegular)});
}

// A save writes the image over the file's first 2048 bytes and keeps what the user has: the
// bytes beyond them, the file's links, mode and owner, its place in a folder the user may not
// write, a name with no room for a temporary suffix.
TEST_F(TableFile, SavesKeepTheFile) {
    PagerImage img;
    for (int a = 0; a < ImageSize; ++a)
        img[a] = static_cast<uint8_t>(255 - a % 256);
    for (size_t k = 0; k < TableModelText.size(); ++k)
        img[TableModelOffset + int(k)] = static_cast<uint8_t>(TableModelText[k]);
    const std::string longName = std::string(250, 'l') + ".tbl";
    make("long.tbl", 3000);
    make("cut.tbl", 3000);
    fs::create_hard_link(make("linked.tbl", 2048), path("twin.tbl"));
    fs::permissions(make("target.tbl", 2048),
                    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::create_symlink(path("target.tbl"), path("link.tbl"));
    fs::create_directory(dir / "ro");
    make("ro/inside.tbl", 2048);
    fs::permissions(dir / "ro", fs::perms::owner_read | fs::perms::owner_exec);
    make(longName, 2048);
    const struct {
        std::string file;
        std::string alsoSees = ""; // another name that must show the new bytes
        TableTail tail = TableTail::Keep;
    } rows[] = {{"new.tbl"},
                {"long.tbl"},
                {"cut.tbl", "", TableTail::Discard},
                {"linked.tbl", "twin.tbl"},
                {"link.tbl", "target.tbl"},
                {"ro/inside.tbl"},
                {longName}};
    for (const auto& r : rows) {
        const std::string file = path(r.file);
        struct stat before {};
        const bool existed = ::stat(file.c_str(), &before) == 0;
        const Bytes old = bytes(file);
        const TableSaveResult s = save_table_file(file, img, r.tail);
        ASSERT_TRUE(s.ok) << r.file << ": " << s.message;
        Bytes want = r.tail == TableTail::Keep && old.size() > ImageSize ? old : Bytes(ImageSize);
        std::copy(img.bytes().begin(), img.bytes().end(), want.begin());
        EXPECT_EQ(bytes(file), want) << r.file;
        EXPECT_EQ(r.alsoSees.empty() ? want : bytes(path(r.alsoSees)), want) << r.file;
        EXPECT_EQ(open_table_file(file).image, img) << r.file;
        struct stat after {};
        ASSERT_EQ(::stat(file.c_str(), &after), 0) << r.file;
        EXPECT_TRUE(!existed || (after.st_mode == before.st_mode && after.st_uid == before.st_uid &&
                                 after.st_gid == before.st_gid))
            << r.file;
    }
    EXPECT_TRUE(fs::is_symlink(path("link.tbl")));
    // Nothing but the files themselves is left: no temporary file.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator{}), 9);
}

// A save that cannot be done says where and why, at once, and leaves the old bytes.
TEST_F(TableFile, FailedSavesLeaveTheOldBytes) {
    const bool root = ::geteuid() == 0; // permissions do not bind root
    ASSERT_EQ(::mkfifo(path("fifo").c_str(), 0600), 0);
    fs::permissions(make("ro.tbl", 2048), fs::perms::owner_read);
    fs::create_directory(dir / "ro");
    fs::permissions(dir / "ro", fs::perms::owner_read | fs::perms::owner_exec);
    // Two links force an in-place write; a file size limit makes it fail half way.
    fs::create_hard_link(make("short.tbl", 1000), path("twin.tbl"));
    const struct {
        std::string file;
        int err;          // the reason; 0: any, -1: not for root
        rlim_t limit = 0; // a file size limit during the save; 0: none
    } rows[] = {
        {path("no_such_folder/x.tbl"), ENOENT},
        {path("fifo"), ENXIO}, // nobody reads it: refused, never waited on
        {dir.string(), 0},
        {path("ro.tbl"), root ? -1 : 0},
        {path("ro/new.tbl"), root ? -1 : EACCES},
        {path("short.tbl"), EFBIG, 1500},
    };
    for (const auto& r : rows) {
        if (r.err < 0)
            continue;
        const Bytes old = bytes(r.file);
        rlimit keep{};
        ::getrlimit(RLIMIT_FSIZE, &keep);
        auto* handler = std::signal(SIGXFSZ, SIG_IGN);
        const rlimit small{r.limit, keep.rlim_max};
        ASSERT_EQ(r.limit ? ::setrlimit(RLIMIT_FSIZE, &small) : 0, 0);
        const TableSaveResult s = save_table_file(r.file, PagerImage{});
        ::setrlimit(RLIMIT_FSIZE, &keep);
        std::signal(SIGXFSZ, handler);
        const std::string said = "The [" + r.file + "] could not be written: ";
        EXPECT_FALSE(s.ok) << r.file;
        EXPECT_EQ(r.err ? s.message : s.message.substr(0, said.size()),
                  said + (r.err ? reason(r.err) : ""));
        EXPECT_EQ(bytes(r.file), old) << r.file;
    }
}

// The reader's bound: a file of exactly the bound is whole; one byte more is refused, or cut.
TEST_F(TableFile, InputBoundHoldsToTheByte) {
    const std::string p = (dir / "bound").string();
    for (const auto& [size, beyond, error, got] : {std::tuple{9, InputBeyondBound::Refuse, 0, 9},
                                                   {10, InputBeyondBound::Refuse, 0, 10},
                                                   {11, InputBeyondBound::Refuse, EFBIG, 0},
                                                   {11, InputBeyondBound::Ignore, 0, 10}}) {
        std::ofstream(p, std::ios::binary) << std::string(size, 'x');
        const InputFile in = read_input_file(p, 10, beyond);
        EXPECT_EQ(std::make_pair(in.error, int(in.bytes.size())), std::make_pair(error, got))
            << size;
    }
}

// Band positions: 0 130-180 MHz, 1 380-499 MHz, 2 929-932 MHz; none: the choice stays.
TEST(BandDerivation, IncrementAndBaseNibble) {
    const struct {
        int incH, incL, nibble;
        std::optional<int> standard, parallel;
    } rows[] = {{0, 127, 8, 2, 2}, {0, 128, 1, 0, {}}, {0, 128, 8, 0, 2}, {1, 0, 8, 0, 0},
                {2, 0, 0, 0, 0},   {0, 4, 3, 1, 1},    {0, 4, 4, 1, {}},  {0, 4, 0, {}, {}},
                {0, 4, 2, {}, {}}, {0, 4, 5, {}, {}},  {0, 4, 7, {}, {}}, {0, 4, 9, {}, {}},
                {0, 4, 15, {}, {}}};
    for (const auto& r : rows) {
        PagerImage img;
        img[0x0C] = static_cast<uint8_t>(r.incH);
        img[0x0D] = static_cast<uint8_t>(r.incL);
        img[0x65] = static_cast<uint8_t>(r.nibble << 4 | 0x0F);
        EXPECT_EQ(std::make_pair(derive_band(img), derive_band(img, BandRule::ParallelPort)),
                  std::make_pair(r.standard, r.parallel))
            << r.incH << " " << r.incL << " " << r.nibble;
    }
}

} // namespace
} // namespace kpr
