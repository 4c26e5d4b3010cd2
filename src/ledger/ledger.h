#pragma once
// The programming ledger: one row per pager per attempt (write, read, verify) and the capcode
// reservations of batch writing, kept in a database so a dealer can tell which pager holds
// which capcode and so that no auto-increased capcode is handed out twice, even by stations
// sharing one PostgreSQL ledger. Every call is one transaction and may come from any thread;
// failures throw LedgerError with a message meant for the operator.
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace kpr {

class LedgerError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

struct LedgerCapcode {
    int32_t capcode = 0;
    bool on = false;
};

struct LedgerAttempt {
    int64_t id = 0;      // given by the ledger
    std::string time;    // UTC, "2026-03-01T12:34:56Z"
    std::string station; // host name
    std::string port;    // board port
    std::string user;
    std::string kind;   // "write", "read", "verify"
    std::string serial; // as read; "" when the pager had no valid one
    int firmware = -1;  // firmware byte as read; -1 unknown
    std::array<LedgerCapcode, 8> capcodes{};
    std::string frequency; // 100 Hz units, as typed
    std::string language;
    std::string imageSha256;
    std::string backupFile;
    std::string result;  // "verified", "read", "failed", "cancelled"
    std::string message; // the last operator message
};

struct LedgerFilter {
    std::string since; // "2026-03-01" or a full time; rows at or after it
    std::string serial;
    std::optional<int32_t> capcode; // in any slot, ON or not
    std::string result;
};

// A capcode set aside for one pager's write until its attempt is recorded.
struct LedgerReservation {
    int64_t id = 0;
    int32_t capcode = 0;
    // What the counter passed over, one line each, e.g.
    // "Capcode 1234570 is in pager KS2026000017 already: skipped".
    std::vector<std::string> skipped;
};

class Ledger {
  public:
    virtual ~Ledger() = default;

    // Where the ledger is, for messages ("ledger.sqlite", "postgresql://host/db").
    virtual std::string location() const = 0;

    // Creates or migrates the schema and releases the reservations a crash of `station` left
    // open. Also writes, so a read-only file or a full disk shows here, before any pager is
    // written.
    virtual void open(const std::string& station) = 0;

    // The first capcode at or after `from` that no open reservation holds and that is not in
    // the latest verified write of any pager.
    virtual LedgerReservation reserve_capcode(int32_t from, const std::string& station) = 0;
    // Records an attempt and, in the same transaction, drops the reservations it held: a
    // verified write now holds their capcodes itself, any other result gives them back.
    virtual int64_t record(const LedgerAttempt& attempt,
                           const std::vector<int64_t>& reservations = {}) = 0;
    // Gives reservations back without recording anything.
    virtual void release(const std::vector<int64_t>& reservations) = 0;

    // Attempts matching the filter, newest first.
    virtual std::vector<LedgerAttempt> query(const LedgerFilter& filter) = 0;
};

inline constexpr int LedgerSchemaVersion = 1;

// Opens the ledger a --ledger value names: "postgresql://..." / "postgres://..." or the path
// of a PostgreSQL socket (or its folder) for PostgreSQL, "sqlite:PATH" or any other path for
// a SQLite file (made on first use, folders included). An empty value is `defaultFile`.
// Not yet open(): the caller opens it with its station name.
std::unique_ptr<Ledger> make_ledger(const std::string& url, const std::string& defaultFile);
// make_ledger, then open() as this station (the host name). LedgerError when unusable.
std::unique_ptr<Ledger> open_ledger(const std::string& url, const std::string& defaultFile);

} // namespace kpr
