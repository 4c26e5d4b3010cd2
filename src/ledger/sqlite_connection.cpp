#include "ledger/sqlite_connection.h"

#include "ledger/ledger.h"

#include <sqlite3.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>

namespace kpr {

SqliteConnection::~SqliteConnection() {
    sqlite3_close_v2(db_);
}

void SqliteConnection::fail(int code, const std::string& what) {
    const std::string reason = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(code);
    switch (code & 0xFF) {
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
        throw LedgerError("The ledger file " + path_ + " is damaged or is not a ledger (" + reason +
                          "). It was left unchanged.");
    case SQLITE_FULL:
        throw LedgerError("The ledger file " + path_ + " cannot grow: the disk is full.");
    case SQLITE_READONLY:
    case SQLITE_CANTOPEN:
    case SQLITE_PERM:
        throw LedgerError("The ledger file " + path_ + " cannot be written (" + reason + ").");
    default:
        throw LedgerError("The ledger file " + path_ + " failed " + what + " (" + reason + ").");
    }
}

void SqliteConnection::connect() {
    std::error_code ec;
    const auto folder = std::filesystem::path(path_).parent_path();
    if (!folder.empty())
        std::filesystem::create_directories(folder, ec);
    const int rc =
        sqlite3_open_v2(path_.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc != SQLITE_OK)
        fail(rc, "to open");
    // Another process writing: wait for it rather than fail at once.
    sqlite3_busy_timeout(db_, 10000);
    // Two processes making a new ledger at once can meet in the switch to WAL, which SQLite
    // settles by failing one of them at once instead of waiting: try again for as long as
    // any other wait on the file may last.
    for (int waited = 0;; waited += 10) {
        const int rc = sqlite3_exec(db_, "PRAGMA journal_mode = WAL", nullptr, nullptr, nullptr);
        if (rc == SQLITE_OK)
            break;
        if ((rc & 0xFF) != SQLITE_BUSY && (rc & 0xFF) != SQLITE_LOCKED)
            fail(rc, "to open");
        if (waited >= 10000)
            fail(rc, "to open");
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    exec("PRAGMA foreign_keys = ON", {});
}

std::vector<SqlRow> SqliteConnection::exec(const std::string& sql,
                                           const std::vector<SqlValue>& params) {
    sqlite3_stmt* raw = nullptr;
    int rc = sqlite3_prepare_v2(db_, sql.c_str(), -1, &raw, nullptr);
    std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> stmt(raw, sqlite3_finalize);
    if (rc != SQLITE_OK)
        fail(rc, "a query");
    for (std::size_t i = 0; i < params.size(); ++i) {
        const int n = static_cast<int>(i + 1);
        rc = params[i] ? sqlite3_bind_text(raw, n, params[i]->c_str(), -1, SQLITE_TRANSIENT)
                       : sqlite3_bind_null(raw, n);
        if (rc != SQLITE_OK)
            fail(rc, "a query");
    }
    std::vector<SqlRow> rows;
    while ((rc = sqlite3_step(raw)) == SQLITE_ROW) {
        SqlRow row;
        for (int c = 0; c < sqlite3_column_count(raw); ++c) {
            const auto* t = sqlite3_column_text(raw, c);
            row.push_back(t ? SqlValue(reinterpret_cast<const char*>(t)) : std::nullopt);
        }
        rows.push_back(std::move(row));
    }
    if (rc != SQLITE_DONE)
        fail(rc, "a query");
    return rows;
}

bool SqliteConnection::has_table(const std::string& name) {
    return !exec("SELECT name FROM sqlite_master WHERE type = 'table' AND name = ?", {name})
                .empty();
}

} // namespace kpr
