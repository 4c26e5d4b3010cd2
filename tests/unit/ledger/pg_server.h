#pragma once
// A throw-away PostgreSQL server for tests: the installed Debian server binaries, initdb and
// pg_ctl in a scratch folder, listening on a Unix socket only, stopped and removed at the
// end. As root the server runs as "nobody" (PostgreSQL refuses root).
#include <string>

namespace kpr::test {

class PgServer {
  public:
    PgServer();
    ~PgServer();
    PgServer(const PgServer&) = delete;
    PgServer& operator=(const PgServer&) = delete;

    // Empty when the server runs; otherwise why it could not be started.
    const std::string& problem() const { return problem_; }
    // A ledger URL for a fresh database of that name, made on the call.
    std::string fresh_database(const std::string& name);

  private:
    std::string dir_, bin_, asUser_, problem_;
    bool started_ = false;
};

} // namespace kpr::test
