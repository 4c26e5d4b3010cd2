// Backups: names, keeping and pruning on a fake clock, and what the programming operations
// leave behind through the observer.
#include "backup/backup_store.h"
#include "editor/editor.h"
#include "editor/editor_adapter.h"
#include "ops/board_session.h"
#include "support/fake_port_lister.h"
#include "support/image_file.h"
#include "support/recorders.h"
#include "support/scratch_dir.h"
#include "support/sim_peer.h"
#include "tables/table_file.h"
#include "text/charset.h"

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

// The store makes its own folder: the tests start from one that does not exist.
struct TempDir {
    test::ScratchDir scratch;
    const fs::path path = scratch.dir() / "home";
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
    PagerImage img{default_sim_memory(SimDefaultFirmware, "AB-123456789")};
    EXPECT_EQ(backup_serial_tag(img), "AB123456789");
    img[AddrSerialFirst] ^= 1; // the checksum no longer matches
    EXPECT_EQ(backup_serial_tag(img), "no-serial");
}

TEST(BackupStoreTest, KeepsListsNewestFirstAndPrunesByTheClock) {
    TempDir dir;
    system_clock::time_point now = T0;
    BackupStore store(dir.path / "backups", 7, [&] { return now; });
    std::string error;
    const PagerImage img{default_sim_memory()};

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
// is written; nothing is written that could not be kept. A read is kept once accepted. The
// real link and operations, the simulated board behind a fake port on a fake clock.
TEST(PagerBackupsTest, WhatEachOperationKeeps) {
    const std::string Port = "/dev/ttyKPR0", VS = "Verify Success!";
    const std::string notKept = "The pager's backup could not be kept. ";
    const struct {
        bool readFirst, folderBlocked, badChecksum;
        std::string kept;              // newest first: W written, B before-write, R read
        std::vector<std::string> said; // the messages; the backup's by its start
    } rows[] = {
        {true, false, false, "WB", {VS}},
        {false, false, false, "W", {VS}},
        {true, false, true, "", {"Read error!"}},
        {true, true, false, "", {notKept + "-"}}, // "-": "The pager has not been written."
        {false, true, false, "", {notKept, VS}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.kept + r.said[0]);
        TempDir dir;
        fs::create_directories(dir.path);
        std::ofstream(dir.path / "file") << "x";
        test::FakeClock clock;
        test::FakeSerialPort port{clock};
        test::FakePortLister lister{{Port}};
        test::RecordedMessages msgs;
        test::RecordedProgress progress;
        Editor editor{msgs};
        EditorAdapter hooks{editor};
        BoardSession session{{port, lister, clock}, hooks, msgs, progress};
        UsbLink& link = session.usb();
        SimFaults faults;
        faults.badChecksum = r.badChecksum;
        test::SimPeer peer(default_sim_memory(), faults);
        port.attach(Port, &peer);
        link.BoardPort = Port;
        editor.startup_finish({}, false);
        editor.flags().ScanIdle = true;
        editor.user_change("WriteOpt", 1); // writing is refused in "Modify Mode"
        system_clock::time_point now = T0;
        auto kept = std::make_unique<PagerBackups>(
            BackupStore(dir.path / (r.folderBlocked ? "file/b" : "b"), 30,
                        [&] { return now += std::chrono::seconds(1); }),
            msgs, r.readFirst);
        PagerBackups& backups = *kept;
        session.setObserver(std::move(kept));
        const PagerImage before{peer.board.memory()};
        for (int a = 120; a < ImageSize; a += 128) // differs from the pager's in every block
            editor.image()[a] ^= 0x01;
        std::string phase; // the status, bar length and pager at the bar's first move
        progress.at = 1;
        progress.action = [&] {
            phase = progress.status + " " + std::to_string(progress.maximum) +
                    (PagerImage{peer.board.memory()} == before ? "" : " written");
        };
        editor.flags().OperationKind = OperationKind::Write;
        session.activate();
        const PagerImage written{peer.board.memory()};
        std::vector<std::string> said = msgs.texts();
        for (auto& m : said)
            if (m.rfind(notKept, 0) == 0)
                m = notKept +
                    (m.find("The pager has not been written.") == std::string::npos ? "" : "-");
        EXPECT_EQ(said, r.said);
        EXPECT_EQ(written == before, said.back() != VS);          // written only when verified
        const bool backingUp = phase.rfind(MsgBackingUp, 0) == 0; // the backup's bar comes first
        EXPECT_EQ(backingUp ? phase : "",
                  r.readFirst && !r.badChecksum ? std::string(MsgBackingUp) + " 2048" : "");
        std::string kinds;
        for (const auto& e : backups.store().list()) {
            kinds += kind_letter(e.kind);
            EXPECT_EQ(e.serial, SimDefaultSerial);
            // The raw bytes, in PC codes.
            PagerImage want = e.kind == BackupKind::Written ? written : before;
            text_from_pager(want);
            EXPECT_EQ(test::load_image_file(e.path.string()), want);
        }
        EXPECT_EQ(kinds, r.kept);
        if (r.kept.empty())
            continue;
        msgs.clear(); // a read is kept once it is accepted
        editor.flags().OperationKind = OperationKind::Read;
        session.activate();
        ASSERT_EQ(msgs.texts(), std::vector<std::string>{"Read success!"});
        EXPECT_EQ(kind_letter(backups.store().list()[0].kind) + r.kept, "R" + r.kept);
    }
}

} // namespace
} // namespace kpr
