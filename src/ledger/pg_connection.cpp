#include "ledger/pg_connection.h"

#include <libpq-fe.h>
#include <poll.h>

#include <cstdlib>
#include <memory>
#include <thread>

namespace kpr {

namespace {

// Every ledger write holds this lock (key 7340017) until its transaction ends.
constexpr const char* TakeLedgerLock = "SELECT pg_advisory_xact_lock(7340017)";

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

using Result = std::unique_ptr<PGresult, void (*)(PGresult*)>;

} // namespace

int ledger_timeout_ms() {
    const char* v = std::getenv("KPR_LEDGER_TIMEOUT");
    char* end = nullptr;
    const double s = v ? std::strtod(v, &end) : 0;
    if (v && end != v && *end == '\0' && s >= 0.1 && s <= 3600)
        return static_cast<int>(s * 1000);
    return 15000;
}

PgConnection::~PgConnection() {
    drop();
}

void PgConnection::drop() {
    if (conn_)
        PQfinish(conn_);
    conn_ = nullptr;
}

PgConnection::Wait PgConnection::wait_socket(bool forWrite, Deadline deadline) {
    using namespace std::chrono;
    for (;;) {
        const auto now = steady_clock::now();
        Deadline limit = deadline;
        if (interrupted_.load()) {
            if (!interruptDeadline_)
                interruptDeadline_ = now + seconds(1);
            limit = std::min(limit, *interruptDeadline_);
        }
        if (now >= limit)
            return interrupted_.load() ? Wait::Interrupted : Wait::TimedOut;
        pollfd pfd{PQsocket(conn_), static_cast<short>(forWrite ? POLLOUT : POLLIN), 0};
        const auto slice =
            std::min<long long>(100, duration_cast<milliseconds>(limit - now).count() + 1);
        const int n = ::poll(&pfd, 1, static_cast<int>(slice));
        if (n > 0)
            return Wait::Ready;
        if (n < 0 && errno != EINTR)
            return Wait::TimedOut;
    }
}

void PgConnection::give_up(Wait why, const std::string& doing) {
    if (why == Wait::Interrupted && conn_) {
        // Asks the server to stop the query too; a frozen server may never answer that, so
        // it is asked from a thread of its own that nobody waits for.
        if (PGcancel* cancel = PQgetCancel(conn_))
            std::thread([cancel] {
                char err[256];
                PQcancel(cancel, err, sizeof err);
                PQfreeCancel(cancel);
            }).detach();
    }
    drop(); // the server rolls back whatever the connection had begun
    if (why == Wait::Interrupted)
        throw LedgerError("Stopped waiting for the ledger " + shown_ + " (" + doing + ").");
    throw LedgerConnectionLost("The ledger " + shown_ + " did not answer within " +
                               std::to_string(ledger_timeout_ms() / 1000) + " s (" + doing + ").");
}

void PgConnection::connect(LedgerAccess access) {
    using namespace std::chrono;
    drop();
    const auto now = steady_clock::now();
    if (downUntil_ && now < *downUntil_)
        throw LedgerError(downReason_);
    const Deadline deadline = now + milliseconds(ledger_timeout_ms());
    // Our limits first: what the URL itself sets overrides them.
    const char* keys[] = {"keepalives",       "keepalives_idle", "keepalives_interval",
                          "keepalives_count", "dbname",          nullptr};
    const char* values[] = {"1", "10", "5", "3", conninfo_.c_str(), nullptr};
    conn_ = PQconnectStartParams(keys, values, 1);
    try {
        if (!conn_ || PQstatus(conn_) == CONNECTION_BAD)
            throw LedgerError("Cannot reach the ledger " + shown_ + ": " +
                              trimmed(conn_ ? PQerrorMessage(conn_) : "out of memory"));
        for (PostgresPollingStatusType st = PGRES_POLLING_WRITING; st != PGRES_POLLING_OK;) {
            if (st == PGRES_POLLING_FAILED)
                throw LedgerError("Cannot reach the ledger " + shown_ + ": " +
                                  trimmed(PQerrorMessage(conn_)));
            const Wait w = wait_socket(st == PGRES_POLLING_WRITING, deadline);
            if (w == Wait::Interrupted)
                give_up(w, "connecting");
            if (w == Wait::TimedOut)
                throw LedgerError("Cannot reach the ledger " + shown_ + ": no answer within " +
                                  std::to_string(ledger_timeout_ms() / 1000) + " s.");
            st = PQconnectPoll(conn_);
        }
    } catch (const LedgerError& e) {
        drop();
        if (!interrupted_.load()) {
            downUntil_ = steady_clock::now() + seconds(10);
            downReason_ = e.what();
        }
        throw;
    }
    downUntil_.reset();
    exec("SET client_min_messages = warning", {});
    // The server ends a statement a little before we stop waiting for it, so a lock wait
    // behind a frozen station ends as a refusal rather than a lost connection.
    const int limit = ledger_timeout_ms();
    exec("SET statement_timeout = " + std::to_string(std::max(limit * 3 / 4, limit - 1000)), {});
    if (access == LedgerAccess::List)
        exec("SET default_transaction_read_only = on", {});
}

std::vector<SqlRow> PgConnection::exec(const std::string& sql,
                                       const std::vector<SqlValue>& params) {
    using namespace std::chrono;
    if (!conn_ || PQstatus(conn_) != CONNECTION_OK) {
        drop();
        throw LedgerConnectionLost("Lost the ledger " + shown_ + ".");
    }
    const Deadline deadline = steady_clock::now() + milliseconds(ledger_timeout_ms());
    std::vector<const char*> values;
    for (const SqlValue& p : params)
        values.push_back(p ? p->c_str() : nullptr);
    if (!PQsendQueryParams(conn_, numbered(sql).c_str(), static_cast<int>(values.size()), nullptr,
                           values.data(), nullptr, nullptr, 0)) {
        const std::string why = trimmed(PQerrorMessage(conn_));
        drop();
        throw LedgerConnectionLost("Lost the ledger " + shown_ + ": " + why);
    }
    PQsetnonblocking(conn_, 1);
    for (int r; (r = PQflush(conn_)) != 0;) {
        if (r < 0)
            break; // told with the result below
        const Wait w = wait_socket(true, deadline);
        if (w != Wait::Ready)
            give_up(w, "sending a query");
    }
    Result last(nullptr, PQclear);
    for (;;) {
        while (PQisBusy(conn_)) {
            const Wait w = wait_socket(false, deadline);
            if (w != Wait::Ready)
                give_up(w, "waiting for its answer");
            if (!PQconsumeInput(conn_))
                break;
        }
        PGresult* next = PQgetResult(conn_);
        if (!next)
            break;
        last.reset(next);
        if (PQstatus(conn_) == CONNECTION_BAD)
            break;
    }
    PQsetnonblocking(conn_, 0);
    const ExecStatusType st = last ? PQresultStatus(last.get()) : PGRES_FATAL_ERROR;
    if (st != PGRES_COMMAND_OK && st != PGRES_TUPLES_OK) {
        const std::string why =
            trimmed(last ? PQresultErrorMessage(last.get()) : PQerrorMessage(conn_));
        if (PQstatus(conn_) != CONNECTION_OK) {
            drop();
            throw LedgerConnectionLost("Lost the ledger " + shown_ + ": " + why);
        }
        throw LedgerError("The ledger " + shown_ + " refused a query: " + why);
    }
    std::vector<SqlRow> rows;
    for (int r = 0; r < PQntuples(last.get()); ++r) {
        SqlRow row;
        for (int c = 0; c < PQnfields(last.get()); ++c)
            row.push_back(PQgetisnull(last.get(), r, c) ? std::nullopt
                                                        : SqlValue(PQgetvalue(last.get(), r, c)));
        rows.push_back(std::move(row));
    }
    return rows;
}

void PgConnection::begin_exclusive() {
    exec("BEGIN", {});
    exec(TakeLedgerLock, {});
}

bool PgConnection::has_table(const std::string& name) {
    return !exec("SELECT 1 FROM information_schema.tables WHERE table_schema = current_schema()"
                 " AND table_name = ?",
                 {name})
                .empty();
}

} // namespace kpr
