#include "ledger/attempt_facts.h"
#include "ledger/ledger.h"
#include "ledger/pg_connection.h"
#include "ledger/sql_ledger.h"
#include "ledger/sqlite_connection.h"
#include "settings/capcode.h"

#include <sys/stat.h>

#include <filesystem>
#include <regex>

namespace kpr {

namespace {

// libpq's keyword value, quoted.
std::string quoted(const std::string& v) {
    std::string q = "'";
    for (char c : v)
        q += (c == '\'' || c == '\\') ? std::string("\\") + c : std::string(1, c);
    return q + "'";
}

} // namespace

std::string redacted_ledger_url(const std::string& url) {
    static const std::regex inUser(R"(^(postgres(?:ql)?://[^:/@?#]*:)[^@/?#]*@)",
                                   std::regex::icase);
    static const std::regex keyword(R"((^|[?&\s])(password\s*=\s*)('(?:[^'\\]|\\.)*'|[^&\s]*))",
                                    std::regex::icase);
    std::string out = std::regex_replace(url, inUser, "$1***@");
    return std::regex_replace(out, keyword, "$1$2***");
}

std::unique_ptr<Ledger> make_ledger(const std::string& url, const std::string& defaultFile) {
    if (url.starts_with("postgresql://") || url.starts_with("postgres://"))
        return std::make_unique<SqlLedger>(
            std::make_unique<PgConnection>(url, redacted_ledger_url(url)));
    std::string path = url.empty() ? defaultFile : url;
    if (path.starts_with("sqlite:"))
        path = path.substr(7);
    // Names SQLite gives a meaning of its own would be a ledger that vanishes with the
    // program (or one shared only in memory): every capcode would be free again next time.
    if (path.empty() || path == ":memory:" || path.starts_with("file:"))
        throw LedgerError("The ledger \"" + utf8_text(url) +
                          "\" names no file. Give the path of a ledger file, or a "
                          "postgresql:// URL.");
    // A PostgreSQL socket or the folder holding it; user and database as libpq's defaults
    // (PGUSER, PGDATABASE) say.
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && (S_ISSOCK(st.st_mode) || S_ISDIR(st.st_mode))) {
        const std::filesystem::path p(path);
        std::string info = "host=" + quoted(S_ISDIR(st.st_mode) ? path : p.parent_path().string());
        const std::string name = p.filename().string();
        if (S_ISSOCK(st.st_mode) && name.starts_with(".s.PGSQL."))
            info += " port=" + quoted(name.substr(9));
        return std::make_unique<SqlLedger>(std::make_unique<PgConnection>(info, path));
    }
    return std::make_unique<SqlLedger>(std::make_unique<SqliteConnection>(path));
}

std::unique_ptr<Ledger> open_ledger(const std::string& url, const std::string& defaultFile,
                                    LedgerAccess access, LedgerOpening* opening) {
    auto l = make_ledger(url, defaultFile);
    const std::string idFile =
        defaultFile.empty()
            ? std::string()
            : (std::filesystem::path(defaultFile).parent_path() / "machine-id").string();
    const LedgerOpening found = l->open(this_owner(idFile), access);
    if (opening)
        *opening = found;
    return l;
}

std::string uncertain_reservation_line(const OpenReservation& r) {
    return "Capcode " + capcode_text(r.capcode) + " (reservation " + std::to_string(r.id) + ", " +
           r.station + ", " + r.since + (r.serial.empty() ? std::string() : ", pager " + r.serial) +
           ") may be in a pager that was written but never recorded: it stays held. Check "
           "that pager, then free it with: kprtool ledger release " +
           std::to_string(r.id);
}

} // namespace kpr
