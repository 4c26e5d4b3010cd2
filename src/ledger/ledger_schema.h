#pragma once
// The ledger's tables by schema version, and the step that brings a ledger of an older
// version up to this one without losing an attempt.
#include "ledger/sql_connection.h"

#include <string>
#include <vector>

namespace kpr {

// The statements that take a ledger from version - 1 to `version` (`id`: the database's
// self-counting id column type).
std::vector<std::string> schema_statements(int version, const std::string& id);
// What version 2 adds that SQL alone cannot fill in: serials byte for byte, whether each
// identifies a pager, and the capcodes verified pagers hold.
void fill_version_2(SqlConnection& db);
// Makes the runs of consecutive held capcodes anew from every hold.
void rebuild_capcode_runs(SqlConnection& db);

// The tables a ledger of this version has.
const std::vector<std::string>& ledger_tables();

} // namespace kpr
