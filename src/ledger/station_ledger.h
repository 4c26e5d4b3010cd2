#pragma once
// The ledger as a station uses it: capcode reservations and pager attempts under this station's
// name, recorded with the facts of the image that went to the pager.
#include "ledger/ledger.h"
#include "station/pager_ledger.h"

namespace kpr {

class StationLedger final : public PagerLedger {
  public:
    // `ledger` is open and outlives this; `station` is the name it was opened with.
    StationLedger(Ledger& ledger, std::string station)
        : ledger_(ledger), station_(std::move(station)) {}

    LedgerReservation reserve_capcode(Capcode from) override {
        return ledger_.reserve_capcode(from);
    }
    void mark_writing(const std::vector<int64_t>& reservations,
                      const PagerImage& outgoing) override;
    void record(const PagerAttempt& attempt, const std::vector<int64_t>& reservations) override;
    void release(const std::vector<int64_t>& reservations) override {
        ledger_.release(reservations);
    }

  private:
    Ledger& ledger_;
    std::string station_;
};

} // namespace kpr
