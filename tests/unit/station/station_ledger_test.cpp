// A station whose ledger fails between a pager's write and its record, on real ledgers (a
// SQLite file another program has locked, a PostgreSQL server frozen, one record refused
// while the ledger works on for the other board) and simulated
// boards in the same process: the verified pager is named as unrecorded, no board takes
// another pager, and its capcode stays held for every later reservation.
#include "editor/editor.h"
#include "editor/editor_adapter.h"
#include "ledger/attempt_facts.h"
#include "ledger/sqlite_connection.h"
#include "ledger/station_ledger.h"
#include "platform/steady_clock.h"
#include "sim/sim_serial_port.h"
#include "station/station.h"
#include "station/station_editor.h"
#include "support/pg_server.h"
#include "support/recorders.h"
#include "support/scratch_dir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <mutex>
#include <thread>

namespace kpr {
namespace {

class Sink final : public StationSink {
  public:
    void message(int, const std::string&, const std::string& text, MessageIcon) override {
        std::lock_guard lock(mutex);
        said += text + "\n";
    }
    bool next_pager(int, const std::string&, PagerWait why) override {
        return why == PagerWait::Next;
    }
    void pager_done(const PagerRecord& r) override {
        std::lock_guard lock(mutex);
        records.push_back(r);
    }
    std::mutex mutex;
    std::vector<PagerRecord> records;
    std::string said;
};

// The real ledger, with the database failing once, right after the first pager's write was
// marked and before anything is recorded.
class BreaksAfterTheFirstMark final : public PagerLedger {
  public:
    BreaksAfterTheFirstMark(PagerLedger& inner, std::function<void()> breakIt)
        : inner_(inner), break_(std::move(breakIt)) {}
    LedgerReservation reserve_capcode(Capcode from) override {
        return inner_.reserve_capcode(from);
    }
    void mark_writing(const std::vector<int64_t>& reservations,
                      const PagerImage& outgoing) override {
        inner_.mark_writing(reservations, outgoing);
        if (!broken_.exchange(true))
            break_();
    }
    void record(const PagerAttempt& a, const std::vector<int64_t>& reservations) override {
        if (refuseOne.exchange(false))
            throw LedgerError("The ledger refused a value.");
        inner_.record(a, reservations);
    }
    std::atomic<bool> refuseOne{false}; // the next record only, the ledger working on
    void release(const std::vector<int64_t>& reservations) override {
        inner_.release(reservations);
    }

  private:
    PagerLedger& inner_;
    std::function<void()> break_;
    std::atomic<bool> broken_{false};
};

class StationLedgerFault : public ::testing::TestWithParam<std::string> {};

TEST_P(StationLedgerFault, AVerifiedPagerTheLedgerCannotTakeStopsTheRunAndKeepsItsCapcode) {
    // Long enough that no statement before the break runs out on a loaded machine.
    ::setenv("KPR_LEDGER_TIMEOUT", "2", 1);
    const test::ScratchDir scratch;
    std::string url;
    std::unique_ptr<SqliteConnection> locker; // holds the SQLite file's writer lock
    std::function<void()> breakIt, mend = [&] { locker.reset(); };
    BreaksAfterTheFirstMark* self = nullptr;
    if (GetParam() == "postgresql") {
        ::unsetenv("KPR_LEDGER_TIMEOUT");
        const auto db = test::fresh_pg_database("station_fault");
        if (!db)
            GTEST_SKIP() << "PostgreSQL: " << test::shared_pg_server().problem();
        ::setenv("KPR_LEDGER_TIMEOUT", "2", 1);
        url = *db;
        // At once: no board gets past it meanwhile.
        breakIt = [] { test::shared_pg_server().freeze(); };
        mend = [] { test::shared_pg_server().thaw(); };
    } else {
        url = scratch.path("station.sqlite");
        breakIt = [&] {
            if (GetParam() == "refused") {
                self->refuseOne = true;
                return;
            }
            locker = std::make_unique<SqliteConnection>(url);
            locker->connect(LedgerAccess::Record);
            locker->exec("BEGIN EXCLUSIVE", {});
        };
    }
    auto ledger = open_ledger(url, "");
    StationLedger real(*ledger, "bench");
    BreaksAfterTheFirstMark failing(real, breakIt);
    self = &failing;

    test::RecordedMessages quiet;
    Editor first(quiet);
    EditorAdapter(first).store_capcode_text(0, "1300000");
    auto counter = counter_from_editor(first, true, false, 50, &failing);
    SimBoards boards(2, SimSerialPort::Instant);
    SteadyClock clock;
    StationSetup setup;
    setup.ports = boards.ports();
    setup.makePort = [&](const std::string& name) { return boards.port(name); };
    setup.clock = &clock;
    setup.loadEditor = load_image_into(first.image());
    Sink sink;
    Station station(setup, *counter, sink);
    station.run();

    // After the first unrecorded pager, only the other board's pager in work at that moment
    // may end (unrecorded too): no board takes another one.
    int unrecorded = 0;
    std::size_t after = 0;
    Capcode held = 0;
    for (const PagerRecord& r : sink.records) {
        after += unrecorded > 0;
        if (r.unrecorded && unrecorded++ == 0)
            held = r.capcode[0];
        EXPECT_TRUE(!r.unrecorded || (r.verified && !r.serial.empty()));
    }
    EXPECT_GE(unrecorded, 1) << sink.said;
    EXPECT_LE(after, 1u) << "boards went on taking pagers\n" << sink.said;
    EXPECT_THAT(sink.said, ::testing::HasSubstr("verified, but the ledger could not record it"));

    mend();
    auto later = open_ledger(url, "");
    bool open = false;
    for (const OpenReservation& r : later->open_reservations())
        open = open || (r.capcode == held && r.writing);
    EXPECT_TRUE(open) << held;
    EXPECT_NE(later->reserve_capcode(held).capcode, held);
    ::unsetenv("KPR_LEDGER_TIMEOUT");
}

INSTANTIATE_TEST_SUITE_P(Databases, StationLedgerFault,
                         ::testing::Values("sqlite", "postgresql", "refused"));

} // namespace
} // namespace kpr
