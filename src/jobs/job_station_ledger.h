#pragma once
// The ledger as a station running a job uses it: each pager is the job's next row, applied to
// the job's base image; attempts are recorded as a counting station records them.
#include "ledger/station_ledger.h"

#include <mutex>

namespace kpr {

class JobStationLedger final : public PagerLedger {
  public:
    // Reads the job (LedgerError when it is not there). `ledger` is open and outlives this.
    JobStationLedger(Ledger& ledger, std::string station, std::string job);

    LedgerReservation reserve_capcode(Capcode from) override {
        return inner_.reserve_capcode(from);
    }
    void mark_writing(const std::vector<int64_t>& reservations,
                      const PagerImage& outgoing) override {
        inner_.mark_writing(reservations, outgoing);
    }
    void record(const PagerAttempt& attempt, const std::vector<int64_t>& reservations) override {
        inner_.record(attempt, reservations);
    }
    void release(const std::vector<int64_t>& reservations) override {
        inner_.release(reservations);
    }

    std::optional<JobPager> take_job_row() override;
    void mark_job_row_writing(int64_t row, const PagerImage& outgoing) override;
    void return_job_row(int64_t row) override { ledger_.return_job_row(row); }
    bool job_rows_left() override;

    const Job& job() const { return job_; }

  private:
    Ledger& ledger_;
    StationLedger inner_;
    Job job_;
    PagerImage base_;
};

} // namespace kpr
