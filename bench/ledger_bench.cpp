// Reserving a capcode with many capcodes held ahead of it: the first free capcode is found in
// one statement, not capcode by capcode.
//
//   bench_ledger [HELD] [URL]   (default 100000 held, a SQLite file in /tmp)
//
// Fills the ledger with HELD verified pagers holding consecutive capcodes from 1000000 on, then
// reserves from 1000000 twenty times (each reservation passes over all of them and is given
// back, then a verified pager is recorded after the run) and prints the median milliseconds
// per reservation against the 10 ms floor, and per record.
#include "filled_ledger.h"
#include "ledger/ledger_schema.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

using namespace kpr;
using bench::ms_since;

int main(int argc, char** argv) {
    const int held = argc > 1 ? std::stoi(argv[1]) : 100000;
    // Each verified pager holds one capcode, consecutive from 1000000 on.
    bench::FilledLedger ledger("ledger", argc > 2 ? argv[2] : "", held, [](SqliteConnection& db) {
        db.exec("INSERT INTO capcode_holds (capcode, attempt_id, serial_hex, identifies, serial)"
                " SELECT 1000000 + id - 1, id, printf('%x', id), 1, serial FROM attempts",
                {});
        rebuild_capcode_runs(db);
    });
    std::vector<double> ms, recordMs;
    Capcode got = 0;
    for (int i = 0; i < 20; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        const LedgerReservation r = ledger->reserve_capcode(1000000);
        ms.push_back(ms_since(t0));
        got = r.capcode;
        ledger->release({r.id});
        // The verified pager that takes the capcode after it, as a batch records it.
        LedgerAttempt a;
        a.kind = "write";
        a.result = "verified";
        a.serialBytes = "KB" + std::to_string(1000000000 + i);
        a.serialIdentifies = true;
        a.capcodes[0] = {1000000 + held + 1 + i, true};
        const auto t1 = std::chrono::steady_clock::now();
        ledger->record(a);
        recordMs.push_back(ms_since(t1));
    }
    std::sort(ms.begin(), ms.end());
    std::sort(recordMs.begin(), recordMs.end());
    std::printf("recording a verified pager: median %.2f ms\n", recordMs[recordMs.size() / 2]);
    std::printf("reservation past %d held capcodes (got %d): median %.2f ms, worst %.2f ms "
                "(floor 10 ms) %s\n",
                held, got, ms[ms.size() / 2], ms.back(), ms[ms.size() / 2] <= 10 ? "ok" : "SLOW");
    return got == 1000000 + held && ms[ms.size() / 2] <= 10 ? 0 : 1;
}
