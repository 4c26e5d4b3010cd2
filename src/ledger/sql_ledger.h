#pragma once
// The ledger's SQL, shared by SQLite and PostgreSQL. One connection, used by one call at a
// time: the positions of a station share it from their threads.
#include "ledger/ledger.h"
#include "ledger/sql_connection.h"

#include <memory>
#include <mutex>

namespace kpr {

class SqlLedger final : public Ledger {
  public:
    explicit SqlLedger(std::unique_ptr<SqlConnection> db) : db_(std::move(db)) {}

    std::string location() const override { return db_->location(); }
    LedgerOpening open(const LedgerOwner& owner, LedgerAccess access) override;
    LedgerReservation reserve_capcode(Capcode from) override;
    void mark_writing(const std::vector<int64_t>& reservations, const std::string& serial) override;
    int64_t record(const LedgerAttempt& attempt, const std::vector<int64_t>& reservations) override;
    void release(const std::vector<int64_t>& reservations) override;
    std::vector<LedgerAttempt> query(const LedgerFilter& filter) override;
    std::vector<OpenReservation> open_reservations() override;
    std::vector<int64_t> release_checked(const std::vector<int64_t>& ids) override;
    void interrupt() override { db_->interrupt(); }

    void add_job(const NewJob& job) override;
    std::vector<JobSummary> jobs() override;
    Job job(const std::string& name) override;
    std::vector<std::pair<Capcode, std::string>>
    held_by_pagers(const std::vector<Capcode>& capcodes) override;
    std::optional<JobRow> take_job_row(const std::string& job) override;
    void mark_job_row_writing(int64_t row, const std::string& serial) override;
    void return_job_row(int64_t row) override;
    std::vector<int64_t> release_job_rows(const std::vector<int64_t>& ids) override;
    int delete_job(const std::string& job, bool force) override;

  private:
    // Runs body in one exclusive transaction, rolled back when it throws; once more on a new
    // connection when the first one was lost.
    template <class F> auto transaction(F&& body);
    // Runs a read, once more on a new connection when the first one was lost.
    template <class F> auto reading(F&& body);
    void migrate();
    void check_readable();
    std::vector<LedgerAttempt> select_attempts(const std::string& where,
                                               const std::vector<SqlValue>& params,
                                               const std::string& tail);
    // reserve_capcode inside a transaction already open.
    LedgerReservation reserve_from(Capcode from);
    void drop_reservation(int64_t id);
    // holder: attempt_id, reservation_id, serial_hex, identifies, serial.
    void add_hold(int64_t capcode, const std::vector<SqlValue>& holder);
    void drop_holds(const std::string& where, const std::vector<SqlValue>& params);
    std::vector<OpenReservation> list_reservations();
    int64_t number(const SqlValue& v, const char* what) const;
    // Rows of job_rows `r` (joined to its job `j`) matching `where`, in the order's order.
    std::vector<JobRow> list_job_rows(const std::string& where,
                                      const std::vector<SqlValue>& params);
    // Gives a counting job's row the capcode of column `col`: its own again when it has one
    // (a row taken again), else the one after the job's highest; reserved, and kept in the row.
    void count_capcode(JobRow& row, std::size_t col, const SqlValue& jobId);
    // A taken row back in line, before every row waiting: "pending" or "failed".
    void put_back(int64_t row, const char* state);
    // The job row of a recorded attempt: verified, or back to the front.
    void settle_job_row(const LedgerAttempt& a, const std::string& attemptId,
                        const std::string& serial);
    std::vector<JobSummary> summaries(const std::string& where,
                                      const std::vector<SqlValue>& params);

    std::mutex mutex_;
    std::unique_ptr<SqlConnection> db_;
    LedgerOwner owner_;
    LedgerAccess access_ = LedgerAccess::Record;
};

template <class F> auto SqlLedger::reading(F&& body) {
    try {
        return body();
    } catch (const LedgerConnectionLost&) {
        db_->connect(access_); // a server restarted: once more on a new connection
        return body();
    }
}

template <class F> auto SqlLedger::transaction(F&& body) {
    return reading([&] {
        db_->begin_exclusive();
        try {
            if constexpr (std::is_void_v<decltype(body())>) {
                body();
                db_->exec("COMMIT");
            } else {
                auto r = body();
                db_->exec("COMMIT");
                return r;
            }
        } catch (...) {
            try {
                db_->exec("ROLLBACK");
            } catch (const LedgerError&) {
                // the first error is the one to tell
            }
            throw;
        }
    });
}

} // namespace kpr
