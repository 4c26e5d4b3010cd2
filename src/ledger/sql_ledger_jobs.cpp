// The ledger's jobs: orders stored whole, rows taken one at a time in one exclusive
// transaction each, so two stations never take one row.
#include "common/hex.h"
#include "ledger/attempt_facts.h"
#include "ledger/sql_ledger.h"
#include "settings/capcode.h"

#include <algorithm>
#include <charconv>
#include <map>

namespace kpr {

namespace {

constexpr const char* RowColumns =
    "r.id, j.name, r.row_number, r.label, r.state, r.station, r.machine, r.pid, r.writing,"
    " r.serial, r.at_utc";

// A cell's capcode, blanks around it allowed.
std::optional<Capcode> capcode_cell(const std::string& value) {
    std::size_t b = value.find_first_not_of(' '), e = value.find_last_not_of(' ');
    if (b == std::string::npos)
        return std::nullopt;
    Capcode c = 0;
    const auto [end, ec] = std::from_chars(value.data() + b, value.data() + e + 1, c);
    if (ec != std::errc() || end != value.data() + e + 1)
        return std::nullopt;
    return c;
}

// The capcode a column holds when it names a capcode slot ("capcode.3", not its switch).
std::optional<Capcode> capcode_in(const std::string& key, const std::string& value) {
    if (key.size() != 9 || key.rfind("capcode.", 0) != 0 || key[8] < '1' || key[8] > '8')
        return std::nullopt;
    return capcode_cell(value);
}

// job_columns.shared: 0 one pager's, 1 shared by the rows, 2 counted (a counting batch).
const char* column_kind(const JobColumn& c) {
    return c.counted ? "2" : c.shared ? "1" : "0";
}

} // namespace

void SqlLedger::add_job(const NewJob& job) {
    std::lock_guard lock(mutex_);
    transaction([&] {
        const std::string name = utf8_text(job.name);
        if (!db_->exec("SELECT 1 FROM jobs WHERE name = ?", {name}).empty())
            throw LedgerError("A job named \"" + name + "\" is in the ledger " + location() +
                              " already: give it another name.");
        const std::string hex = bytes_hex(std::string(job.base.begin(), job.base.end()));
        const std::string id = text(
            db_->exec("INSERT INTO jobs (name, label, base_file, base_hex, created)"
                      " VALUES (?, ?, ?, ?, ?) RETURNING id",
                      {name, utf8_text(job.label), utf8_text(job.baseFile), hex, utc_now_text()})
                .at(0)
                .at(0));
        for (std::size_t c = 0; c < job.columns.size(); ++c)
            db_->exec("INSERT INTO job_columns (job_id, col, setting_key, shared)"
                      " VALUES (?, ?, ?, ?)",
                      {id, std::to_string(c), utf8_text(job.columns[c].key),
                       column_kind(job.columns[c])});
        for (const NewJobRow& r : job.rows) {
            std::string label;
            for (std::size_t c = 0; c < job.columns.size() && c < r.values.size(); ++c)
                if (job.columns[c].key == "label")
                    label = r.values[c];
            const std::string rowId =
                text(db_->exec("INSERT INTO job_rows (job_id, row_number, label, queue, state,"
                               " station, machine, pid, writing, serial, at_utc, attempt_id)"
                               " VALUES (?, ?, ?, ?, ?, '', '', 0, 0, '', '', NULL) RETURNING id",
                               {id, std::to_string(r.row), utf8_text(label), std::to_string(r.row),
                                JobPending})
                         .at(0)
                         .at(0));
            for (std::size_t c = 0; c < r.values.size(); ++c)
                db_->exec("INSERT INTO job_cells (row_id, col, value) VALUES (?, ?, ?)",
                          {rowId, std::to_string(c), utf8_text(r.values[c])});
        }
    });
}

std::vector<JobSummary> SqlLedger::summaries(const std::string& where,
                                             const std::vector<SqlValue>& params) {
    std::vector<JobSummary> out;
    for (const SqlRow& r :
         db_->exec("SELECT j.name, j.label, j.base_file, j.created,"
                   " (SELECT MAX(at_utc) FROM job_rows WHERE job_id = j.id),"
                   " (SELECT COUNT(*) FROM job_rows WHERE job_id = j.id),"
                   " (SELECT COUNT(*) FROM job_rows WHERE job_id = j.id AND state = 'verified'),"
                   " (SELECT COUNT(*) FROM job_rows WHERE job_id = j.id AND state = 'failed'),"
                   " (SELECT COUNT(*) FROM job_rows WHERE job_id = j.id AND state = 'pending'),"
                   " (SELECT COUNT(*) FROM job_rows WHERE job_id = j.id AND state = 'taken')"
                   " FROM jobs j WHERE " +
                       where + " ORDER BY j.id",
                   params)) {
        JobSummary s;
        s.name = text(r[0]);
        s.label = text(r[1]);
        s.baseFile = text(r[2]);
        s.created = text(r[3]);
        s.lastActivity = text(r[4]);
        if (s.lastActivity.empty())
            s.lastActivity = s.created;
        s.rows = static_cast<int>(number(r[5], "a job"));
        s.verified = static_cast<int>(number(r[6], "a job"));
        s.failed = static_cast<int>(number(r[7], "a job"));
        s.pending = static_cast<int>(number(r[8], "a job"));
        s.taken = static_cast<int>(number(r[9], "a job"));
        out.push_back(std::move(s));
    }
    return out;
}

std::vector<JobSummary> SqlLedger::jobs() {
    std::lock_guard lock(mutex_);
    return reading([&] { return summaries("1 = 1", {}); });
}

std::vector<JobRow> SqlLedger::list_job_rows(const std::string& where,
                                             const std::vector<SqlValue>& params) {
    std::vector<JobRow> out;
    for (const SqlRow& r : db_->exec(std::string("SELECT ") + RowColumns +
                                         " FROM job_rows r JOIN jobs j ON j.id = r.job_id WHERE " +
                                         where + " ORDER BY r.job_id, r.row_number",
                                     params)) {
        JobRow row;
        row.id = number(r[0], "a job row");
        row.job = text(r[1]);
        row.row = static_cast<int>(number(r[2], "a job row"));
        row.label = text(r[3]);
        row.state = text(r[4]);
        row.station = text(r[5]);
        row.machine = text(r[6]);
        row.pid = number(r[7], "a job row");
        row.writing = number(r[8], "a job row") != 0;
        row.serial = text(r[9]);
        row.time = text(r[10]);
        out.push_back(std::move(row));
    }
    std::map<int64_t, std::size_t> at;
    for (std::size_t i = 0; i < out.size(); ++i)
        at[out[i].id] = i;
    if (out.size() == 1) { // the row a station takes: its cells alone
        for (const SqlRow& c :
             db_->exec("SELECT value FROM job_cells WHERE row_id = ? ORDER BY col",
                       {std::to_string(out[0].id)}))
            out[0].values.push_back(text(c[0]));
        return out;
    }
    for (const SqlRow& c :
         db_->exec("SELECT c.row_id, c.value FROM job_cells c JOIN job_rows r ON r.id = c.row_id"
                   " JOIN jobs j ON j.id = r.job_id WHERE " +
                       where + " ORDER BY c.row_id, c.col",
                   params)) {
        const auto it = at.find(number(c[0], "a job cell"));
        if (it != at.end())
            out[it->second].values.push_back(text(c[1]));
    }
    return out;
}

Job SqlLedger::job(const std::string& name) {
    std::lock_guard lock(mutex_);
    return reading([&] {
        const std::string n = utf8_text(name);
        const auto head = db_->exec("SELECT id, base_hex FROM jobs WHERE name = ?", {n});
        if (head.empty())
            throw LedgerError("There is no job named \"" + n + "\" in the ledger " + location() +
                              " (kprtool job list shows the jobs).");
        Job j;
        j.summary = summaries("j.id = ?", {head[0][0]}).at(0);
        const std::string hex = text(head[0][1]);
        for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
            const int hi = hex_digit(hex[i]), lo = hex_digit(hex[i + 1]);
            if (hi < 0 || lo < 0)
                throw LedgerError("The ledger " + location() +
                                  " is damaged: the base image of job \"" + n +
                                  "\" is not hex. Restore it from a backup.");
            j.base.push_back(static_cast<uint8_t>(hi * 16 + lo));
        }
        for (const SqlRow& c : db_->exec("SELECT setting_key, shared FROM job_columns"
                                         " WHERE job_id = ? ORDER BY col",
                                         {head[0][0]}))
            j.columns.push_back({text(c[0]), text(c[1]) == "1", text(c[1]) == "2"});
        j.rows = list_job_rows("r.job_id = ?", {head[0][0]});
        return j;
    });
}

std::vector<std::pair<Capcode, std::string>>
SqlLedger::held_by_pagers(const std::vector<Capcode>& capcodes) {
    std::lock_guard lock(mutex_);
    return reading([&] {
        std::vector<std::pair<Capcode, std::string>> out;
        for (Capcode c : capcodes) {
            const auto held = db_->exec("SELECT serial FROM capcode_holds WHERE capcode = ?"
                                        " AND attempt_id IS NOT NULL LIMIT 1",
                                        {std::to_string(c)});
            if (!held.empty())
                out.emplace_back(c, text(held[0][0]));
        }
        return out;
    });
}

std::optional<JobRow> SqlLedger::take_job_row(const std::string& name) {
    std::lock_guard lock(mutex_);
    return transaction([&]() -> std::optional<JobRow> {
        const std::string n = utf8_text(name);
        const auto head = db_->exec("SELECT id FROM jobs WHERE name = ?", {n});
        if (head.empty())
            throw LedgerError("The job \"" + n + "\" is no longer in the ledger " + location() +
                              ": no pager was written from it.");
        const auto next = db_->exec("SELECT id FROM job_rows WHERE job_id = ? AND state IN"
                                    " ('pending', 'failed') ORDER BY queue LIMIT 1",
                                    {head[0][0]});
        if (next.empty())
            return std::nullopt;
        std::vector<JobRow> rows = list_job_rows("r.id = ?", {next[0][0]});
        JobRow row = rows.at(0);
        // A capcode of the row that a pager was verified with after the import: writing it
        // would put one capcode into two pagers.
        const auto columns = db_->exec("SELECT setting_key, shared FROM job_columns"
                                       " WHERE job_id = ? ORDER BY col",
                                       {head[0][0]});
        for (std::size_t c = 0; c < columns.size() && c < row.values.size(); ++c) {
            if (text(columns[c][1]) == "2") {
                count_capcode(row, c, head[0][0]);
                continue;
            }
            const auto capcode = capcode_in(text(columns[c][0]), row.values[c]);
            if (!capcode || text(columns[c][1]) == "1")
                continue;
            const auto held = db_->exec("SELECT serial FROM capcode_holds WHERE capcode = ?"
                                        " AND attempt_id IS NOT NULL LIMIT 1",
                                        {std::to_string(*capcode)});
            if (!held.empty())
                throw LedgerError("Job \"" + n + "\" row " + std::to_string(row.row) + ": " +
                                  text(columns[c][0]) + " " + capcode_text(*capcode) +
                                  " is in pager " + text(held[0][0]) +
                                  " already (verified since the order was imported): the "
                                  "row was not written.");
        }
        row.state = JobTaken;
        row.station = utf8_text(owner_.station);
        row.machine = utf8_text(owner_.machine);
        row.pid = owner_.pid;
        row.time = utc_now_text();
        db_->exec(
            "UPDATE job_rows SET state = ?, station = ?, machine = ?, pid = ?,"
            " writing = 0, serial = '', at_utc = ? WHERE id = ?",
            {JobTaken, row.station, row.machine, std::to_string(row.pid), row.time, next[0][0]});
        return row;
    });
}

void SqlLedger::count_capcode(JobRow& row, std::size_t col, const SqlValue& jobId) {
    std::optional<Capcode> from = capcode_cell(row.values[col]);
    if (!from) { // a row taken for the first time: after the highest the job gave
        const auto top =
            db_->exec("SELECT MAX(CAST(c.value AS BIGINT)) FROM job_cells c JOIN job_rows r ON"
                      " r.id = c.row_id WHERE r.job_id = ? AND c.col = ? AND c.value <> ''",
                      {jobId, std::to_string(col)});
        if (top.empty() || !top[0][0])
            throw LedgerError("The ledger " + location() + " is damaged: the counting job \"" +
                              row.job + "\" has no first capcode. Restore it from a backup.");
        from =
            static_cast<Capcode>(std::min<int64_t>(number(top[0][0], "a capcode") + 1, CapcodeMax));
    }
    const LedgerReservation r = reserve_from(*from);
    row.values[col] = capcode_text(r.capcode);
    row.reservations.push_back(r.id);
    row.skipped.insert(row.skipped.end(), r.skipped.begin(), r.skipped.end());
    db_->exec("UPDATE job_cells SET value = ? WHERE row_id = ? AND col = ?",
              {row.values[col], std::to_string(row.id), std::to_string(col)});
}

void SqlLedger::mark_job_row_writing(int64_t row, const std::string& serial) {
    std::lock_guard lock(mutex_);
    transaction([&] {
        if (db_->exec("UPDATE job_rows SET writing = 1, serial = ? WHERE id = ? AND state = ?"
                      " RETURNING id",
                      {utf8_text(serial), std::to_string(row), JobTaken})
                .empty())
            throw LedgerError("The job row " + std::to_string(row) +
                              " is no longer taken in the ledger " + location() +
                              " (released by hand, or its job deleted?): the pager was not "
                              "written.");
    });
}

void SqlLedger::put_back(int64_t row, const char* state) {
    const auto first =
        db_->exec("SELECT MIN(queue) FROM job_rows WHERE job_id = (SELECT job_id FROM job_rows"
                  " WHERE id = ?)",
                  {std::to_string(row)});
    const int64_t queue = first.empty() || !first[0][0] ? 0 : number(first[0][0], "a job row") - 1;
    db_->exec("UPDATE job_rows SET state = ?, queue = ?, station = '', machine = '', pid = 0,"
              " writing = 0, serial = '', at_utc = ? WHERE id = ?",
              {state, std::to_string(queue), utc_now_text(), std::to_string(row)});
}

void SqlLedger::return_job_row(int64_t row) {
    std::lock_guard lock(mutex_);
    transaction([&] {
        if (!db_->exec("SELECT 1 FROM job_rows WHERE id = ? AND state = ?",
                       {std::to_string(row), JobTaken})
                 .empty())
            put_back(row, JobPending);
    });
}

std::vector<int64_t> SqlLedger::release_job_rows(const std::vector<int64_t>& ids) {
    std::lock_guard lock(mutex_);
    return transaction([&] {
        std::vector<int64_t> released;
        for (int64_t r : ids) {
            if (db_->exec("SELECT 1 FROM job_rows WHERE id = ? AND state = ?",
                          {std::to_string(r), JobTaken})
                    .empty())
                continue;
            put_back(r, JobPending);
            released.push_back(r);
        }
        return released;
    });
}

void SqlLedger::settle_job_row(const LedgerAttempt& a, const std::string& attemptId,
                               const std::string& serial) {
    const std::string row = std::to_string(a.jobRow);
    if (db_->exec("SELECT 1 FROM job_rows WHERE id = ? AND state = ?", {row, JobTaken}).empty())
        return; // released by hand meanwhile: the attempt alone tells what happened
    if (a.kind == "write" && a.result == "verified") {
        db_->exec("UPDATE job_rows SET state = ?, serial = ?, at_utc = ?, attempt_id = ?,"
                  " writing = 0, pid = 0 WHERE id = ?",
                  {JobVerified, serial, utc_now_text(), attemptId, row});
        return;
    }
    put_back(a.jobRow, a.result == "failed" ? JobFailed : JobPending);
}

int SqlLedger::delete_job(const std::string& name, bool force) {
    std::lock_guard lock(mutex_);
    return transaction([&] {
        const std::string n = utf8_text(name);
        const auto head = db_->exec("SELECT id FROM jobs WHERE name = ?", {n});
        if (head.empty())
            throw LedgerError("There is no job named \"" + n + "\" in the ledger " + location() +
                              " (kprtool job list shows the jobs).");
        const std::vector<JobRow> taken =
            list_job_rows("r.job_id = ? AND r.state = ?", {head[0][0], JobTaken});
        if (!taken.empty() && !force) {
            std::string rows;
            for (const JobRow& r : taken)
                rows += (rows.empty() ? "" : ", ") + std::to_string(r.row) + " (" + r.station +
                        (r.writing ? ", may be in a pager" : ", in work") + ")";
            throw LedgerError("Job \"" + n + "\" was not deleted: " + std::to_string(taken.size()) +
                              " row(s) are taken: " + rows +
                              ". Let the station finish, or check the pager and release the row "
                              "(kprtool job release); --force deletes it anyway.");
        }
        const SqlValue& id = head[0][0];
        const std::string rows =
            text(db_->exec("SELECT COUNT(*) FROM job_rows WHERE job_id = ?", {id}).at(0).at(0));
        db_->exec("DELETE FROM job_cells WHERE row_id IN (SELECT id FROM job_rows WHERE"
                  " job_id = ?)",
                  {id});
        db_->exec("DELETE FROM job_rows WHERE job_id = ?", {id});
        db_->exec("DELETE FROM job_columns WHERE job_id = ?", {id});
        db_->exec("DELETE FROM jobs WHERE id = ?", {id});
        return static_cast<int>(number(rows, "a job"));
    });
}

std::string uncertain_job_row_line(const JobRow& r) {
    return "Job \"" + r.job + "\" row " + std::to_string(r.row) + " (" +
           (r.label.empty() ? std::string() : r.label + ", ") + r.station + ", " + r.time +
           (r.serial.empty() ? std::string() : ", pager " + r.serial) +
           ") may be in a pager that was written but never recorded: it stays taken. Check "
           "that pager, then put the row back with: kprtool job release " +
           std::to_string(r.id);
}

} // namespace kpr
