#include "jobs/counting_job.h"

#include "settings/capcode.h"

namespace kpr {

namespace {

bool name_taken(Ledger& ledger, const std::string& name) {
    for (const JobSummary& s : ledger.jobs())
        if (s.name == name)
            return true;
    return false;
}

} // namespace

std::string add_counting_job(Ledger& ledger, const CountingBatch& batch, const std::string& name,
                             const std::string& stamp) {
    NewJob job;
    job.baseFile = batch.baseFile;
    job.base.assign(batch.base->bytes().begin(), batch.base->bytes().end());
    std::vector<std::string> first;
    for (int i = 0; i < 2; ++i)
        if (batch.counts[i]) {
            job.columns.push_back({"capcode." + std::to_string(i + 1), false, true});
            // Counting starts at the table file's capcode; every later row's is given as it
            // is taken.
            first.push_back(capcode_text(decode_capcode(*batch.base, i)));
        }
    for (int r = 1; r <= batch.pagers; ++r)
        job.rows.push_back({r, r == 1 ? first : std::vector<std::string>(first.size())});

    if (!name.empty()) {
        job.name = name;
        ledger.add_job(job);
        return job.name;
    }
    std::string file = batch.baseFile;
    if (file.size() > 4 && file.compare(file.size() - 4, 4, ".tbl") == 0)
        file.resize(file.size() - 4);
    for (int n = 1;; ++n) {
        job.name = file + "-" + stamp + (n > 1 ? "-" + std::to_string(n) : std::string());
        if (name_taken(ledger, job.name))
            continue;
        try {
            ledger.add_job(job);
            break;
        } catch (const LedgerError&) {
            if (!name_taken(ledger, job.name))
                throw; // not another batch of the same second: the reason to tell
        }
    }
    return job.name;
}

} // namespace kpr
