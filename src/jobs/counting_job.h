#pragma once
// A counting batch (auto-increase with a number of pagers) kept as a job: one row per pager
// wanted, whose counted capcodes the ledger gives as each row is taken. A stopped batch is
// then resumed, listed and reported as any job.
#include "image/pager_image.h"
#include "ledger/ledger.h"

#include <string>

namespace kpr {

struct CountingBatch {
    std::string baseFile; // the table file, as the job names it
    const PagerImage* base = nullptr;
    bool counts[2] = {false, false}; // the 1st, the 2nd capcode
    int pagers = 0;
};

// Stores the batch's job in the ledger: under `name`, or when it is empty under the table
// file's name and `stamp` (made unique with -2, -3... when a batch of the same second has it).
// The name stored. LedgerError as add_job gives it.
std::string add_counting_job(Ledger& ledger, const CountingBatch& batch, const std::string& name,
                             const std::string& stamp);

} // namespace kpr
