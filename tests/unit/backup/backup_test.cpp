// Backups: names, listing and pruning on a fake clock, and what the programming operations
// leave behind through the observer.
#include "backup/backup_store.h"
#include "ops/operations.h"
#include "tables/table_file.h"
#include "text/charset.h"

#include "../ops/fakes.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <limits>

#include <unistd.h>

namespace kpr {
namespace {

namespace fs = std::filesystem;
using std::chrono::system_clock;
using ::testing::HasSubstr;

// 2026-01-02 03:04:05.006 UTC
const system_clock::time_point T0{std::chrono::milliseconds(1767323045006)};
constexpr auto Day = std::chrono::hours(24);

class TempDir {
  public:
    TempDir() {
        static int n = 0;
        path = fs::temp_directory_path() /
               ("kpr-backup-test-" + std::to_string(::getpid()) + "-" + std::to_string(++n));
        fs::remove_all(path);
    }
    ~TempDir() { fs::remove_all(path); }
    fs::path path;
};

PagerImage pager_with_serial() {
    PagerImage img;
    test::make_valid_pager(img.bytes(), "KPR350102V3.80", "AB-123456789");
    return img;
}

TEST(BackupNames, CarryTimeSerialAndKindAndReadBack) {
    const std::string name = backup_file_name(T0, "AB123456789", BackupKind::BeforeWrite);
    EXPECT_EQ(name, "20260102-030405.006Z_AB123456789_before-write.tbl");
    const auto e = parse_backup_file_name(fs::path("/x") / name);
    ASSERT_TRUE(e.has_value());
    EXPECT_EQ(e->time, T0);
    EXPECT_EQ(e->serial, "AB123456789");
    EXPECT_EQ(e->kind, BackupKind::BeforeWrite);
    EXPECT_EQ(parse_backup_file_name("20260102-030405.006Z-2_no-serial_read.tbl")->kind,
              BackupKind::Read);
    for (const char* other : {"notes.txt", "20260102-030405.006Z_AB_erased.tbl",
                              "20260102-030405Z_AB_read.tbl", "x20260102-030405.006Z_AB_read.tbl"})
        EXPECT_FALSE(parse_backup_file_name(other).has_value()) << other;
}

TEST(BackupNames, SerialIsTheValidSerialNumbersLettersAndDigits) {
    EXPECT_EQ(backup_serial_tag(pager_with_serial()), "AB123456789");
    PagerImage broken = pager_with_serial();
    broken[AddrSerialFirst] ^= 1; // checksum no longer matches
    EXPECT_EQ(backup_serial_tag(broken), "no-serial");
    EXPECT_EQ(backup_serial_tag(PagerImage{}), "no-serial");
}

TEST(BackupStoreTest, KeepsListsNewestFirstAndPrunesByTheClock) {
    TempDir dir;
    system_clock::time_point now = T0;
    BackupStore store(dir.path / "backups", 7, [&] { return now; });
    std::string error;
    const PagerImage img = pager_with_serial();

    const auto first = store.keep(img, BackupKind::Read, error);
    ASSERT_TRUE(first.has_value()) << error;
    // The file is a table file of the image: it opens as one.
    const TableOpenResult opened = open_table_file(first->string());
    ASSERT_TRUE(opened.ok());
    EXPECT_EQ(opened.image.bytes(), img.bytes());

    const auto same_ms = store.keep(img, BackupKind::Read, error);
    ASSERT_TRUE(same_ms.has_value());
    EXPECT_NE(*first, *same_ms);
    now = T0 + 3 * Day;
    store.keep(img, BackupKind::BeforeWrite, error);
    now = T0 + 9 * Day;
    store.keep(PagerImage{}, BackupKind::Written, error); // prunes the first two
    std::ofstream(dir.path / "backups" / "notes.txt") << "mine";

    const auto list = store.list();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].kind, BackupKind::Written);
    EXPECT_EQ(list[0].serial, "no-serial");
    EXPECT_EQ(list[0].time, T0 + 9 * Day);
    EXPECT_EQ(list[1].kind, BackupKind::BeforeWrite);
    EXPECT_FALSE(fs::exists(*first));

    now = T0 + 11 * Day;
    EXPECT_EQ(store.prune(), 1); // 8 days old
    EXPECT_EQ(store.list().size(), 1u);
    EXPECT_TRUE(fs::exists(dir.path / "backups" / "notes.txt")); // not ours: never touched

    BackupStore forever(dir.path / "backups", 0, [&] { return T0 + 1000 * Day; });
    EXPECT_EQ(forever.prune(), 0);
    EXPECT_EQ(forever.list().size(), 1u);

    // More days than the clock can count back: nothing is old enough, least of all the
    // backup just made.
    for (int days : {106'752, 1'000'000, std::numeric_limits<int>::max()}) {
        BackupStore longest(dir.path / "backups", days, [&] { return T0 + 12 * Day; });
        const auto kept = longest.keep(img, BackupKind::Read, error);
        ASSERT_TRUE(kept.has_value()) << error;
        EXPECT_TRUE(fs::exists(*kept)) << days;
        EXPECT_EQ(longest.prune(), 0) << days;
    }
}

TEST(BackupStoreTest, AFolderThatCannotBeMadeIsReported) {
    TempDir dir;
    fs::create_directories(dir.path);
    std::ofstream(dir.path / "file") << "x";
    BackupStore store(dir.path / "file" / "backups", 7);
    std::string error;
    EXPECT_FALSE(store.keep(PagerImage{}, BackupKind::Read, error).has_value());
    EXPECT_THAT(error, HasSubstr("could not be made"));
    EXPECT_TRUE(store.list().empty());
}

class BackupOpsTest : public ::testing::Test {
  protected:
    BackupOpsTest() : pager(messages), ops(editor, pager, messages, progress) {
        editor.fl.ScanIdle = true;
        for (int i = 0; i < ImageSize; ++i)
            editor.img[i] = static_cast<uint8_t>(i % 251);
        test::make_valid_pager(pager.memory);
        ops.setTransferObserver(&backups);
    }
    std::vector<BackupEntry> kept() { return backups.store().list(); }
    // The raw bytes: the editor's test image carries no model text for File > Open.
    PagerImage file(const BackupEntry& e) {
        PagerImage img;
        std::ifstream f(e.path, std::ios::binary);
        f.read(reinterpret_cast<char*>(img.data()), ImageSize);
        return img;
    }

    TempDir dir;
    system_clock::time_point now = T0;
    test::RecordingMessages messages;
    test::RecordingProgress progress;
    test::FakeEditor editor;
    test::FakePager pager;
    Operations ops;
    PagerBackups backups{
        BackupStore(dir.path, 30, [this] { return now += std::chrono::seconds(1); }), messages};
};

TEST_F(BackupOpsTest, AWriteKeepsWhatThePagerHeldAndWhatWasWritten) {
    const PagerImage::Bytes before = pager.memory;
    std::string backupStatus;
    int backupMaximum = 0;
    pager.onRead = [&](int strt) {
        if (strt == 0) {
            backupStatus = progress.status;
            backupMaximum = progress.maximum;
        }
    };
    ASSERT_EQ(ops.usb_writeall(editor.img, 0, ImageUpperBound), OpOutcome::Success);
    // The read shows a phase of its own: its text and a bar over the whole image.
    EXPECT_EQ(backupStatus, MsgBackingUp);
    EXPECT_EQ(backupMaximum, ImageSize);
    // The whole pager was read before the first byte was written.
    ASSERT_FALSE(pager.writes.empty());
    EXPECT_EQ(pager.reads.back(), std::make_pair(0, int(ImageUpperBound)));

    const auto list = kept();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[1].kind, BackupKind::BeforeWrite);
    EXPECT_EQ(list[1].serial, "ABC123456789");
    PagerImage expectBefore{before};
    text_from_pager(expectBefore);
    EXPECT_EQ(file(list[1]).bytes(), expectBefore.bytes());
    EXPECT_EQ(list[0].kind, BackupKind::Written);
    PagerImage expectWritten{pager.memory};
    text_from_pager(expectWritten);
    EXPECT_EQ(file(list[0]).bytes(), expectWritten.bytes());
}

TEST_F(BackupOpsTest, APagerThatCannotBeReadIsNotOverwritten) {
    pager.onRead = [&](int strt) {
        if (strt == 0)
            pager.failReadAt = 0;
    };
    EXPECT_EQ(ops.usb_writeall(editor.img, 0, ImageUpperBound), OpOutcome::Failed);
    EXPECT_TRUE(pager.writes.empty());
    EXPECT_TRUE(ops.OpFailed());
    EXPECT_TRUE(kept().empty());
}

TEST_F(BackupOpsTest, WithoutTheReadOnlyTheWrittenImageIsKept) {
    PagerBackups writtenOnly(BackupStore(dir.path / "w", 30), messages, false);
    ops.setTransferObserver(&writtenOnly);
    ASSERT_EQ(ops.usb_writeall(editor.img, 0, ImageUpperBound), OpOutcome::Success);
    for (const auto& r : pager.reads)
        EXPECT_NE(r.first, 0) << "no whole-image read";
    const auto list = writtenOnly.store().list();
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].kind, BackupKind::Written);
}

TEST_F(BackupOpsTest, AnAcceptedReadIsKeptAndARefusedOneIsNot) {
    ASSERT_EQ(ops.usb_readall(0, ImageUpperBound), ReadOutcome::Accepted);
    auto list = kept();
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].kind, BackupKind::Read);
    EXPECT_EQ(file(list[0]).bytes(), editor.img.bytes());

    pager.memory[AddrModelFirst] = 'X'; // not a KPR35 any more
    EXPECT_EQ(ops.usb_readall(0, ImageUpperBound), ReadOutcome::WrongModel);
    EXPECT_EQ(kept().size(), 1u);
}

// A folder that cannot be made: with the read before the write, what the pager held would be
// lost, so nothing is written; without it only the outgoing image is missing, and the write
// goes on. Either way the fault is reported once.
TEST_F(BackupOpsTest, ABackupThatCannotBeSavedStopsTheWriteOnlyWhenItHoldsThePagersData) {
    std::ofstream(dir.path.string() + "-blocker") << "x";
    for (const bool readFirst : {true, false}) {
        SCOPED_TRACE(readFirst ? "read before write" : "written image only");
        messages.messages.clear();
        pager.writes.clear();
        PagerBackups blocked(BackupStore(dir.path.string() + "-blocker/b", 30), messages,
                             readFirst);
        ops.setTransferObserver(&blocked);
        EXPECT_EQ(ops.usb_writeall(editor.img, 0, ImageUpperBound),
                  readFirst ? OpOutcome::Failed : OpOutcome::Success);
        EXPECT_EQ(pager.writes.empty(), readFirst);
        ASSERT_EQ(messages.messages.size(), 1u);
        EXPECT_NE(messages.messages[0].text.find("backup could not be kept"), std::string::npos);
        EXPECT_EQ(messages.messages[0].text.find("has not been written") != std::string::npos,
                  readFirst);
    }
    fs::remove(dir.path.string() + "-blocker");
}

} // namespace
} // namespace kpr
