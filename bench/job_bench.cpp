// Jobs: importing and checking a large order through the editor, and taking the next row in
// a ledger that holds many attempts.
//
//   bench_job [ROWS] [ATTEMPTS]   (default 10000 rows, 100000 attempts, SQLite in /tmp)
//
// Parses and checks an order of ROWS pagers (capcode.1, a shared capcode.2, a label) on the
// default image and stores it (floor 2 s for the whole import); fills the ledger with ATTEMPTS
// verified pagers, then takes twenty rows, each recorded as a verified pager, and prints the
// median milliseconds per take against the 10 ms floor.
#include "filled_ledger.h"
#include "jobs/order.h"
#include "text/default_image.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

using namespace kpr;
using bench::ms_since;

int main(int argc, char** argv) {
    const int rows = argc > 1 ? std::stoi(argv[1]) : 10000;
    const int attempts = argc > 2 ? std::stoi(argv[2]) : 100000;
    bench::FilledLedger ledger("job", "", attempts);

    std::string csv = "label;capcode.1;capcode.2:shared\r\n";
    for (int r = 0; r < rows; ++r)
        csv += "\"Unit " + std::to_string(r) + "\";" + std::to_string(300000 + r) + ";1200000\r\n";
    const auto t0 = std::chrono::steady_clock::now();
    Order order = parse_order(csv);
    const double parseMs = ms_since(t0);
    validate_order(order, default_image(), ledger.get());
    const double checkMs = ms_since(t0) - parseMs;
    NewJob job{"bench", "", "base.tbl", {}, order.columns, order.rows};
    job.base.assign(default_image().bytes().begin(), default_image().bytes().end());
    if (order.ok())
        ledger->add_job(job);
    const double importMs = ms_since(t0);

    std::vector<double> ms;
    for (int i = 0; i < 20; ++i) {
        const auto t1 = std::chrono::steady_clock::now();
        const auto row = ledger->take_job_row("bench");
        ms.push_back(ms_since(t1));
        LedgerAttempt a;
        a.kind = "write";
        a.result = "verified";
        a.jobRow = row ? row->id : 0;
        ledger->record(a);
    }
    std::sort(ms.begin(), ms.end());
    std::printf("import and check of %d rows: %.0f ms (read %.0f, checked %.0f, stored %.0f; "
                "floor 2000 ms) %s\n",
                rows, importMs, parseMs, checkMs, importMs - parseMs - checkMs,
                order.ok() && importMs <= 2000 ? "ok" : "SLOW");
    std::printf("next row with %d attempts: median %.2f ms, worst %.2f ms (floor 10 ms) %s\n",
                attempts, ms[ms.size() / 2], ms.back(), ms[ms.size() / 2] <= 10 ? "ok" : "SLOW");
    return order.ok() && importMs <= 2000 && ms[ms.size() / 2] <= 10 ? 0 : 1;
}
