#pragma once
// What the ledger benchmarks share: a SQLite ledger of their own, filled with many verified
// pagers in one statement, removed with its side files when the run ends.
#include "ledger/ledger.h"
#include "ledger/sqlite_connection.h"

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

namespace kpr::bench {

inline double ms_since(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

class FilledLedger {
  public:
    // `file` empty: kpr-bench-NAME-PID.sqlite in the temporary folder. `attempts` verified
    // pagers, serials KS0000000000 on; `more` runs in the same transaction.
    FilledLedger(const std::string& name, std::string file, int attempts,
                 const std::function<void(SqliteConnection&)>& more = {})
        : file_(file.empty()
                    ? (std::filesystem::temp_directory_path() /
                       ("kpr-bench-" + name + "-" + std::to_string(::getpid()) + ".sqlite"))
                          .string()
                    : std::move(file)) {
        std::filesystem::remove(file_);
        ledger_ = make_ledger(file_, "");
        ledger_->open({"bench-machine", "bench", ::getpid()});
        SqliteConnection db(file_);
        db.connect(LedgerAccess::Record);
        db.exec("BEGIN", {});
        db.exec("WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < ? - 1)"
                " INSERT INTO attempts (at_utc, station, port, user_name, kind, serial, firmware,"
                " frequency, language, image_sha256, backup_file, result, message, serial_hex,"
                " serial_identifies) SELECT '2026-01-01T00:00:00Z', 'b', 'p', 'u', 'write',"
                " printf('KS%010d', i), 1, '0', '', '', '', 'verified', '', '', 1 FROM n",
                {std::to_string(attempts)});
        if (more)
            more(db);
        db.exec("COMMIT", {});
    }
    FilledLedger(const FilledLedger&) = delete;
    FilledLedger& operator=(const FilledLedger&) = delete;
    ~FilledLedger() {
        ledger_.reset();
        for (const char* side : {"", "-wal", "-shm"})
            std::filesystem::remove(file_ + side);
    }

    Ledger* operator->() { return ledger_.get(); }
    Ledger* get() { return ledger_.get(); }

  private:
    std::string file_;
    std::unique_ptr<Ledger> ledger_;
};

} // namespace kpr::bench
