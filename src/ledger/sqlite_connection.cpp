#include "ledger/sqlite_connection.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>

namespace kpr {

SqliteConnection::~SqliteConnection() {
    forget_statements();
    sqlite3_close_v2(db_);
}

void SqliteConnection::forget_statements() {
    for (const auto& [sql, stmt] : statements_)
        sqlite3_finalize(stmt);
    statements_.clear();
}

sqlite3_stmt* SqliteConnection::statement(const std::string& sql) {
    if (const auto it = statements_.find(sql); it != statements_.end())
        return it->second;
    if (statements_.size() >= 64) // the ledger's statements are far fewer; a bound anyway
        forget_statements();
    sqlite3_stmt* raw = nullptr;
    const int rc = sqlite3_prepare_v2(db_, sql.c_str(), -1, &raw, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_finalize(raw);
        fail(rc, "a query");
    }
    statements_.emplace(sql, raw);
    return raw;
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

// Another process holds the writer lock: wait for it, within the ledger timeout and never
// past an interrupt.
int SqliteConnection::busy(void* self, int count) {
    auto* c = static_cast<SqliteConnection*>(self);
    if (c->interrupted_.load() || count * 10 >= ledger_timeout_ms())
        return 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return 1;
}

void SqliteConnection::connect(LedgerAccess access) {
    forget_statements();
    struct stat st {};
    bool existed = ::stat(path_.c_str(), &st) == 0;
    if (existed && !S_ISREG(st.st_mode))
        throw LedgerError("The ledger " + path_ + " is not a file.");
    if (!existed && access == LedgerAccess::List)
        throw LedgerMissing("There is no ledger at " + path_ + ".");
    bool madeNow = false;
    if (!existed) {
        std::error_code ec;
        const auto folder = std::filesystem::path(path_).parent_path();
        if (!folder.empty())
            std::filesystem::create_directories(folder, ec);
        const int fd = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        madeNow = fd >= 0;
        if (fd >= 0)
            ::close(fd);
    }
    // SQLite takes an empty file for a new database. One we did not make just now is a
    // ledger whose contents were lost (or one another program is making this moment: it
    // soon has its first page), which must not silently start again from nothing.
    for (int waited = 0; !madeNow && ::stat(path_.c_str(), &st) == 0 && st.st_size == 0;
         waited += 10) {
        if (waited >= 1000)
            throw LedgerError("The ledger file " + path_ +
                              " is empty, so it is not a ledger (its contents may have been "
                              "lost). Restore it from a backup, or delete it to start a new "
                              "ledger.");
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    const int flags = access == LedgerAccess::List ? SQLITE_OPEN_READONLY
                                                   : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
    // Never a URI: "file:...?mode=memory" would be a ledger that vanishes with the process.
    const int rc = sqlite3_open_v2(path_.c_str(), &db_, flags, nullptr);
    if (rc != SQLITE_OK)
        fail(rc, "to open");
    sqlite3_busy_handler(db_, &SqliteConnection::busy, this);
    if (access == LedgerAccess::List)
        return;
    // Two processes making a new ledger at once can meet in the switch to WAL, which SQLite
    // settles by failing one of them at once instead of waiting: try again for as long as
    // any other wait on the file may last.
    for (int waited = 0;; waited += 10) {
        const int rc = sqlite3_exec(db_, "PRAGMA journal_mode = WAL", nullptr, nullptr, nullptr);
        if (rc == SQLITE_OK)
            break;
        if ((rc & 0xFF) != SQLITE_BUSY && (rc & 0xFF) != SQLITE_LOCKED)
            fail(rc, "to open");
        if (waited >= ledger_timeout_ms() || interrupted_.load())
            fail(rc, "to open");
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    exec("PRAGMA foreign_keys = ON", {});
}

std::vector<SqlRow> SqliteConnection::exec(const std::string& sql,
                                           const std::vector<SqlValue>& params) {
    sqlite3_stmt* raw = statement(sql);
    // Ready for its next use however this one ends: no lock or binding is kept.
    const auto reset = [](sqlite3_stmt* s) {
        sqlite3_reset(s);
        sqlite3_clear_bindings(s);
    };
    std::unique_ptr<sqlite3_stmt, decltype(reset)> inUse(raw, reset);
    int rc = SQLITE_OK;
    for (std::size_t i = 0; i < params.size(); ++i) {
        const int n = static_cast<int>(i + 1);
        // With its length: a value holding a NUL byte is kept whole.
        rc = params[i] ? sqlite3_bind_text(raw, n, params[i]->data(),
                                           static_cast<int>(params[i]->size()), SQLITE_TRANSIENT)
                       : sqlite3_bind_null(raw, n);
        if (rc != SQLITE_OK)
            fail(rc, "a query");
    }
    std::vector<SqlRow> rows;
    while ((rc = sqlite3_step(raw)) == SQLITE_ROW) {
        SqlRow row;
        for (int c = 0; c < sqlite3_column_count(raw); ++c) {
            const auto* t = sqlite3_column_text(raw, c);
            row.push_back(t ? SqlValue(std::string(reinterpret_cast<const char*>(t),
                                                   sqlite3_column_bytes(raw, c)))
                            : std::nullopt);
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

void SqliteConnection::check_integrity() {
    const auto rows = exec("PRAGMA quick_check", {});
    if (rows.empty() || rows[0].empty() || rows[0][0] != std::string("ok"))
        throw LedgerError(
            "The ledger file " + path_ + " is damaged or is not a ledger (" +
            (rows.empty() || !rows[0][0] ? std::string("integrity check failed") : *rows[0][0]) +
            "). It was left unchanged.");
}

} // namespace kpr
