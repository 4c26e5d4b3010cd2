#include "cli/verbs/ledger_session.h"

#include "cli/command.h"
#include "cli/verbs/device_session.h"
#include "platform/product_ledger.h"

namespace kpr::cli {

const QCommandLineOption ledgerOption(
    "ledger",
    "The programming ledger: a SQLite file (default: ledger.sqlite in the data folder), "
    "postgresql://host/db or a PostgreSQL socket path.",
    "URL");

std::string cli_ledger_url(const QCommandLineParser& parser) {
    return parser.isSet(ledgerOption) ? parser.value(ledgerOption).toStdString()
                                      : product_ledger_url();
}

std::unique_ptr<Ledger> open_cli_ledger(CommandContext& ctx, const QCommandLineParser& parser) {
    try {
        return open_ledger(cli_ledger_url(parser), product_ledger_file());
    } catch (const LedgerError& e) {
        ctx.err << QString::fromStdString(e.what()) << "\n";
        ctx.err.flush();
        return nullptr;
    }
}

bool LedgerSession::open(const QCommandLineParser& parser) {
    recorder_.emplace(LedgerParts{s_.ops(), s_.hooks(), s_.backups(), s_.messages(), s_.link(),
                                  [this] { return s_.takeLastMessage(); }},
                      cli_ledger_url(parser), product_ledger_file());
    return recorder_->ready();
}

} // namespace kpr::cli
