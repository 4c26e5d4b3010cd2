#pragma once
// The log as CSV (RFC 4180, one header line), the form a paging terminal imports; shared by
// `kprtool log --csv` and the window's Export CSV.
#include "ledger/ledger.h"

#include <string>
#include <vector>

namespace kpr {

// The column names, in order; ledger_row gives one row's values the same way.
const std::vector<std::string>& ledger_columns();
std::vector<std::string> ledger_row(const LedgerAttempt& a);

std::string ledger_csv(const std::vector<LedgerAttempt>& rows);

} // namespace kpr
