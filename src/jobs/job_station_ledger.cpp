#include "jobs/job_station_ledger.h"

#include "jobs/order.h"
#include "ledger/attempt_facts.h"

namespace kpr {

JobStationLedger::JobStationLedger(Ledger& ledger, std::string station, std::string job)
    : ledger_(ledger), inner_(ledger, std::move(station)), job_(ledger.job(job)) {
    if (job_.base.size() != base_.bytes().size())
        throw LedgerError("The base image of job \"" + job_.summary.name + "\" in the ledger " +
                          ledger.location() + " is damaged. Restore it from a backup.");
    std::copy(job_.base.begin(), job_.base.end(), base_.bytes().begin());
}

std::optional<JobPager> JobStationLedger::take_job_row() {
    const std::optional<JobRow> row = ledger_.take_job_row(job_.summary.name);
    if (!row)
        return std::nullopt;
    std::vector<OrderProblem> problems;
    const auto image = apply_job_row(base_, job_.columns, row->values, row->row, &problems);
    if (!image) {
        // Checked at import; a row the editor refuses now is not written.
        ledger_.release(row->reservations);
        ledger_.return_job_row(row->id);
        throw LedgerError(problems.empty()
                              ? "Job \"" + job_.summary.name + "\" row " +
                                    std::to_string(row->row) + " was refused by the editor."
                              : describe_order_problem(problems[0], job_.summary.name));
    }
    return JobPager{row->id, row->row, row->label, *image, row->reservations, row->skipped};
}

void JobStationLedger::mark_job_row_writing(int64_t row, const PagerImage& outgoing) {
    ledger_.mark_job_row_writing(row, shown_serial_of(outgoing));
}

bool JobStationLedger::job_rows_left() {
    for (const JobSummary& j : ledger_.jobs())
        if (j.name == job_.summary.name)
            return j.pending + j.failed > 0;
    return true; // the job is gone: the next take says so
}

} // namespace kpr
