#pragma once
// A throw-away PostgreSQL server for tests: the installed Debian server binaries, initdb and
// pg_ctl in a scratch folder, listening on a Unix socket only, stopped and removed at the
// end. As root the server runs as "nobody" (PostgreSQL refuses root).
#include "ledger/pg_connection.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

namespace kpr::test {

class PgServer {
  public:
    PgServer() {
        std::error_code ec;
        for (const auto& e :
             std::filesystem::directory_iterator("/usr/lib/postgresql", ec)) // the newest
            if (std::filesystem::exists(e.path() / "bin" / "pg_ctl") &&
                e.path().string() + "/bin/" > bin_)
                bin_ = e.path().string() + "/bin/";
        char tmpl[] = "/tmp/kpr-pg-XXXXXX";
        if (bin_.empty() || !::mkdtemp(tmpl)) {
            problem_ =
                "no PostgreSQL server binaries under /usr/lib/postgresql or no scratch folder";
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
        const std::string in = "cd " + dir_ + " && " + asUser_ + bin_;
        if (!copy_of_initialised_cluster()) {
            problem_ = "initdb failed, see " + dir_ + "/initdb.log";
            return;
        }
        started_ = std::system((in + "pg_ctl -D data -l server.log -w -o \"-k " + dir_ +
                                " -c listen_addresses='' -c fsync=off\" start > /dev/null 2>&1")
                                   .c_str()) == 0;
        if (!started_)
            problem_ = "the server did not start, see " + dir_ + "/server.log";
    }

    ~PgServer() {
        if (started_)
            (void)std::system(("cd " + dir_ + " && " + asUser_ + bin_ +
                               "pg_ctl -D data -m immediate stop > /dev/null 2>&1")
                                  .c_str());
        if (!dir_.empty() && problem_.empty()) {
            std::error_code ec;
            std::filesystem::remove_all(dir_, ec);
        }
    }

    // A ledger URL for a fresh database of that name, made on the call.
    std::string fresh_database(const std::string& name) {
        const std::string admin = "postgresql:///postgres?host=" + dir_ + "&user=kpr";
        PgConnection c(admin, admin);
        c.connect(LedgerAccess::Record);
        c.exec("DROP DATABASE IF EXISTS " + name, {});
        c.exec("CREATE DATABASE " + name, {});
        return "postgresql:///" + name + "?host=" + dir_ + "&user=kpr";
    }

    PgServer(const PgServer&) = delete;
    PgServer& operator=(const PgServer&) = delete;

    // The server as the field sees it fail: stopped, started again, frozen (every server
    // process stopped with SIGSTOP) and thawed.
    bool stop() { return ctl("-m immediate stop"); }
    bool start() {
        return ctl("-l server.log -w -o \"-k " + dir_ +
                   " -c listen_addresses='' -c fsync=off\" start");
    }
    void freeze() { signal_all("STOP"); }
    void thaw() { signal_all("CONT"); }

    // Empty when the server runs; otherwise why it could not be started.
    const std::string& problem() const { return problem_; }

  private:
    // A fresh cluster as data/: a copy of one initdb made once for every test process of
    // this user and server version (initdb takes seconds, a copy a fraction of one). The
    // first process makes it under a lock, in a folder of its own renamed into place, so a
    // process killed half way never leaves half a cluster behind.
    bool copy_of_initialised_cluster() {
        const std::string version =
            std::filesystem::path(bin_).parent_path().parent_path().filename().string();
        const std::string tmpl =
            "/tmp/kpr-pg-cluster-" + std::to_string(::geteuid()) + "-" + version;
        const std::string make =
            "[ -f " + tmpl + "/PG_VERSION ] || { rm -rf " + tmpl + ".new && mkdir " + tmpl +
            ".new && " + (asUser_.empty() ? "" : "chown nobody " + tmpl + ".new && ") + asUser_ +
            bin_ + "initdb -D " + tmpl + ".new -U kpr --auth=trust -E UTF8 --no-sync > " + dir_ +
            "/initdb.log 2>&1 && mv " + tmpl + ".new " + tmpl + "; }";
        return std::system(("flock " + tmpl + ".lock sh -c '" + make + "' && cp -a " + tmpl + " " +
                            dir_ + "/data")
                               .c_str()) == 0;
    }

    bool ctl(const std::string& what) {
        return std::system(("cd " + dir_ + " && " + asUser_ + bin_ + "pg_ctl -D data " + what +
                            " > /dev/null 2>&1")
                               .c_str()) == 0;
    }
    // The postmaster and every process it started.
    void signal_all(const std::string& sig) {
        (void)std::system(("pm=$(head -1 " + dir_ + "/data/postmaster.pid); kill -" + sig +
                           " $pm $(pgrep -P $pm)")
                              .c_str());
    }

    std::string dir_, bin_, asUser_, problem_;
    bool started_ = false;
};

// The server of this test process, started on first use.
inline PgServer& shared_pg_server() {
    static PgServer server;
    return server;
}

// A ledger URL for a fresh database on that server, "<prefix>N"; nothing when there is no
// server (shared_pg_server().problem() says why).
inline std::optional<std::string> fresh_pg_database(const std::string& prefix) {
    static int n = 0;
    if (!shared_pg_server().problem().empty())
        return std::nullopt;
    return shared_pg_server().fresh_database(prefix + std::to_string(++n));
}

} // namespace kpr::test
