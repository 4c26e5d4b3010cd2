#pragma once
// A job as people read it: `kprtool job show` (text, CSV, JSON) and the delivery note.
#include "ledger/ledger.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace kpr {

// row, label, settings, state, serial, time.
const std::vector<std::string>& job_row_columns();
std::vector<std::string> job_row_fields(const Job& job, const JobRow& row);

// What a row's pager carries: the base with the row applied, read back as the editor shows it.
struct JobRowFacts {
    std::array<LedgerCapcode, 8> capcodes{};
    std::string frequency; // as the editor shows it
};
std::optional<JobRowFacts> job_row_facts(const Job& job, const JobRow& row);
// The capcodes whose ON box is ticked: "1:0012345 2:0000777".
std::string capcodes_on_text(const JobRowFacts& facts);

// Where a job stands, in a line: finished once every row is verified; otherwise how many
// are, and the rows failed (back in line), held (taken by a station, or until their pager is
// checked) and still pending.
std::string job_progress_line(const Job& job);

// The delivery note as CSV: one line per row, done or not, with a header line.
std::string delivery_note_csv(const Job& job);

} // namespace kpr
