#include "jobs/board_job.h"

#include "jobs/job_format.h"
#include "ledger/attempt_facts.h"

#include <algorithm>

namespace kpr {

namespace {
// The recorder's ledger, opened now if it is not yet: a job has no rows without it.
Ledger& job_ledger(LedgerRecorder& recorder, const std::string& name) {
    if (!recorder.ready(false) || !recorder.ledger())
        throw LedgerError("Job \"" + name + "\" is kept in the ledger, which cannot be used now.");
    return *recorder.ledger();
}
} // namespace

BoardJob::BoardJob(LedgerRecorder& recorder, const std::string& name)
    : recorder_(recorder), rows_(job_ledger(recorder, name), station_name(), name) {}

bool BoardJob::write(Operations& ops, const JobPager& pager) {
    recorder_.ready(false); // what was said before is not this attempt's message
    recorder_.set_job_row(pager.row, pager.reservations);
    return recorder_.record_write(ops.write_and_verify());
}

std::string BoardJob::caption(const JobPager& pager) const {
    const std::vector<JobRow>& rows = rows_.job().rows;
    const auto at =
        std::find_if(rows.begin(), rows.end(), [&](const JobRow& r) { return r.id == pager.row; });
    std::string text = "Row " + std::to_string(pager.number) + " (" +
                       std::to_string(at - rows.begin() + 1) + " of " +
                       std::to_string(rows.size()) + ")";
    return pager.label.empty() ? text : text + " - " + pager.label;
}

std::string BoardJob::describe(const JobPager& pager) const {
    return "Job \"" + name() + "\" row " + std::to_string(pager.number) +
           (pager.label.empty() ? std::string() : " (" + pager.label + ")");
}

std::string BoardJob::progress() {
    return job_progress_line(recorder_.ledger()->job(name()));
}

int BoardJob::left() {
    try {
        for (const JobSummary& j : recorder_.ledger()->jobs())
            if (j.name == name())
                return j.rows - j.verified;
    } catch (const LedgerError&) {
        // unknown, as when the job is not listed
    }
    return -1;
}

} // namespace kpr
