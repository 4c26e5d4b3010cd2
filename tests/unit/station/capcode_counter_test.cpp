#include <gtest/gtest.h>

#include "ledger/station_ledger.h"
#include "station/capcode_counter.h"
#include "support/scratch_dir.h"

#include <unistd.h>

#include <filesystem>

#include <sstream>
#include <thread>

using namespace kpr;

namespace {

struct Row {
    const char* what;
    long long first, second;
    bool inc1, inc2;
    int wanted;
    // r: reserve (prints "c1/c2" or "none"); fN / bN: finalize / give back the N-th
    // reservation (finalize prints "!1" per capcode-1 limit message); c: close.
    const char* steps;
    const char* expect;
};

const Row rows[] = {
    {"both count up", 100, 200, true, true, 0, "r r f0 f1", "100/200 101/201"},
    {"only the 2nd counts", 5, 7, false, true, 0, "r r", "5/7 5/8"},
    {"a failed pager's capcodes go first", 10, 0, true, false, 0, "r r r b1 r r",
     "10/0 11/0 12/0 11/0 13/0"},
    {"given back in queue order", 10, 0, true, false, 0, "r r r b2 b1 r r r",
     "10/0 11/0 12/0 11/0 12/0 13/0"},
    {"1st stays at its largest, with the message", 2097150, 0, true, false, 0, "r r r f0 f1 f2",
     "2097150/0 2097151/0 2097151/0 !1 !1"},
    {"2nd counts on when the 1st cannot", 2097151, 5, true, true, 0, "r r f0",
     "2097151/5 2097151/6 !1"},
    {"no more than wanted in work", 10, 0, true, false, 2, "r r r f0 r b1 r r",
     "10/0 11/0 none none 11/0 none"},
    {"closed gives nothing", 10, 0, true, false, 0, "r c r", "10/0 none"},
};

TEST(CapcodeCounter, Table) {
    for (const Row& row : rows) {
        CapcodeCounter c(row.first, row.second, row.inc1, row.inc2, row.wanted);
        std::vector<CapcodeReservation> taken;
        std::ostringstream out;
        std::istringstream steps(row.steps);
        std::string step;
        while (steps >> step) {
            if (step == "r") {
                auto r = c.try_reserve();
                out << ' '
                    << (r ? std::to_string(r->capcode[0]) + "/" + std::to_string(r->capcode[1])
                          : "none");
                if (r)
                    taken.push_back(*r);
            } else if (step == "c") {
                c.close();
            } else {
                const CapcodeReservation& r = taken.at(std::stoul(step.substr(1)));
                if (step[0] == 'b')
                    c.give_back(r);
                else
                    for (const std::string& m : c.finalize(r))
                        out << (m == "Capcode 1 > 2097151 so can not be increase!" ? " !1" : " ?");
            }
        }
        EXPECT_EQ(out.str().substr(1), row.expect) << row.what;
    }
}

// A position waiting while the last pagers wanted are in work takes the capcodes of one
// that fails.
TEST(CapcodeCounter, WaitingReserveTakesWhatIsGivenBack) {
    CapcodeCounter c(10, 0, true, false, 1);
    const auto first = c.reserve();
    std::optional<CapcodeReservation> second;
    std::thread waiter([&] { second = c.reserve(); });
    c.give_back(*first);
    waiter.join();
    ASSERT_TRUE(second);
    EXPECT_EQ(second->capcode[0], 10);
}

// With a ledger, the counter passes over capcodes other pagers hold or are written with,
// saying so once even when a given-back pager walks past one again, and goes on after the
// capcode it took.
TEST(CapcodeCounter, PassesOverCapcodesTheLedgerShowsInAnotherPager) {
    const test::ScratchDir scratch;
    const std::string file = scratch.path("ledger.sqlite");
    auto ledger = open_ledger(file, "");
    LedgerAttempt held;
    held.kind = "write";
    held.serialBytes = "KS2026000017";
    held.serialIdentifies = true;
    held.capcodes[0] = {11, true};
    held.result = "verified";
    ledger->record(held);
    StationLedger station(*ledger, "here");
    CapcodeCounter c(10, 0, true, false, 0, &station);
    std::ostringstream out;
    std::vector<CapcodeReservation> taken;
    // b0: the first pager fails; o: another station takes its capcode meanwhile.
    for (const char* step : {"r", "r", "b0", "o", "r", "r"}) {
        if (step[0] == 'o') {
            ledger->reserve_capcode(10);
            continue;
        }
        if (step[0] == 'b') {
            const CapcodeReservation& r = taken.at(std::stoul(step + 1));
            station.release(r.holds);
            c.give_back(r);
            continue;
        }
        taken.push_back(*c.try_reserve());
        out << ' ' << taken.back().capcode[0];
        for (const std::string& note : taken.back().notes)
            out << " (" << note << ')';
    }
    EXPECT_EQ(out.str(),
              " 10 12 (Capcode 0000011 is in pager KS2026000017 already: skipped) 13 14");
}

} // namespace
