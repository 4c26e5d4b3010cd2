#pragma once
// A ledger in a SQLite file (libsqlite3): WAL mode so readers never wait on a writer, a
// bounded busy wait for the writer lock (interruptible), folders made on first use when
// recording. Listing opens the file read-only and never makes it.
#include "ledger/sql_connection.h"

#include <atomic>
#include <string>
#include <unordered_map>

struct sqlite3;
struct sqlite3_stmt;

namespace kpr {

class SqliteConnection final : public SqlConnection {
  public:
    explicit SqliteConnection(std::string path) : path_(std::move(path)) {}
    ~SqliteConnection() override;

    void connect(LedgerAccess access) override;
    std::vector<SqlRow> exec(const std::string& sql, const std::vector<SqlValue>& params) override;
    void begin_exclusive() override { exec("BEGIN IMMEDIATE", {}); }
    bool has_table(const std::string& name) override;
    void check_integrity() override;
    std::string id_column() const override { return "INTEGER PRIMARY KEY AUTOINCREMENT"; }
    std::string location() const override { return path_; }
    void interrupt() override { interrupted_.store(true); }

  private:
    [[noreturn]] void fail(int code, const std::string& what);
    static int busy(void* self, int count);
    // The statement of `sql`, prepared once: an order of 10 000 rows stores as many rows
    // and cells with a handful of statements.
    sqlite3_stmt* statement(const std::string& sql);
    void forget_statements();

    std::string path_;
    sqlite3* db_ = nullptr;
    std::unordered_map<std::string, sqlite3_stmt*> statements_;
    std::atomic<bool> interrupted_{false};
};

} // namespace kpr
