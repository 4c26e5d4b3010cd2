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
    void open(const std::string& station) override;
    LedgerReservation reserve_capcode(int32_t from, const std::string& station) override;
    int64_t record(const LedgerAttempt& attempt, const std::vector<int64_t>& reservations) override;
    void release(const std::vector<int64_t>& reservations) override;
    std::vector<LedgerAttempt> query(const LedgerFilter& filter) override;

  private:
    // Runs body in one exclusive transaction, rolled back when it throws.
    template <class F> auto transaction(F&& body);
    void migrate();

    std::mutex mutex_;
    std::unique_ptr<SqlConnection> db_;
};

} // namespace kpr
