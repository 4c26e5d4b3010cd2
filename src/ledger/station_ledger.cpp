#include "ledger/station_ledger.h"

#include "ledger/attempt_facts.h"

namespace kpr {

CapcodeHold StationLedger::hold(long long from) {
    const LedgerReservation r = ledger_.reserve_capcode(static_cast<int32_t>(from));
    return {r.id, r.capcode, r.skipped};
}

void StationLedger::mark_writing(const std::vector<int64_t>& holds, const PagerImage& outgoing) {
    ledger_.mark_writing(holds, shown_serial_of(outgoing));
}

void StationLedger::record(const PagerAttempt& p, const std::vector<int64_t>& holds) {
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
    ledger_.record(a, holds);
}

void StationLedger::release(const std::vector<int64_t>& holds) {
    ledger_.release(holds);
}

} // namespace kpr
