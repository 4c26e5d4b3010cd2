#include "ledger/attempt_facts.h"
#include "ledger/ledger.h"
#include "ledger/pg_connection.h"
#include "ledger/sql_ledger.h"
#include "ledger/sqlite_connection.h"

#include <sys/stat.h>

#include <filesystem>

namespace kpr {

namespace {

bool starts_with(const std::string& s, const char* p) {
    return s.rfind(p, 0) == 0;
}

// libpq's keyword value, quoted.
std::string quoted(const std::string& v) {
    std::string q = "'";
    for (char c : v)
        q += (c == '\'' || c == '\\') ? std::string("\\") + c : std::string(1, c);
    return q + "'";
}

} // namespace

std::unique_ptr<Ledger> make_ledger(const std::string& url, const std::string& defaultFile) {
    if (starts_with(url, "postgresql://") || starts_with(url, "postgres://"))
        return std::make_unique<SqlLedger>(std::make_unique<PgConnection>(url, url));
    std::string path = url.empty() ? defaultFile : url;
    if (starts_with(path, "sqlite:"))
        path = path.substr(7);
    // A PostgreSQL socket or the folder holding it; user and database as libpq's defaults
    // (PGUSER, PGDATABASE) say.
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && (S_ISSOCK(st.st_mode) || S_ISDIR(st.st_mode))) {
        const std::filesystem::path p(path);
        std::string info = "host=" + quoted(S_ISDIR(st.st_mode) ? path : p.parent_path().string());
        const std::string name = p.filename().string();
        if (S_ISSOCK(st.st_mode) && starts_with(name, ".s.PGSQL."))
            info += " port=" + quoted(name.substr(9));
        return std::make_unique<SqlLedger>(std::make_unique<PgConnection>(info, path));
    }
    return std::make_unique<SqlLedger>(std::make_unique<SqliteConnection>(path));
}

std::unique_ptr<Ledger> open_ledger(const std::string& url, const std::string& defaultFile) {
    auto l = make_ledger(url, defaultFile);
    l->open(station_name());
    return l;
}

} // namespace kpr
