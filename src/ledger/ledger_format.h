#pragma once
// The log as CSV (RFC 4180, one header line), the form a paging terminal imports, and as the
// short listing; shared by `kprtool log` and the window's log view.
#include "ledger/ledger.h"

#include <string>
#include <vector>

namespace kpr {

// The column names, in order; ledger_row gives one row's values the same way.
const std::vector<std::string>& ledger_columns();
std::vector<std::string> ledger_row(const LedgerAttempt& a);

std::string ledger_csv(const std::vector<LedgerAttempt>& rows);
// Writes ledger_csv(rows) to path (safe_save: a failed write leaves an existing file as it
// was). The reason when it failed, "" when written.
std::string save_ledger_csv(const std::string& path, const std::vector<LedgerAttempt>& rows);

// The short listing (`kprtool log`, the window's log view): time, kind, serial, result, the
// capcodes with their ON box ticked, station.
const std::vector<std::string>& ledger_listing_columns();
std::vector<std::string> ledger_listing_row(const LedgerAttempt& a);

// The log view's filter box: true when every word of `text` (any case) is part of one of the
// row's values (time, station, port, user, kind, serial, any of the eight capcodes, frequency,
// language, image hash, backup file, result, message). An empty text keeps every row.
bool ledger_row_matches(const LedgerAttempt& a, const std::string& text);

} // namespace kpr
