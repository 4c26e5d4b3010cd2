// The ledger on real databases: SQLite files in a scratch folder and a PostgreSQL server the
// test starts itself. Every behaviour test runs on both.
#include "ledger/ledger.h"
#include "ledger/ledger_format.h"
#include "ledger/sqlite_connection.h"
#include "pg_server.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

namespace kpr {
namespace {

namespace fs = std::filesystem;

fs::path scratch() {
    static int n = 0;
    fs::path p = fs::temp_directory_path() /
                 ("kpr-ledger-" + std::to_string(::getpid()) + "-" + std::to_string(++n));
    fs::remove_all(p);
    fs::create_directories(p);
    return p;
}

LedgerAttempt write_of(const std::string& serial, int32_t capcode, const std::string& result,
                       const std::string& time = "") {
    LedgerAttempt a;
    a.time = time;
    a.station = "bench";
    a.user = "op";
    a.kind = "write";
    a.serial = serial;
    a.capcodes[0] = {capcode, true};
    a.capcodes[1] = {9, false};
    a.result = result;
    return a;
}

// Waits for a child process; true when it exited with status 0.
bool exited_ok(pid_t pid) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

class LedgerTest : public ::testing::TestWithParam<std::string> {
  protected:
    void SetUp() override {
        if (GetParam() == "postgresql") {
            static test::PgServer server;
            if (!server.problem().empty())
                GTEST_SKIP() << "PostgreSQL: " << server.problem();
            static int n = 0;
            url = server.fresh_database("ledger" + std::to_string(++n));
        } else {
            dir = scratch();
            url = (dir / "sub" / "ledger.sqlite").string(); // folder made on first use
        }
    }
    void TearDown() override {
        if (!dir.empty())
            fs::remove_all(dir);
    }
    std::unique_ptr<Ledger> open(const std::string& station = "bench") {
        auto l = make_ledger(url, "");
        l->open(station);
        return l;
    }
    std::string url;
    fs::path dir;
};

TEST_P(LedgerTest, ListsAttemptsNewestFirstByFilter) {
    auto l = open();
    l->record(write_of("KS1", 100, "verified", "2026-01-05T10:00:00Z"));
    l->record(write_of("KS2", 200, "failed", "2026-02-01T10:00:00Z"));
    LedgerAttempt read = write_of("KS1", 300, "read", "2026-03-01T10:00:00Z");
    read.kind = "read";
    read.imageSha256 = "ab12";
    l->record(read);
    l->record(write_of("KS3", 100, "cancelled", "2026-02-01T10:00:00Z"));
    const auto all = l->query({});
    ASSERT_EQ(all.size(), 4u);
    EXPECT_EQ(all[0].kind + all[0].imageSha256 + all[0].port, "readab12");
    const auto& c = all[0].capcodes;
    EXPECT_TRUE(c[0].capcode == 300 && c[0].on && c[1].capcode == 9 && !c[1].on);

    const struct {
        LedgerFilter filter;
        std::vector<std::string> serials;
    } rows[] = {
        {{}, {"KS1", "KS3", "KS2", "KS1"}}, // the same time: the later record first
        {{"2026-02-01", "", {}, ""}, {"KS1", "KS3", "KS2"}},
        {{"", "KS1", {}, ""}, {"KS1", "KS1"}},
        {{"", "", 100, ""}, {"KS3", "KS1"}},
        {{"", "", 9, ""}, {"KS1", "KS3", "KS2", "KS1"}}, // slot 2, box off
        {{"", "", {}, "failed"}, {"KS2"}},
        {{"2026-01-06", "KS1", 100, ""}, {}},
    };
    for (const auto& r : rows) {
        std::vector<std::string> got;
        for (const auto& a : l->query(r.filter))
            got.push_back(a.serial);
        EXPECT_EQ(got, r.serials) << r.filter.since << r.filter.serial;
    }
}

// One step after the other: a record (serial set) or a reservation from `capcode`.
TEST_P(LedgerTest, ReservationsSkipCapcodesInOtherPagers) {
    const struct {
        const char* serial;
        int32_t capcode;
        const char* result;   // of a record
        int32_t reserved = 0; // of a reservation
        const char* skipped = "";
    } steps[] = {
        {"KS2026000017", 1234570, "verified"},
        {"KS2026000018", 1234573, "failed"}, // never in a pager
        {nullptr, 1234570, "", 1234571,
         "Capcode 1234570 is in pager KS2026000017 already: skipped"},
        {nullptr, 1234571, "", 1234572},     // an open reservation is passed over without a word
        {"KS2026000019", 1234572, "failed"}, // records the last reservation: released
        {nullptr, 1234572, "", 1234572},
        {"KS2026000017", 555, "verified"}, // the pager got other capcodes since
        {nullptr, 1234570, "", 1234570},
    };
    auto l = open();
    LedgerReservation last;
    for (const auto& s : steps) {
        if (s.serial) {
            l->record(write_of(s.serial, s.capcode, s.result), {last.id});
            continue;
        }
        last = l->reserve_capcode(s.capcode, "bench");
        EXPECT_EQ(last.capcode, s.reserved) << s.capcode;
        EXPECT_EQ(testing::PrintToString(last.skipped),
                  testing::PrintToString(*s.skipped ? std::vector<std::string>{s.skipped}
                                                    : std::vector<std::string>{}));
    }
}

TEST_P(LedgerTest, AStationsCrashLeftReservationsAreReleasedAtItsNextStart) {
    const pid_t pid = ::fork();
    if (pid == 0) // ends without recording, as a crash would
        ::_exit(open()->reserve_capcode(700, "bench").capcode == 700 ? 0 : 1);
    ASSERT_TRUE(exited_ok(pid));
    auto live = open("bench");
    EXPECT_EQ(live->reserve_capcode(700, "bench").capcode, 700);
    // A second run on the same station keeps the live run's reservation.
    EXPECT_EQ(open("bench")->reserve_capcode(700, "bench").capcode, 701);
}

TEST_P(LedgerTest, TwoProcessesReservingAtOnceNeverGetTheSameCapcode) {
    pid_t kids[2];
    for (int k = 0; k < 2; ++k)
        if ((kids[k] = ::fork()) == 0)
            ::_exit([&] {
                try {
                    auto l = open("station" + std::to_string(k));
                    for (int i = 0, next = 100; i < 12; ++i) {
                        const LedgerReservation r = l->reserve_capcode(next, "s");
                        l->record(
                            write_of("K" + std::to_string(k * 100 + i), r.capcode, "verified"),
                            {r.id});
                        next = r.capcode + 1;
                    }
                    return 0;
                } catch (const LedgerError&) {
                    return 1;
                }
            }());
    const bool first = exited_ok(kids[0]), second = exited_ok(kids[1]); // both waited for
    EXPECT_TRUE(first && second);
    std::set<int32_t> recorded;
    for (const auto& a : open()->query({"", "", {}, "verified"}))
        recorded.insert(a.capcodes[0].capcode);
    EXPECT_EQ(recorded.size(), 24u); // 24 records, 24 different capcodes
}

INSTANTIATE_TEST_SUITE_P(Databases, LedgerTest, ::testing::Values("sqlite", "postgresql"));

// The log view's filter box: every word in one of the row's values, in any case.
TEST(LedgerFilterBox, KeepsRowsHoldingEveryWord) {
    LedgerAttempt a = write_of("KS2026000017", 1234570, "verified", "2026-03-01T12:00:00Z");
    a.message = "Verify Success!";
    const std::pair<const char*, bool> rows[] = {
        {"", true},         {"ks2026000017", true},  {" 1234570  VERIFIED ", true},
        {"0000009", true},  {"success bench", true}, {"1234570 failed", false},
        {"capcode", false}, {"KS2026000018", false}};
    for (const auto& [text, kept] : rows)
        EXPECT_EQ(ledger_row_matches(a, text), kept) << text;
}

// A CSV field holding a quote (or a separator, a line break) is quoted, its quotes doubled.
TEST(LedgerCsv, FieldsThatNeedItAreQuoted) {
    LedgerAttempt a = write_of("KS2026000017", 1234570, "failed", "2026-03-01T12:00:00Z");
    for (const auto& [message, field] : {std::pair{"say \"no\"", "\"say \"\"no\"\"\""},
                                         {"a,b", "\"a,b\""},
                                         {"a\nb", "\"a\nb\""}}) {
        a.message = message;
        EXPECT_THAT(ledger_csv({a}), ::testing::EndsWith("," + std::string(field) + "\r\n"));
    }
}

std::string file_bytes(const std::string& p) {
    std::ifstream f(p, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

// What cannot be used is said before anything is written, and is left as it was.
TEST(LedgerRefusal, DamagedNewerOrUnreachableLedgersAreRefusedUntouched) {
    const fs::path dir = scratch();
    const std::string damaged = (dir / "damaged.sqlite").string();
    const std::string newer = (dir / "newer.sqlite").string();
    std::ofstream(damaged) << std::string(4096, 'x');
    make_ledger(newer, "")->open("bench");
    {
        SqliteConnection raw(newer);
        raw.connect();
        raw.exec("INSERT INTO schema_version (version) VALUES (99)", {});
    }
    const std::pair<std::string, std::string> rows[] = {
        {damaged, "ledger file " + damaged + " is damaged or is not a ledger"},
        {"sqlite:" + newer, "was made by a newer version of this program (schema 99"},
        {"postgresql://127.0.0.1:1/ledger", "Cannot reach the ledger postgresql://127.0.0.1:1"}};
    for (const auto& [url, message] : rows) {
        const std::string path = url.rfind("sqlite:", 0) == 0 ? url.substr(7) : url;
        const std::string before = file_bytes(path);
        try {
            make_ledger(url, "")->open("bench");
            ADD_FAILURE() << url << " opened";
        } catch (const LedgerError& e) {
            EXPECT_THAT(e.what(), ::testing::HasSubstr(message));
        }
        EXPECT_EQ(file_bytes(path), before) << url;
    }
    fs::remove_all(dir);
}

} // namespace
} // namespace kpr
