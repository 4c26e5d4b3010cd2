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
    LedgerReservation reserve_capcode(int32_t from) override;
    void mark_writing(const std::vector<int64_t>& reservations, const std::string& serial) override;
    int64_t record(const LedgerAttempt& attempt, const std::vector<int64_t>& reservations) override;
    void release(const std::vector<int64_t>& reservations) override;
    std::vector<LedgerAttempt> query(const LedgerFilter& filter) override;
    std::vector<OpenReservation> open_reservations() override;
    std::vector<int64_t> release_checked(const std::vector<int64_t>& ids) override;
    void interrupt() override { db_->interrupt(); }

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
    void drop_reservation(int64_t id);
    // holder: attempt_id, reservation_id, serial_hex, identifies, serial.
    void add_hold(int64_t capcode, const std::vector<SqlValue>& holder);
    void drop_holds(const std::string& where, const std::vector<SqlValue>& params);
    std::vector<OpenReservation> list_reservations();
    int64_t number(const SqlValue& v, const char* what) const;

    std::mutex mutex_;
    std::unique_ptr<SqlConnection> db_;
    LedgerOwner owner_;
    LedgerAccess access_ = LedgerAccess::Record;
};

} // namespace kpr
