#pragma once
// One database connection as the ledger's SQL needs it: statements with `?` placeholders,
// every value passed and returned as text (or null), and the little each database says
// differently. The SQLite and PostgreSQL connections wrap their client libraries.
#include <optional>
#include <string>
#include <vector>

namespace kpr {

using SqlValue = std::optional<std::string>;
using SqlRow = std::vector<SqlValue>;

class SqlConnection {
  public:
    virtual ~SqlConnection() = default;
    // Connects (or opens the file); throws LedgerError.
    virtual void connect() = 0;
    // Runs one statement; the rows it returns. Throws LedgerError.
    virtual std::vector<SqlRow> exec(const std::string& sql,
                                     const std::vector<SqlValue>& params = {}) = 0;
    // Starts a transaction no other writer of the same ledger runs alongside.
    virtual void begin_exclusive() = 0;
    virtual bool has_table(const std::string& name) = 0;
    // The column type of an id that counts up by itself.
    virtual std::string id_column() const = 0;
    virtual std::string location() const = 0;
};

} // namespace kpr
