#include "ledger/ledger_schema.h"

#include "ledger/attempt_facts.h"
#include "ops/seal.h"
#include "settings/battery.h"

#include <charconv>
#include <map>

namespace kpr {

std::vector<std::string> schema_statements(int version, const std::string& id) {
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
            "CREATE TABLE reservations (id " + id +
                ", capcode INTEGER NOT NULL UNIQUE, station TEXT NOT NULL, pid INTEGER NOT NULL,"
                " at_utc TEXT NOT NULL)",
            "CREATE TABLE stations (name TEXT PRIMARY KEY, last_seen TEXT NOT NULL)",
        };
    case 2:
        return {
            // The serial byte for byte (hex) beside the form shown, and whether it names one
            // pager; a key per record call, so a retried record is never stored twice.
            "ALTER TABLE attempts ADD COLUMN serial_hex TEXT NOT NULL DEFAULT ''",
            "ALTER TABLE attempts ADD COLUMN serial_identifies INTEGER NOT NULL DEFAULT 0",
            "ALTER TABLE attempts ADD COLUMN attempt_key TEXT",
            "CREATE UNIQUE INDEX attempts_key ON attempts (attempt_key)",
            // The owner's machine by a stable id (cloned PCs share host names); whether the
            // pager's write had started, so a crash never frees a capcode a pager may hold.
            "ALTER TABLE reservations ADD COLUMN machine TEXT NOT NULL DEFAULT ''",
            "ALTER TABLE reservations ADD COLUMN writing INTEGER NOT NULL DEFAULT 0",
            "ALTER TABLE reservations ADD COLUMN serial TEXT NOT NULL DEFAULT ''",
            // Older reservations cannot tell: they stay until released by hand.
            "UPDATE reservations SET writing = 1",
            // Every capcode held, by a verified pager (attempt_id) or a reservation: one
            // index to find the first free capcode in one statement.
            "CREATE TABLE capcode_holds (capcode INTEGER NOT NULL,"
            " attempt_id BIGINT REFERENCES attempts (id), reservation_id BIGINT,"
            " serial_hex TEXT NOT NULL, identifies INTEGER NOT NULL, serial TEXT NOT NULL)",
            "CREATE INDEX capcode_holds_capcode ON capcode_holds (capcode)",
            "CREATE INDEX capcode_holds_serial ON capcode_holds (serial_hex)",
            "CREATE INDEX capcode_holds_reservation ON capcode_holds (reservation_id)",
            // The held capcodes as runs of consecutive ones: the first free capcode after
            // any is one lookup, however many are held.
            "CREATE TABLE capcode_runs (first_capcode INTEGER PRIMARY KEY,"
            " last_capcode INTEGER NOT NULL)",
        };
    case 3:
        return {
            // Customers' orders: the base image kept in the ledger (hex), so a PC without
            // its file can run the job; one row per pager, its values by column.
            "CREATE TABLE jobs (id " + id +
                ", name TEXT NOT NULL UNIQUE, label TEXT NOT NULL, base_file TEXT NOT NULL,"
                " base_hex TEXT NOT NULL, created TEXT NOT NULL)",
            // shared: 0 one pager's capcode, 1 shared by the rows, 2 given as each row is
            // taken (a counting batch kept as a job).
            "CREATE TABLE job_columns (job_id BIGINT NOT NULL REFERENCES jobs (id),"
            " col INTEGER NOT NULL, setting_key TEXT NOT NULL, shared INTEGER NOT NULL,"
            " PRIMARY KEY (job_id, col))",
            // queue: rows are taken lowest first; a row put back goes below every other.
            // Holder, writing mark and serial as a reservation keeps them.
            "CREATE TABLE job_rows (id " + id +
                ", job_id BIGINT NOT NULL REFERENCES jobs (id), row_number INTEGER NOT NULL,"
                " label TEXT NOT NULL, queue BIGINT NOT NULL, state TEXT NOT NULL,"
                " station TEXT NOT NULL, machine TEXT NOT NULL, pid INTEGER NOT NULL,"
                " writing INTEGER NOT NULL, serial TEXT NOT NULL, at_utc TEXT NOT NULL,"
                " attempt_id BIGINT)",
            "CREATE INDEX job_rows_next ON job_rows (job_id, state, queue)",
            "CREATE TABLE job_cells (row_id BIGINT NOT NULL REFERENCES job_rows (id),"
            " col INTEGER NOT NULL, value TEXT NOT NULL, PRIMARY KEY (row_id, col))",
            // Each attempt names the job row its pager was written from.
            "ALTER TABLE attempts ADD COLUMN job_row_id BIGINT",
            "CREATE INDEX attempts_job_row ON attempts (job_row_id)",
        };
    default:
        return {};
    }
}

void fill_version_2(SqlConnection& db) {
    // Serials were kept as text; their bytes are what the pager held.
    struct Write {
        std::string id, hex;
        bool identifies;
    };
    std::vector<Write> verified;
    for (const SqlRow& r : db.exec("SELECT id, serial, kind, result FROM attempts ORDER BY id")) {
        const std::string bytes = r[1].value_or("");
        const std::string hex = bytes_hex(bytes);
        const bool identifies = serial_identifies_pager(bytes);
        db.exec("UPDATE attempts SET serial = ?, serial_hex = ?, serial_identifies = ? "
                "WHERE id = ?",
                {shown_serial_number(bytes), hex, identifies ? "1" : "0", r[0]});
        if (r[2] == std::string("write") && r[3] == std::string("verified"))
            verified.push_back({*r[0], hex, identifies});
    }
    // A pager holds the capcodes of its latest verified write; a write whose serial names no
    // one pager holds its own for good.
    std::map<std::string, std::string> latest;
    for (const Write& w : verified)
        if (w.identifies)
            latest[w.hex] = w.id;
    for (const Write& w : verified) {
        if (w.identifies && latest[w.hex] != w.id)
            continue;
        db.exec("INSERT INTO capcode_holds (capcode, attempt_id, serial_hex, identifies, serial)"
                " SELECT k.capcode, a.id, a.serial_hex, a.serial_identifies, a.serial"
                " FROM attempt_capcodes k JOIN attempts a ON a.id = k.attempt_id"
                " WHERE a.id = ? AND k.enabled = 1",
                {w.id});
    }
    db.exec("INSERT INTO capcode_holds (capcode, reservation_id, serial_hex, identifies, serial)"
            " SELECT capcode, id, '', 0, '' FROM reservations");
    rebuild_capcode_runs(db);
}

void rebuild_capcode_runs(SqlConnection& db) {
    db.exec("DELETE FROM capcode_runs");
    long long first = -2, last = -2;
    auto flush = [&] {
        if (first >= 0)
            db.exec("INSERT INTO capcode_runs (first_capcode, last_capcode) VALUES (?, ?)",
                    {std::to_string(first), std::to_string(last)});
    };
    for (const SqlRow& r : db.exec("SELECT DISTINCT capcode FROM capcode_holds ORDER BY capcode")) {
        const std::string v = r[0].value_or("");
        long long c = 0;
        const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), c);
        if (v.empty() || ec != std::errc() || end != v.data() + v.size())
            throw LedgerError("The ledger " + db.location() + " is damaged: a held capcode is \"" +
                              utf8_text(v.substr(0, 20)) + "\". Restore it from a backup.");
        if (c == last + 1) {
            last = c;
            continue;
        }
        flush();
        first = last = c;
    }
    flush();
}

const std::vector<std::string>& ledger_tables() {
    static const std::vector<std::string> t = {
        "schema_version", "attempts", "attempt_capcodes", "reservations", "capcode_holds",
        "capcode_runs",   "jobs",     "job_columns",      "job_rows",     "job_cells"};
    return t;
}

} // namespace kpr
