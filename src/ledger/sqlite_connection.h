#pragma once
// A ledger in a SQLite file (libsqlite3): WAL mode so readers never wait on a writer, a busy
// wait for the writer lock, folders made on first use.
#include "ledger/sql_connection.h"

#include <string>

struct sqlite3;

namespace kpr {

class SqliteConnection final : public SqlConnection {
  public:
    explicit SqliteConnection(std::string path) : path_(std::move(path)) {}
    ~SqliteConnection() override;

    void connect() override;
    std::vector<SqlRow> exec(const std::string& sql, const std::vector<SqlValue>& params) override;
    void begin_exclusive() override { exec("BEGIN IMMEDIATE", {}); }
    bool has_table(const std::string& name) override;
    std::string id_column() const override { return "INTEGER PRIMARY KEY AUTOINCREMENT"; }
    std::string location() const override { return path_; }

  private:
    [[noreturn]] void fail(int code, const std::string& what);

    std::string path_;
    sqlite3* db_ = nullptr;
};

} // namespace kpr
