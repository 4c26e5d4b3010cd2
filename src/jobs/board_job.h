#pragma once
// One board writing a job's rows, a pager each, as `kprtool write --job` and the window's Run
// do: the job's next row taken from the ledger as its pager goes in and applied to the job's
// base image (as a station position takes it), then written and verified with the attempt
// recorded against the row, so the ledger settles the row: verified, or back at the front of
// the job. Used on the thread the board's operations run on.
#include "jobs/job_station_ledger.h"
#include "ledger/ledger_recorder.h"
#include "ops/operations.h"

#include <optional>
#include <string>

namespace kpr {

class BoardJob {
  public:
    // The job as the ledger the recorder records in holds it. LedgerError when that ledger
    // cannot be used, the job is not there or its base image is damaged.
    BoardJob(LedgerRecorder& recorder, const std::string& name);

    const std::string& name() const { return rows_.job().summary.name; }
    // The next row, taken for this program, its image made; nothing when no row is left.
    // LedgerError when the job is gone, the row's capcode is now a verified pager's, or the
    // editor refuses the row (it is given back then).
    std::optional<JobPager> take() { return rows_.take_job_row(); }
    // A taken row whose pager is not written after all goes back to the front, the
    // capcodes a counting job's row was given free again.
    void give_back(const JobPager& pager) {
        rows_.release(pager.reservations);
        rows_.return_job_row(pager.row);
    }
    // Writes and verifies the image the editor holds (the pager's: the caller loads it) and
    // records the attempt against the row. False when it could not be recorded (the reason
    // was shown); the write's outcome is ops.lastOutcome().
    bool write(Operations& ops, const JobPager& pager);

    // "Row 4 (3 of 12) - Ward 4B": the row as the order and the delivery note number it,
    // its place among the job's pagers, and its label.
    std::string caption(const JobPager& pager) const;
    // "Job "ward" row 4 (Ward 4B)".
    std::string describe(const JobPager& pager) const;
    // The job's rows not yet verified, as the ledger counts them now; -1 when it cannot say.
    int left();
    // Where the job stands now (job_progress_line). LedgerError when the ledger cannot say.
    std::string progress();

  private:
    LedgerRecorder& recorder_;
    JobStationLedger rows_;
};

} // namespace kpr
