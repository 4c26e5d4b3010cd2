#include "ledger/station_ledger.h"

#include "ledger/attempt_facts.h"

namespace kpr {

void StationLedger::mark_writing(const std::vector<int64_t>& reservations,
                                 const PagerImage& outgoing) {
    ledger_.mark_writing(reservations, shown_serial_of(outgoing));
}

void StationLedger::record(const PagerAttempt& p, const std::vector<int64_t>& reservations) {
    LedgerAttempt a;
    a.station = station_;
    a.port = p.port;
    a.user = current_user();
    a.kind = "write";
    a.result = p.result;
    a.message = p.message;
    a.backupFile = p.backupFile;
    a.jobRow = p.jobRow;
    if (p.written)
        describe_image(a, *p.written);
    else if (p.meant)
        describe_image(a, *p.meant, false);
    ledger_.record(a, reservations);
}

} // namespace kpr
