#include "ledger/pg_connection.h"

#include "ledger/ledger.h"

#include <libpq-fe.h>

#include <memory>

namespace kpr {

namespace {

// Every ledger write holds this lock until its transaction ends.
constexpr const char* LedgerLockKey = "7340017";

std::string trimmed(const char* s) {
    std::string t = s ? s : "";
    while (!t.empty() && (t.back() == '\n' || t.back() == ' '))
        t.pop_back();
    return t;
}

// `?` placeholders as libpq's $1, $2, ...
std::string numbered(const std::string& sql) {
    std::string out;
    int n = 0;
    for (char c : sql)
        out += c == '?' ? "$" + std::to_string(++n) : std::string(1, c);
    return out;
}

} // namespace

PgConnection::~PgConnection() {
    if (conn_)
        PQfinish(conn_);
}

void PgConnection::connect() {
    conn_ = PQconnectdb(conninfo_.c_str());
    if (!conn_ || PQstatus(conn_) != CONNECTION_OK)
        throw LedgerError("Cannot reach the ledger " + shown_ + ": " +
                          trimmed(conn_ ? PQerrorMessage(conn_) : "out of memory"));
    exec("SET client_min_messages = warning", {});
}

std::vector<SqlRow> PgConnection::exec(const std::string& sql,
                                       const std::vector<SqlValue>& params) {
    std::vector<const char*> values;
    for (const SqlValue& p : params)
        values.push_back(p ? p->c_str() : nullptr);
    std::unique_ptr<PGresult, void (*)(PGresult*)> res(
        PQexecParams(conn_, numbered(sql).c_str(), static_cast<int>(values.size()), nullptr,
                     values.data(), nullptr, nullptr, 0),
        PQclear);
    const ExecStatusType st = res ? PQresultStatus(res.get()) : PGRES_FATAL_ERROR;
    if (st != PGRES_COMMAND_OK && st != PGRES_TUPLES_OK) {
        if (PQstatus(conn_) != CONNECTION_OK)
            throw LedgerError("Lost the ledger " + shown_ + ": " + trimmed(PQerrorMessage(conn_)));
        throw LedgerError("The ledger " + shown_ +
                          " refused a query: " + trimmed(PQerrorMessage(conn_)));
    }
    std::vector<SqlRow> rows;
    for (int r = 0; r < PQntuples(res.get()); ++r) {
        SqlRow row;
        for (int c = 0; c < PQnfields(res.get()); ++c)
            row.push_back(PQgetisnull(res.get(), r, c) ? std::nullopt
                                                       : SqlValue(PQgetvalue(res.get(), r, c)));
        rows.push_back(std::move(row));
    }
    return rows;
}

void PgConnection::begin_exclusive() {
    exec("BEGIN", {});
    exec(std::string("SELECT pg_advisory_xact_lock(") + LedgerLockKey + ")", {});
}

bool PgConnection::has_table(const std::string& name) {
    return !exec("SELECT 1 FROM information_schema.tables WHERE table_schema = current_schema()"
                 " AND table_name = ?",
                 {name})
                .empty();
}

} // namespace kpr
