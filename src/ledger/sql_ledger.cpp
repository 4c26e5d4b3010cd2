#include "ledger/sql_ledger.h"

#include "ledger/attempt_facts.h"
#include "settings/capcode.h"

#include <cerrno>
#include <csignal>
#include <unistd.h>
#include <unordered_map>

namespace kpr {

namespace {

// Schema by version: migrations[v - 1] takes a ledger from version v - 1 to v.
std::vector<std::string> migration(int version, const std::string& id) {
    switch (version) {
    case 1:
        return {
            "CREATE TABLE attempts (id " + id +
                ", at_utc TEXT NOT NULL, station TEXT NOT NULL, port TEXT NOT NULL,"
                " user_name TEXT NOT NULL, kind TEXT NOT NULL, serial TEXT NOT NULL,"
                " firmware INTEGER NOT NULL, frequency TEXT NOT NULL, language TEXT NOT NULL,"
                " image_sha256 TEXT NOT NULL, backup_file TEXT NOT NULL, result TEXT NOT NULL,"
                " message TEXT NOT NULL)",
            "CREATE INDEX attempts_at ON attempts (at_utc)",
            "CREATE INDEX attempts_serial ON attempts (serial)",
            "CREATE TABLE attempt_capcodes (attempt_id BIGINT NOT NULL REFERENCES attempts (id),"
            " slot INTEGER NOT NULL, capcode INTEGER NOT NULL, enabled INTEGER NOT NULL,"
            " PRIMARY KEY (attempt_id, slot))",
            "CREATE INDEX attempt_capcodes_capcode ON attempt_capcodes (capcode)",
            // The owner's process id lets a station tell its crashed runs from its live ones.
            "CREATE TABLE reservations (id " + id +
                ", capcode INTEGER NOT NULL UNIQUE, station TEXT NOT NULL, pid INTEGER NOT NULL,"
                " at_utc TEXT NOT NULL)",
            "CREATE TABLE stations (name TEXT PRIMARY KEY, last_seen TEXT NOT NULL)",
        };
    default:
        return {};
    }
}

int64_t to_int(const SqlValue& v) {
    return v ? std::stoll(*v) : 0;
}

std::string text(const SqlValue& v) {
    return v.value_or("");
}

bool process_alive(int64_t pid) {
    return pid > 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
}

} // namespace

template <class F> auto SqlLedger::transaction(F&& body) {
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
}

void SqlLedger::migrate() {
    int version = 0;
    if (db_->has_table("schema_version")) {
        const auto rows = db_->exec("SELECT MAX(version) FROM schema_version");
        version = rows.empty() ? 0 : static_cast<int>(to_int(rows[0][0]));
    } else {
        db_->exec("CREATE TABLE schema_version (version INTEGER NOT NULL)");
    }
    if (version > LedgerSchemaVersion)
        throw LedgerError("The ledger " + location() + " was made by a newer version of this " +
                          "program (schema " + std::to_string(version) + ", this one knows " +
                          std::to_string(LedgerSchemaVersion) + "). It was left unchanged.");
    for (int v = version + 1; v <= LedgerSchemaVersion; ++v) {
        for (const std::string& sql : migration(v, db_->id_column()))
            db_->exec(sql);
        db_->exec("INSERT INTO schema_version (version) VALUES (?)", {std::to_string(v)});
    }
}

void SqlLedger::open(const std::string& station) {
    std::lock_guard lock(mutex_);
    db_->connect();
    transaction([&] {
        migrate();
        for (const SqlRow& r :
             db_->exec("SELECT id, pid FROM reservations WHERE station = ?", {station})) {
            if (to_int(r[1]) != ::getpid() && !process_alive(to_int(r[1])))
                db_->exec("DELETE FROM reservations WHERE id = ?", {r[0]});
        }
        db_->exec("INSERT INTO stations (name, last_seen) VALUES (?, ?) ON CONFLICT (name) "
                  "DO UPDATE SET last_seen = excluded.last_seen",
                  {station, utc_now_text()});
    });
}

LedgerReservation SqlLedger::reserve_capcode(int32_t from, const std::string& station) {
    std::lock_guard lock(mutex_);
    return transaction([&] {
        LedgerReservation res;
        for (int32_t c = from; c <= CapcodeMax; ++c) {
            const std::string cc = std::to_string(c);
            if (!db_->exec("SELECT id FROM reservations WHERE capcode = ?", {cc}).empty())
                continue; // another pager's write is on it
            // Is it in the latest verified write of some pager?
            const auto holder = db_->exec(
                "SELECT a.serial FROM attempts a JOIN attempt_capcodes k ON k.attempt_id = a.id"
                " WHERE k.capcode = ? AND k.enabled = 1 AND a.kind = 'write'"
                " AND a.result = 'verified' AND a.id = (SELECT MAX(b.id) FROM attempts b"
                " WHERE b.serial = a.serial AND b.kind = 'write' AND b.result = 'verified')"
                " LIMIT 1",
                {cc});
            if (!holder.empty()) {
                res.skipped.push_back("Capcode " + capcode_text(c) + " is in pager " +
                                      text(holder[0][0]) + " already: skipped");
                continue;
            }
            const auto id = db_->exec("INSERT INTO reservations (capcode, station, pid, at_utc) "
                                      "VALUES (?, ?, ?, ?) RETURNING id",
                                      {cc, station, std::to_string(::getpid()), utc_now_text()});
            res.id = to_int(id.at(0).at(0));
            res.capcode = c;
            return res;
        }
        throw LedgerError("No capcode is free from " + capcode_text(from) + " up to " +
                          capcode_text(CapcodeMax) + " in the ledger " + location() + ".");
    });
}

int64_t SqlLedger::record(const LedgerAttempt& a, const std::vector<int64_t>& reservations) {
    std::lock_guard lock(mutex_);
    return transaction([&] {
        const auto rows = db_->exec(
            "INSERT INTO attempts (at_utc, station, port, user_name, kind, serial, firmware,"
            " frequency, language, image_sha256, backup_file, result, message)"
            " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?) RETURNING id",
            {a.time.empty() ? utc_now_text() : a.time, a.station, a.port, a.user, a.kind, a.serial,
             std::to_string(a.firmware), a.frequency, a.language, a.imageSha256, a.backupFile,
             a.result, a.message});
        const std::string id = text(rows.at(0).at(0));
        for (int slot = 0; slot < 8; ++slot)
            db_->exec("INSERT INTO attempt_capcodes (attempt_id, slot, capcode, enabled) "
                      "VALUES (?, ?, ?, ?)",
                      {id, std::to_string(slot), std::to_string(a.capcodes[slot].capcode),
                       a.capcodes[slot].on ? "1" : "0"});
        for (int64_t r : reservations)
            db_->exec("DELETE FROM reservations WHERE id = ?", {std::to_string(r)});
        return std::stoll(id);
    });
}

void SqlLedger::release(const std::vector<int64_t>& reservations) {
    std::lock_guard lock(mutex_);
    transaction([&] {
        for (int64_t r : reservations)
            db_->exec("DELETE FROM reservations WHERE id = ?", {std::to_string(r)});
    });
}

std::vector<LedgerAttempt> SqlLedger::query(const LedgerFilter& f) {
    std::lock_guard lock(mutex_);
    std::string sql = "SELECT id, at_utc, station, port, user_name, kind, serial, firmware,"
                      " frequency, language, image_sha256, backup_file, result, message"
                      " FROM attempts a WHERE 1 = 1";
    std::vector<SqlValue> params;
    if (!f.since.empty()) {
        sql += " AND at_utc >= ?";
        params.push_back(f.since);
    }
    if (!f.serial.empty()) {
        sql += " AND serial = ?";
        params.push_back(f.serial);
    }
    if (!f.result.empty()) {
        sql += " AND result = ?";
        params.push_back(f.result);
    }
    if (f.capcode) {
        sql += " AND EXISTS (SELECT 1 FROM attempt_capcodes k WHERE k.attempt_id = a.id"
               " AND k.capcode = ?)";
        params.push_back(std::to_string(*f.capcode));
    }
    sql += " ORDER BY at_utc DESC, id DESC";

    std::vector<LedgerAttempt> out;
    std::string ids;
    for (const SqlRow& r : db_->exec(sql, params)) {
        LedgerAttempt a;
        a.id = to_int(r[0]);
        a.time = text(r[1]);
        a.station = text(r[2]);
        a.port = text(r[3]);
        a.user = text(r[4]);
        a.kind = text(r[5]);
        a.serial = text(r[6]);
        a.firmware = static_cast<int>(to_int(r[7]));
        a.frequency = text(r[8]);
        a.language = text(r[9]);
        a.imageSha256 = text(r[10]);
        a.backupFile = text(r[11]);
        a.result = text(r[12]);
        a.message = text(r[13]);
        ids += (ids.empty() ? "" : ",") + std::to_string(a.id);
        out.push_back(std::move(a));
    }
    if (out.empty())
        return out;
    std::unordered_map<int64_t, std::size_t> at;
    for (std::size_t i = 0; i < out.size(); ++i)
        at[out[i].id] = i;
    for (const SqlRow& r : db_->exec("SELECT attempt_id, slot, capcode, enabled FROM "
                                     "attempt_capcodes WHERE attempt_id IN (" +
                                     ids + ")")) {
        const auto it = at.find(to_int(r[0]));
        const int slot = static_cast<int>(to_int(r[1]));
        if (it != at.end() && slot >= 0 && slot < 8)
            out[it->second].capcodes[slot] = {static_cast<int32_t>(to_int(r[2])),
                                              to_int(r[3]) != 0};
    }
    return out;
}

} // namespace kpr
