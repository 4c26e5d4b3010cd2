#include "ledger/sql_ledger.h"

#include "common/printable_text.h"
#include "ledger/attempt_facts.h"
#include "ledger/ledger_schema.h"
#include "settings/battery.h"
#include "settings/capcode.h"

#include <cerrno>
#include <charconv>
#include <csignal>
#include <random>
#include <unistd.h>
#include <unordered_map>

namespace kpr {

namespace {

bool process_alive(int64_t pid) {
    return pid > 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
}

// A key no other record call has: a retried record finds its first try by it. Drawn fresh
// each time (a generator's state would be shared by the processes a fork makes).
std::string new_attempt_key() {
    std::random_device rd;
    std::string key = std::to_string(::getpid()) + "-";
    for (int i = 0; i < 4; ++i)
        key += std::to_string(rd()) + (i < 3 ? "-" : "");
    return key;
}

enum class LeftBehind { Keep, Free, Uncertain };

// What a reservation or a taken job row is after the program holding it ended: kept while
// its process lives or when another machine holds it (its process ids mean nothing here),
// freed when its write never started, uncertain when its pager may have been written.
template <class Held> LeftBehind left_behind(const Held& r, const LedgerOwner& owner) {
    if (r.machine != owner.machine || r.pid == owner.pid || process_alive(r.pid))
        return LeftBehind::Keep;
    if (r.writing) {
        return LeftBehind::Uncertain;
    }
    return LeftBehind::Free;
}

constexpr const char* AttemptColumns =
    "id, at_utc, station, port, user_name, kind, serial, firmware, frequency, language,"
    " image_sha256, backup_file, result, message, serial_identifies, job_row_id";

} // namespace

int64_t SqlLedger::number(const SqlValue& v, const char* what) const {
    const std::string s = text(v);
    int64_t n = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), n);
    if (s.empty() || ec != std::errc() || end != s.data() + s.size())
        throw LedgerError("The ledger " + location() + " is damaged: " + what + " holds \"" +
                          utf8_text(s.substr(0, 20)) +
                          "\" where a number belongs. Restore it from a backup.");
    return n;
}

void SqlLedger::migrate() {
    int version = 0;
    if (db_->has_table("schema_version")) {
        const auto rows = db_->exec("SELECT MAX(version) FROM schema_version");
        version =
            rows.empty() || !rows[0][0] ? 0 : static_cast<int>(number(rows[0][0], "its schema"));
    } else if (access_ == LedgerAccess::Record) {
        db_->exec("CREATE TABLE schema_version (version INTEGER NOT NULL)");
    }
    if (version > LedgerSchemaVersion)
        throw LedgerError("The ledger " + location() + " was made by a newer version of this " +
                          "program (schema " + std::to_string(version) + ", this one knows " +
                          std::to_string(LedgerSchemaVersion) + "). It was left unchanged.");
    if (access_ == LedgerAccess::List) {
        if (version < LedgerSchemaVersion)
            throw LedgerError("The ledger " + location() +
                              (version == 0 ? std::string(" holds no programming log yet.")
                                            : " was made by an older version of this program: "
                                              "write, read or verify a pager once to bring it "
                                              "up to date, then list it."));
        return;
    }
    for (int v = version + 1; v <= LedgerSchemaVersion; ++v) {
        for (const std::string& sql : schema_statements(v, db_->id_column()))
            db_->exec(sql);
        if (v == 2 && version >= 1)
            fill_version_2(*db_);
        db_->exec("INSERT INTO schema_version (version) VALUES (?)", {std::to_string(v)});
    }
}

// The tables are there and the newest rows read as they should: damage shows now, before
// any pager is written.
void SqlLedger::check_readable() {
    for (const std::string& t : ledger_tables())
        if (!db_->has_table(t))
            throw LedgerError("The ledger " + location() + " is damaged or is not a ledger (no " +
                              t + " table). It was left unchanged.");
    select_attempts("1 = 1", {}, " ORDER BY id DESC LIMIT 20");
    for (const SqlRow& r : db_->exec("SELECT id, capcode, pid, writing FROM reservations"))
        for (const SqlValue& v : r)
            number(v, "a reservation");
    for (const SqlRow& r :
         db_->exec("SELECT capcode FROM capcode_holds ORDER BY capcode DESC LIMIT 20"))
        number(r[0], "a held capcode");
}

LedgerOpening SqlLedger::open(const LedgerOwner& owner, LedgerAccess access) {
    std::lock_guard lock(mutex_);
    owner_ = owner;
    access_ = access;
    db_->connect(access);
    db_->check_integrity();
    if (access == LedgerAccess::List) {
        reading([&] {
            migrate();
            check_readable();
        });
        return {};
    }
    return transaction([&] {
        migrate();
        check_readable();
        // Reservations of this machine's programs that ended: given back when their write
        // never started; held and told when their pager may have been written. Another
        // machine's are never judged here (its process ids mean nothing on this one).
        LedgerOpening found;
        for (const OpenReservation& r : list_reservations()) {
            const LeftBehind left = left_behind(r, owner);
            if (left == LeftBehind::Uncertain)
                found.uncertain.push_back(r);
            if (left != LeftBehind::Free)
                continue;
            drop_reservation(r.id);
            ++found.freed;
        }
        // Job rows by the same rule.
        for (const JobRow& r : list_job_rows("r.state = ?", {JobTaken})) {
            const LeftBehind left = left_behind(r, owner);
            if (left == LeftBehind::Uncertain)
                found.uncertainRows.push_back(r);
            if (left != LeftBehind::Free)
                continue;
            put_back(r.id, JobPending);
            ++found.freedRows;
        }
        db_->exec("INSERT INTO stations (name, last_seen) VALUES (?, ?) ON CONFLICT (name) "
                  "DO UPDATE SET last_seen = excluded.last_seen",
                  {utf8_text(owner.station), utc_now_text()});
        return found;
    });
}

// Every hold goes in and out through these two, which keep the runs of consecutive held
// capcodes true to the holds.
void SqlLedger::add_hold(int64_t capcode, const std::vector<SqlValue>& holder) {
    const std::string c = std::to_string(capcode);
    const bool newlyHeld =
        db_->exec("SELECT 1 FROM capcode_holds WHERE capcode = ? LIMIT 1", {c}).empty();
    std::vector<SqlValue> values = {c};
    values.insert(values.end(), holder.begin(), holder.end());
    db_->exec("INSERT INTO capcode_holds (capcode, attempt_id, reservation_id, serial_hex,"
              " identifies, serial) VALUES (?, ?, ?, ?, ?, ?)",
              values);
    if (!newlyHeld)
        return;
    const std::string before = std::to_string(capcode - 1), after = std::to_string(capcode + 1);
    const auto left =
        db_->exec("SELECT first_capcode FROM capcode_runs WHERE last_capcode = ?", {before});
    const auto right =
        db_->exec("SELECT last_capcode FROM capcode_runs WHERE first_capcode = ?", {after});
    const std::string last = right.empty() ? c : text(right[0][0]);
    if (!right.empty())
        db_->exec("DELETE FROM capcode_runs WHERE first_capcode = ?", {after});
    if (!left.empty())
        db_->exec("UPDATE capcode_runs SET last_capcode = ? WHERE first_capcode = ?",
                  {last, left[0][0]});
    else
        db_->exec("INSERT INTO capcode_runs (first_capcode, last_capcode) VALUES (?, ?)",
                  {c, last});
}

void SqlLedger::drop_holds(const std::string& where, const std::vector<SqlValue>& params) {
    std::vector<int64_t> capcodes;
    for (const SqlRow& r :
         db_->exec("SELECT DISTINCT capcode FROM capcode_holds WHERE " + where, params))
        capcodes.push_back(number(r[0], "a held capcode"));
    db_->exec("DELETE FROM capcode_holds WHERE " + where, params);
    for (int64_t capcode : capcodes) {
        const std::string c = std::to_string(capcode);
        if (!db_->exec("SELECT 1 FROM capcode_holds WHERE capcode = ? LIMIT 1", {c}).empty())
            continue; // another pager or reservation still holds it
        const auto run = db_->exec("SELECT first_capcode, last_capcode FROM capcode_runs WHERE"
                                   " first_capcode <= ? ORDER BY first_capcode DESC LIMIT 1",
                                   {c});
        if (run.empty())
            continue;
        const int64_t first = number(run[0][0], "a run"), last = number(run[0][1], "a run");
        if (last < capcode)
            continue;
        db_->exec("DELETE FROM capcode_runs WHERE first_capcode = ?", {run[0][0]});
        if (first < capcode)
            db_->exec("INSERT INTO capcode_runs (first_capcode, last_capcode) VALUES (?, ?)",
                      {run[0][0], std::to_string(capcode - 1)});
        if (capcode < last)
            db_->exec("INSERT INTO capcode_runs (first_capcode, last_capcode) VALUES (?, ?)",
                      {std::to_string(capcode + 1), run[0][1]});
    }
}

void SqlLedger::drop_reservation(int64_t id) {
    const std::string rid = std::to_string(id);
    drop_holds("reservation_id = ?", {rid});
    db_->exec("DELETE FROM reservations WHERE id = ?", {rid});
}

LedgerReservation SqlLedger::reserve_capcode(Capcode from) {
    std::lock_guard lock(mutex_);
    return transaction([&] { return reserve_from(from); });
}

LedgerReservation SqlLedger::reserve_from(Capcode from) {
    LedgerReservation res;
    const std::string f = std::to_string(from);
    int64_t free = from;
    // The run of held capcodes that `from` is in, if any: the first free one follows it.
    const auto run = db_->exec("SELECT last_capcode FROM capcode_runs WHERE"
                               " first_capcode <= ? ORDER BY first_capcode DESC LIMIT 1",
                               {f});
    if (!run.empty() && number(run[0][0], "a run") >= from) {
        if (number(run[0][0], "a run") >= CapcodeMax)
            throw LedgerError("No capcode is free from " + capcode_text(from) + " up to " +
                              capcode_text(CapcodeMax) + " in the ledger " + location() + ".");
        free = number(run[0][0], "a run") + 1;
        // What was passed over: one pager named, or the range.
        const auto pagers =
            db_->exec("SELECT capcode, serial FROM capcode_holds WHERE capcode >= ? AND capcode < ?"
                      " AND attempt_id IS NOT NULL ORDER BY capcode LIMIT 2",
                      {f, std::to_string(free)});
        if (pagers.size() == 1)
            res.skipped.push_back("Capcode " + capcode_text(number(pagers[0][0], "capcode")) +
                                  " is in pager " + printable_value(text(pagers[0][1])) +
                                  " already: skipped");
        else if (!pagers.empty())
            res.skipped.push_back("Capcodes " + capcode_text(from) + "\u2013" +
                                  capcode_text(free - 1) + " are in other pagers: skipped");
    }
    const std::string c = std::to_string(free);
    const auto id = db_->exec(
        "INSERT INTO reservations (capcode, station, pid, at_utc, machine, writing, serial)"
        " VALUES (?, ?, ?, ?, ?, 0, '') RETURNING id",
        {c, utf8_text(owner_.station), std::to_string(owner_.pid), utc_now_text(),
         utf8_text(owner_.machine)});
    res.id = number(id.at(0).at(0), "a reservation");
    res.capcode = static_cast<Capcode>(free);
    add_hold(free, {std::nullopt, std::to_string(res.id), "", "0", ""});
    return res;
}

void SqlLedger::mark_writing(const std::vector<int64_t>& reservations, const std::string& serial) {
    if (reservations.empty())
        return;
    std::lock_guard lock(mutex_);
    transaction([&] {
        for (int64_t r : reservations) {
            const auto marked = db_->exec("UPDATE reservations SET writing = 1, serial = ?"
                                          " WHERE id = ? RETURNING id",
                                          {utf8_text(serial), std::to_string(r)});
            if (marked.empty())
                throw LedgerError("The capcode reservation " + std::to_string(r) +
                                  " is no longer in the ledger " + location() +
                                  " (released by hand?): the pager was not written.");
        }
    });
}

int64_t SqlLedger::record(const LedgerAttempt& a, const std::vector<int64_t>& reservations) {
    std::lock_guard lock(mutex_);
    const std::string key = new_attempt_key();
    return transaction([&] {
        // A try whose answer was lost with its connection may have been stored already.
        const auto done = db_->exec("SELECT id FROM attempts WHERE attempt_key = ?", {key});
        if (!done.empty())
            return number(done[0][0], "an attempt");
        const std::string serialHex = bytes_hex(a.serialBytes);
        const std::string shown =
            a.serialBytes.empty() ? utf8_text(a.serial) : shown_serial_number(a.serialBytes);
        const bool identifies = a.serialIdentifies && !a.serialBytes.empty();
        const auto rows = db_->exec(
            "INSERT INTO attempts (at_utc, station, port, user_name, kind, serial, firmware,"
            " frequency, language, image_sha256, backup_file, result, message, serial_hex,"
            " serial_identifies, attempt_key, job_row_id)"
            " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?) RETURNING id",
            {a.time.empty() ? utc_now_text() : utf8_text(a.time), utf8_text(a.station),
             utf8_text(a.port), utf8_text(a.user), utf8_text(a.kind), shown,
             std::to_string(a.firmware), utf8_text(a.frequency), utf8_text(a.language),
             utf8_text(a.imageSha256), utf8_text(a.backupFile), utf8_text(a.result),
             utf8_text(a.message), serialHex, identifies ? "1" : "0", key,
             a.jobRow != 0 ? SqlValue(std::to_string(a.jobRow)) : std::nullopt});
        const std::string id = text(rows.at(0).at(0));
        for (int slot = 0; slot < 8; ++slot)
            db_->exec("INSERT INTO attempt_capcodes (attempt_id, slot, capcode, enabled) "
                      "VALUES (?, ?, ?, ?)",
                      {id, std::to_string(slot), std::to_string(a.capcodes[slot].capcode),
                       a.capcodes[slot].on ? "1" : "0"});
        if (a.kind == "write" && a.result == "verified") {
            // The pager's earlier capcodes are free again, but only when its serial says
            // for certain that it is the same pager.
            if (identifies)
                drop_holds("attempt_id IS NOT NULL AND identifies = 1 AND serial_hex = ?",
                           {serialHex});
            for (int slot = 0; slot < 8; ++slot)
                if (a.capcodes[slot].on)
                    add_hold(a.capcodes[slot].capcode,
                             {id, std::nullopt, serialHex, identifies ? "1" : "0", shown});
        }
        for (int64_t r : reservations)
            drop_reservation(r);
        if (a.jobRow != 0)
            settle_job_row(a, id, shown);
        return number(rows.at(0).at(0), "an attempt");
    });
}

void SqlLedger::release(const std::vector<int64_t>& reservations) {
    if (reservations.empty())
        return;
    std::lock_guard lock(mutex_);
    transaction([&] {
        for (int64_t r : reservations)
            drop_reservation(r);
    });
}

std::vector<int64_t> SqlLedger::release_checked(const std::vector<int64_t>& ids) {
    std::lock_guard lock(mutex_);
    return transaction([&] {
        std::vector<int64_t> released;
        for (int64_t r : ids) {
            if (db_->exec("SELECT 1 FROM reservations WHERE id = ?", {std::to_string(r)}).empty())
                continue;
            drop_reservation(r);
            released.push_back(r);
        }
        return released;
    });
}

std::vector<OpenReservation> SqlLedger::open_reservations() {
    std::lock_guard lock(mutex_);
    return reading([&] { return list_reservations(); });
}

std::vector<OpenReservation> SqlLedger::list_reservations() {
    std::vector<OpenReservation> out;
    for (const SqlRow& r : db_->exec("SELECT id, capcode, station, machine, pid, at_utc, writing,"
                                     " serial FROM reservations ORDER BY id")) {
        OpenReservation o;
        o.id = number(r[0], "a reservation");
        o.capcode = static_cast<Capcode>(number(r[1], "a reservation"));
        o.station = text(r[2]);
        o.machine = text(r[3]);
        o.pid = number(r[4], "a reservation");
        o.since = text(r[5]);
        o.writing = number(r[6], "a reservation") != 0;
        o.serial = text(r[7]);
        out.push_back(std::move(o));
    }
    return out;
}

std::vector<LedgerAttempt> SqlLedger::select_attempts(const std::string& where,
                                                      const std::vector<SqlValue>& params,
                                                      const std::string& tail) {
    std::vector<LedgerAttempt> out;
    std::string ids;
    for (const SqlRow& r : db_->exec(std::string("SELECT ") + AttemptColumns +
                                         " FROM attempts a WHERE " + where + tail,
                                     params)) {
        LedgerAttempt a;
        a.id = number(r[0], "an attempt's id");
        a.time = text(r[1]);
        a.station = text(r[2]);
        a.port = text(r[3]);
        a.user = text(r[4]);
        a.kind = text(r[5]);
        a.serial = text(r[6]);
        a.firmware = static_cast<int>(number(r[7], "an attempt's firmware byte"));
        a.frequency = text(r[8]);
        a.language = text(r[9]);
        a.imageSha256 = text(r[10]);
        a.backupFile = text(r[11]);
        a.result = text(r[12]);
        a.message = text(r[13]);
        a.serialIdentifies = number(r[14], "an attempt") != 0;
        a.jobRow = r[15] ? number(r[15], "an attempt's job row") : 0;
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
        const auto it = at.find(number(r[0], "a capcode row"));
        const int64_t slot = number(r[1], "a capcode row");
        if (it != at.end() && slot >= 0 && slot < 8)
            out[it->second].capcodes[slot] = {number(r[2], "a capcode row"),
                                              number(r[3], "a capcode row") != 0};
    }
    return out;
}

std::vector<LedgerAttempt> SqlLedger::query(const LedgerFilter& f) {
    std::lock_guard lock(mutex_);
    std::string where = "1 = 1";
    std::vector<SqlValue> params;
    if (!f.since.empty()) {
        where += " AND at_utc >= ?";
        params.push_back(utf8_text(f.since));
    }
    if (!f.serial.empty()) {
        // As shown; a serial ending in blanks is found without typing them.
        std::string s = utf8_text(f.serial);
        while (!s.empty() && s.back() == ' ')
            s.pop_back();
        where += " AND (serial = ? OR RTRIM(serial, ' ') = ?)";
        params.push_back(utf8_text(f.serial));
        params.push_back(s);
    }
    if (!f.result.empty()) {
        where += " AND result = ?";
        params.push_back(utf8_text(f.result));
    }
    if (f.capcode) {
        where += " AND EXISTS (SELECT 1 FROM attempt_capcodes k WHERE k.attempt_id = a.id"
                 " AND k.capcode = ?)";
        params.push_back(std::to_string(*f.capcode));
    }
    return reading(
        [&] { return select_attempts(where, params, " ORDER BY at_utc DESC, id DESC"); });
}

} // namespace kpr
