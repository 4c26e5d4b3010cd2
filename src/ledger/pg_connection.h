#pragma once
// A ledger in PostgreSQL (libpq), shared by stations: its writes are serialised by a
// transaction-scoped advisory lock, so two stations never reserve the same capcode.
//
// Every wait is bounded: connecting, and each statement, give up after the ledger timeout
// (ledger_timeout_ms(); the server's own statement_timeout a little shorter), TCP keepalives
// notice a dead network, and interrupt() makes a waiting call cancel its query and give up
// within a second. A connection that went away is reported as LedgerConnectionLost.
#include "ledger/sql_connection.h"

#include <atomic>
#include <chrono>
#include <optional>
#include <string>

struct pg_conn;

namespace kpr {

class PgConnection final : public SqlConnection {
  public:
    // `conninfo` is anything libpq takes: "postgresql://host/db", "host=/run/postgresql ...".
    // `shown` names the ledger in messages (without its password).
    PgConnection(std::string conninfo, std::string shown)
        : conninfo_(std::move(conninfo)), shown_(std::move(shown)) {}
    ~PgConnection() override;

    void connect(LedgerAccess access) override;
    std::vector<SqlRow> exec(const std::string& sql, const std::vector<SqlValue>& params) override;
    void begin_exclusive() override;
    bool has_table(const std::string& name) override;
    std::string id_column() const override { return "BIGSERIAL PRIMARY KEY"; }
    std::string location() const override { return shown_; }
    void interrupt() override { interrupted_.store(true); }

  private:
    using Deadline = std::chrono::steady_clock::time_point;
    enum class Wait { Ready, TimedOut, Interrupted };
    // Waits until the socket can be read (or written); bounded by `deadline` and, once
    // interrupted, by a second after the interrupt was first seen.
    Wait wait_socket(bool forWrite, Deadline deadline);
    [[noreturn]] void give_up(Wait why, const std::string& doing);
    void drop();

    std::string conninfo_;
    std::string shown_;
    pg_conn* conn_ = nullptr;
    std::atomic<bool> interrupted_{false};
    std::optional<Deadline> interruptDeadline_;
    // A failed connect is told again at once for a while, so the boards of a station do not
    // each wait out the timeout on a server that is down.
    std::optional<Deadline> downUntil_;
    std::string downReason_;
};

} // namespace kpr
