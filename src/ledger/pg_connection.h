#pragma once
// A ledger in PostgreSQL (libpq), shared by stations: its writes are serialised by a
// transaction-scoped advisory lock, so two stations never reserve the same capcode.
#include "ledger/sql_connection.h"

#include <string>

struct pg_conn;

namespace kpr {

class PgConnection final : public SqlConnection {
  public:
    // `conninfo` is anything libpq takes: "postgresql://host/db", "host=/run/postgresql ...".
    PgConnection(std::string conninfo, std::string shown)
        : conninfo_(std::move(conninfo)), shown_(std::move(shown)) {}
    ~PgConnection() override;

    void connect() override;
    std::vector<SqlRow> exec(const std::string& sql, const std::vector<SqlValue>& params) override;
    void begin_exclusive() override;
    bool has_table(const std::string& name) override;
    std::string id_column() const override { return "BIGSERIAL PRIMARY KEY"; }
    std::string location() const override { return shown_; }

  private:
    std::string conninfo_;
    std::string shown_;
    pg_conn* conn_ = nullptr;
};

} // namespace kpr
