#pragma once
// One database connection as the ledger's SQL needs it: statements with `?` placeholders,
// every value passed and returned as text (or null), and the little each database says
// differently. The SQLite and PostgreSQL connections wrap their client libraries.
#include "ledger/ledger.h"

#include <optional>
#include <string>
#include <vector>

namespace kpr {

using SqlValue = std::optional<std::string>;
using SqlRow = std::vector<SqlValue>;

// A value as text, null read as empty.
inline std::string text(const SqlValue& v) {
    return v.value_or("");
}

// The connection went away (a server restarted, a network dropped, a wait ran out): the
// caller may connect again and retry what it was doing once.
class LedgerConnectionLost : public LedgerError {
  public:
    using LedgerError::LedgerError;
};

class SqlConnection {
  public:
    virtual ~SqlConnection() = default;
    // Connects (or opens the file), read-only for List; throws LedgerError. Again after a
    // LedgerConnectionLost: a new connection.
    virtual void connect(LedgerAccess access) = 0;
    // Runs one statement; the rows it returns. Throws LedgerError (LedgerConnectionLost when
    // the connection is gone).
    virtual std::vector<SqlRow> exec(const std::string& sql,
                                     const std::vector<SqlValue>& params = {}) = 0;
    // Starts a transaction no other writer of the same ledger runs alongside.
    virtual void begin_exclusive() = 0;
    virtual bool has_table(const std::string& name) = 0;
    // Throws LedgerError when the database's own check finds damage.
    virtual void check_integrity() {}
    // The column type of an id that counts up by itself.
    virtual std::string id_column() const = 0;
    virtual std::string location() const = 0;
    // From any thread or a signal handler: see Ledger::interrupt.
    virtual void interrupt() = 0;
};

// How long the ledger waits for its database: KPR_LEDGER_TIMEOUT (seconds) when set, else 15 s.
int ledger_timeout_ms();

} // namespace kpr
