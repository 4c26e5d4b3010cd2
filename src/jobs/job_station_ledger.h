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

    CapcodeHold hold(long long from) override { return inner_.hold(from); }
    void mark_writing(const std::vector<int64_t>& holds, const PagerImage& outgoing) override {
        inner_.mark_writing(holds, outgoing);
    }
    void record(const PagerAttempt& attempt, const std::vector<int64_t>& holds) override {
        inner_.record(attempt, holds);
    }
    void release(const std::vector<int64_t>& holds) override { inner_.release(holds); }

    std::optional<JobPager> take_row() override;
    void mark_row_writing(int64_t row, const PagerImage& outgoing) override;
    void return_row(int64_t row) override { ledger_.return_job_row(row); }

    const Job& job() const { return job_; }

  private:
    Ledger& ledger_;
    StationLedger inner_;
    Job job_;
    PagerImage base_;
};

} // namespace kpr
