#pragma once
// The log as CSV (RFC 4180, one header line), the form a paging terminal imports, as JSON and
// as the short listing; shared by `kprtool log` and the window's log view.
#include "ledger/ledger.h"

#include <optional>
#include <string>
#include <vector>

namespace kpr {

// The column names, in order; ledger_row gives one row's values the same way.
const std::vector<std::string>& ledger_columns();
std::vector<std::string> ledger_row(const LedgerAttempt& a);

// How CSV fields are written. Both quote a field holding a comma, a quote, a CR or a LF, and
// write a control character other than tab, CR and LF (NUL, ESC, ...) as "\xNN", as serials
// are shown. Exact keeps every other byte as the ledger holds it: what a paging terminal
// imports. Spreadsheet puts an apostrophe before a field beginning with = + - @ (or a tab or
// CR), which a spreadsheet would otherwise run as a formula.
enum class CsvStyle { Exact, Spreadsheet };

// One CSV line, CRLF-terminated.
std::string ledger_csv_line(const std::vector<std::string>& fields,
                            CsvStyle style = CsvStyle::Exact);
// The header line and one line per row.
std::string ledger_csv(const std::vector<LedgerAttempt>& rows, CsvStyle style = CsvStyle::Exact);
// Writes ledger_csv(rows, style) to path (safe_save: a failed write leaves an existing file as
// it was). The reason when it failed, "" when written.
std::string save_ledger_csv(const std::string& path, const std::vector<LedgerAttempt>& rows,
                            CsvStyle style = CsvStyle::Exact);

// One row as a JSON object on one line: ledger_columns() as names, every value a string.
std::string ledger_json_object(const LedgerAttempt& a);
// Any row so: a string value per name.
std::string json_object(const std::vector<std::string>& names,
                        const std::vector<std::string>& values);

// `--since`: a date, or a date and a time ("2026-03-01", "2026-03-01T12:00",
// "2026-03-01 12:00:00"), with a zone ("Z", "+02:00", "-0530") or in local time; the instant
// as the ledger keeps times ("2026-03-01T10:00:00Z"). A date alone is its first second; a
// fraction of a second counts as the next whole one (times are kept to the second).
// nullopt for anything else, trailing text included.
std::optional<std::string> ledger_since_utc(const std::string& text);

// The short listing (`kprtool log`, the window's log view): time, kind, serial, result, the
// capcodes with their ON box ticked, station.
const std::vector<std::string>& ledger_listing_columns();
std::vector<std::string> ledger_listing_row(const LedgerAttempt& a);

// The log view's filter box: true when every word of `text` (any case) is part of one of the
// values the listing shows (time, kind, serial, result, the capcodes whose ON box is ticked,
// station), so a row is kept only for what the operator can see in it. An empty text keeps
// every row.
bool ledger_row_matches(const LedgerAttempt& a, const std::string& text);

} // namespace kpr
