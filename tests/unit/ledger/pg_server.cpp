#include "pg_server.h"

#include "ledger/pg_connection.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace kpr::test {

namespace fs = std::filesystem;

namespace {
std::string server_bin() {
    std::error_code ec;
    std::string best;
    for (const auto& e : fs::directory_iterator("/usr/lib/postgresql", ec))
        if (fs::exists(e.path() / "bin" / "pg_ctl") && e.path().string() > best)
            best = e.path().string();
    return best.empty() ? "" : best + "/bin/";
}
} // namespace

PgServer::PgServer() {
    bin_ = server_bin();
    if (bin_.empty()) {
        problem_ = "no PostgreSQL server binaries under /usr/lib/postgresql";
        return;
    }
    char tmpl[] = "/tmp/kpr-pg-XXXXXX";
    if (!::mkdtemp(tmpl)) {
        problem_ = "no scratch folder";
        return;
    }
    dir_ = tmpl;
    if (::geteuid() == 0) {
        const passwd* nobody = ::getpwnam("nobody");
        if (!nobody || ::chown(dir_.c_str(), nobody->pw_uid, nobody->pw_gid) != 0) {
            problem_ = "running as root and cannot hand the scratch folder to nobody";
            return;
        }
        asUser_ = "runuser -u nobody -- ";
    }
    const std::string data = dir_ + "/data";
    const std::string init = "cd " + dir_ + " && " + asUser_ + bin_ + "initdb -D " + data +
                             " -U kpr --auth=trust -E UTF8 --no-sync > " + dir_ +
                             "/initdb.log 2>&1";
    if (std::system(init.c_str()) != 0) {
        problem_ = "initdb failed, see " + dir_ + "/initdb.log";
        return;
    }
    const std::string start = "cd " + dir_ + " && " + asUser_ + bin_ + "pg_ctl -D " + data +
                              " -l " + dir_ + "/server.log -w -o \"-k " + dir_ +
                              " -c listen_addresses='' -c fsync=off\" start > /dev/null 2>&1";
    started_ = std::system(start.c_str()) == 0;
    if (!started_)
        problem_ = "the server did not start, see " + dir_ + "/server.log";
}

PgServer::~PgServer() {
    if (started_) {
        const std::string stop = "cd " + dir_ + " && " + asUser_ + bin_ + "pg_ctl -D " + dir_ +
                                 "/data -m immediate stop > /dev/null 2>&1";
        (void)std::system(stop.c_str());
    }
    if (!dir_.empty() && problem_.empty()) {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
}

std::string PgServer::fresh_database(const std::string& name) {
    const std::string admin = "postgresql:///postgres?host=" + dir_ + "&user=kpr";
    PgConnection c(admin, admin);
    c.connect();
    c.exec("DROP DATABASE IF EXISTS " + name, {});
    c.exec("CREATE DATABASE " + name, {});
    return "postgresql:///" + name + "?host=" + dir_ + "&user=kpr";
}

} // namespace kpr::test
