// Backups: names, keeping and pruning on a fake clock, and what the programming operations
// leave behind through the observer.
#include "backup/backup_store.h"
#include "ops/operations.h"
#include "support/recorders.h"
#include "tables/table_file.h"
#include "text/charset.h"

#include "../ops/fakes.h"

#include <gtest/gtest.h>

#include <fstream>
#include <limits>

#include <unistd.h>

namespace kpr {
namespace {

namespace fs = std::filesystem;
using std::chrono::system_clock;

// 2026-01-02 03:04:05.006 UTC
const system_clock::time_point T0{std::chrono::milliseconds(1767323045006)};
constexpr auto Day = std::chrono::hours(24);

struct TempDir {
    TempDir() {
        static int n = 0;
        path = fs::temp_directory_path() /
               ("kpr-backup-test-" + std::to_string(::getpid()) + "-" + std::to_string(++n));
        fs::remove_all(path);
    }
    ~TempDir() { fs::remove_all(path); }
    fs::path path;
};

std::string kind_letter(BackupKind k) {
    return k == BackupKind::Written ? "W" : k == BackupKind::BeforeWrite ? "B" : "R";
}

TEST(BackupNames, TimeSerialAndKindBothWays) {
    EXPECT_EQ(backup_file_name(T0, "AB123456789", BackupKind::BeforeWrite),
              "20260102-030405.006Z_AB123456789_before-write.tbl");
    const std::pair<const char*, BackupKind> names[] = {
        {"20260102-030405.006Z_AB123456789_before-write.tbl", BackupKind::BeforeWrite},
        {"20260102-030405.006Z-2_AB123456789_read.tbl", BackupKind::Read},
        {"20260102-030405.006Z_AB123456789_written.tbl", BackupKind::Written}};
    for (const auto& [name, kind] : names) {
        const auto e = parse_backup_file_name(fs::path("/x") / name);
        ASSERT_TRUE(e.has_value()) << name;
        EXPECT_TRUE(e->time == T0 && e->serial == "AB123456789" && e->kind == kind) << name;
    }
    for (const char* other : {"notes.txt", "20260102-030405.006Z_AB_erased.tbl",
                              "20260102-030405Z_AB_read.tbl", "x20260102-030405.006Z_AB_read.tbl"})
        EXPECT_FALSE(parse_backup_file_name(other)) << other;
    // The serial part: the valid serial number's letters and digits, or "no-serial".
    PagerImage img;
    test::make_valid_pager(img.bytes(), "KPR350102V3.80", "AB-123456789");
    EXPECT_EQ(backup_serial_tag(img), "AB123456789");
    img[AddrSerialFirst] ^= 1; // the checksum no longer matches
    EXPECT_EQ(backup_serial_tag(img), "no-serial");
}

TEST(BackupStoreTest, KeepsListsNewestFirstAndPrunesByTheClock) {
    TempDir dir;
    system_clock::time_point now = T0;
    BackupStore store(dir.path / "backups", 7, [&] { return now; });
    std::string error;
    PagerImage img;
    test::make_valid_pager(img.bytes());

    const auto first = store.keep(img, BackupKind::Read, error);
    ASSERT_TRUE(first.has_value()) << error;
    EXPECT_EQ(open_table_file(first->string()).image, img); // a table file of the image
    const auto sameMs = store.keep(img, BackupKind::Read, error);
    ASSERT_TRUE(sameMs.has_value());
    EXPECT_NE(*first, *sameMs);
    now = T0 + 3 * Day;
    store.keep(img, BackupKind::BeforeWrite, error);
    now = T0 + 9 * Day;
    store.keep(PagerImage{}, BackupKind::Written, error); // prunes the first two
    std::ofstream(dir.path / "backups" / "notes.txt") << "mine";

    const auto list = store.list();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(kind_letter(list[0].kind) + list[0].serial + kind_letter(list[1].kind),
              "Wno-serialB");
    EXPECT_EQ(list[0].time, T0 + 9 * Day);
    EXPECT_FALSE(fs::exists(*first));
    now = T0 + 11 * Day;
    EXPECT_EQ(store.prune(), 1); // 8 days old
    EXPECT_EQ(store.list().size(), 1u);
    EXPECT_TRUE(fs::exists(dir.path / "backups" / "notes.txt")); // not ours: never touched

    // 0 keeps all; more days than the clock can count back: nothing is old enough, least of
    // all the backup just made.
    for (int days : {0, 106'752, 1'000'000, std::numeric_limits<int>::max()}) {
        BackupStore longest(dir.path / "backups", days, [&] { return T0 + 1000 * Day; });
        const auto kept = longest.keep(img, BackupKind::Read, error);
        ASSERT_TRUE(kept.has_value()) << error;
        EXPECT_TRUE(fs::exists(*kept)) << days;
        EXPECT_EQ(longest.prune(), 0) << days;
    }
}

// A write keeps what the pager held (read whole, before the first byte is written) and what
// is written; nothing is written that could not be kept. A read is kept once accepted.
TEST(PagerBackupsTest, WhatEachOperationKeeps) {
    const struct {
        bool readFirst, folderBlocked, pagerUnreadable;
        OpOutcome outcome;
        std::string kept;    // newest first: W written, B before-write, R read
        std::string message; // the one message, in part; "" none
    } rows[] = {
        {true, false, false, OpOutcome::Success, "WB", ""},
        {false, false, false, OpOutcome::Success, "W", ""},
        {true, false, true, OpOutcome::Failed, "", "Read Time Out!"},
        {true, true, false, OpOutcome::Failed, "", "has not been written"},
        {false, true, false, OpOutcome::Success, "", "backup could not be kept"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.kept + r.message);
        TempDir dir;
        fs::create_directories(dir.path);
        std::ofstream(dir.path / "file") << "x";
        test::RecordedMessages messages;
        test::RecordedProgress progress;
        test::FakeEditor editor;
        test::FakePager pager(messages);
        Operations ops(editor, pager, messages, progress);
        editor.fl.ScanIdle = true;
        for (int i = 0; i < ImageSize; ++i)
            editor.img[i] = static_cast<uint8_t>(i % 251);
        test::make_valid_pager(pager.memory);
        system_clock::time_point now = T0;
        PagerBackups backups(BackupStore(dir.path / (r.folderBlocked ? "file/b" : "b"), 30,
                                         [&] { return now += std::chrono::seconds(1); }),
                             messages, r.readFirst);
        ops.setTransferObserver(&backups);
        const PagerImage before{pager.memory};
        std::string phase; // status and bar length when the whole image is read
        pager.onRead = [&](int strt) {
            if (strt != 0)
                return;
            phase = progress.status + " " + std::to_string(progress.maximum);
            EXPECT_TRUE(pager.writes.empty());
            if (r.pagerUnreadable)
                pager.failReadAt = 0;
        };
        EXPECT_EQ(ops.usb_writeall(editor.img, 0, ImageUpperBound), r.outcome);
        const PagerImage written{pager.memory};
        EXPECT_EQ(pager.writes.empty(), r.outcome == OpOutcome::Failed);
        const auto& texts = messages.texts();
        EXPECT_EQ(texts.size() == 1 && texts[0].find(r.message) != std::string::npos,
                  !r.message.empty());
        EXPECT_EQ(phase, r.readFirst ? std::string(MsgBackingUp) + " 2048" : "");
        std::string kinds;
        for (const auto& e : backups.store().list()) {
            kinds += kind_letter(e.kind);
            EXPECT_EQ(e.serial, "ABC123456789");
            // The raw bytes, in PC codes: the test image carries no model text for opening.
            PagerImage want = e.kind == BackupKind::Written ? written : before, got;
            text_from_pager(want);
            std::ifstream(e.path, std::ios::binary)
                .read(reinterpret_cast<char*>(got.data()), ImageSize);
            EXPECT_EQ(got, want);
        }
        EXPECT_EQ(kinds, r.kept);
        if (r.kept.empty())
            continue;
        pager.onRead = nullptr; // a read is kept once it is accepted, never when refused
        test::make_valid_pager(pager.memory);
        ASSERT_EQ(ops.usb_readall(0, ImageUpperBound), ReadOutcome::Accepted);
        pager.memory[AddrModelFirst] = 'X'; // not a KPR35 any more
        EXPECT_EQ(ops.usb_readall(0, ImageUpperBound), ReadOutcome::WrongModel);
        std::string after;
        for (const auto& e : backups.store().list())
            after += kind_letter(e.kind);
        EXPECT_EQ(after, "R" + r.kept);
    }
}

} // namespace
} // namespace kpr
