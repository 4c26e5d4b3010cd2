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
    Capcode first, second; // the capcodes counted from
    bool inc1 = true, inc2 = false;
    int wanted = 0; // pagers in work at most; 0 for no limit
    // Steps apart by spaces: "take" a reservation (shows "c1/c2", or "none"); "doneN" / "backN"
    // the N-th one taken verified / given back ("doneN" shows "limit" for every
    // capcode-1-at-its-largest message); "close" the counter.
    const char* steps;
    const char* shows;
};

const Row rows[] = {
    {.what = "both count up",
     .first = 100,
     .second = 200,
     .inc2 = true,
     .steps = "take take done0 done1",
     .shows = "100/200 101/201"},
    {.what = "only the 2nd counts",
     .first = 5,
     .second = 7,
     .inc1 = false,
     .inc2 = true,
     .steps = "take take",
     .shows = "5/7 5/8"},
    {.what = "a failed pager's capcodes go first",
     .first = 10,
     .second = 0,
     .steps = "take take take back1 take take",
     .shows = "10/0 11/0 12/0 11/0 13/0"},
    {.what = "given back in queue order",
     .first = 10,
     .second = 0,
     .steps = "take take take back2 back1 take take take",
     .shows = "10/0 11/0 12/0 11/0 12/0 13/0"},
    {.what = "1st stays at its largest, with the message",
     .first = 2097150,
     .second = 0,
     .steps = "take take take done0 done1 done2",
     .shows = "2097150/0 2097151/0 2097151/0 limit limit"},
    {.what = "2nd counts on when the 1st cannot",
     .first = 2097151,
     .second = 5,
     .inc2 = true,
     .steps = "take take done0",
     .shows = "2097151/5 2097151/6 limit"},
    {.what = "no more than wanted in work",
     .first = 10,
     .second = 0,
     .wanted = 2,
     .steps = "take take take done0 take back1 take take",
     .shows = "10/0 11/0 none none 11/0 none"},
    {.what = "closed gives nothing",
     .first = 10,
     .second = 0,
     .steps = "take close take",
     .shows = "10/0 none"},
};

TEST(CapcodeCounter, Table) {
    for (const Row& row : rows) {
        CapcodeCounter c(row.first, row.second, row.inc1, row.inc2, row.wanted);
        std::vector<CapcodeReservation> taken;
        std::ostringstream out;
        std::istringstream steps(row.steps);
        std::string step;
        while (steps >> step) {
            if (step == "take") {
                auto r = c.try_reserve();
                out << ' '
                    << (r ? std::to_string(r->capcode[0]) + "/" + std::to_string(r->capcode[1])
                          : "none");
                if (r)
                    taken.push_back(*r);
            } else if (step == "close") {
                c.close();
            } else {
                const CapcodeReservation& r = taken.at(std::stoul(step.substr(4)));
                if (step.starts_with("back"))
                    c.give_back(r);
                else
                    for (const std::string& m : c.finalize(r))
                        out << (m == "Capcode 1 > 2097151 so can not be increase!" ? " limit"
                                                                                   : " ?");
            }
        }
        EXPECT_EQ(out.str().substr(1), row.shows) << row.what;
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
            station.release(r.reservations);
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
