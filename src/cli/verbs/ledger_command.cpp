// kprtool ledger release ID... [--ledger URL]
#include "cli/command.h"
#include "cli/verbs/ledger_session.h"
#include "product/ledger_settings.h"

#include <memory>

namespace kpr::cli {

namespace {

class LedgerCommand final : public Command {
  public:
    LedgerCommand()
        : Command("ledger", "Look after the ledger: \"release ID...\" frees capcode reservations "
                            "(see log --open) once their pagers have been checked.") {
        addPositional("release", "What to do: release.");
        addPositional("ID", "The reservations to free.", false, true);
        addOption(ledgerOption);
    }

  protected:
    int run(CommandContext& ctx, const QCommandLineParser& parser,
            const QStringList& args) override {
        if (args.at(0) != "release") {
            ctx.err << "kprtool ledger: the only action is release\n";
            return ExitUsage;
        }
        std::vector<int64_t> ids;
        for (int i = 1; i < args.size(); ++i) {
            bool ok = false;
            const qlonglong id = args.at(i).toLongLong(&ok);
            if (!ok || id <= 0) {
                ctx.err << "kprtool ledger: " << args.at(i) << " is not a reservation number\n";
                return ExitUsage;
            }
            ids.push_back(id);
        }
        // Freeing makes no ledger: a mistyped path is an error, not a new empty ledger.
        try {
            open_ledger(cli_ledger_url(parser), product_ledger_file(), LedgerAccess::List);
        } catch (const LedgerMissing& e) {
            ctx.err << QString::fromStdString(e.what()) << "\n";
            return ExitFailure;
        } catch (const LedgerError&) {
            // told by the opening below
        }
        const auto ledger = open_cli_ledger(ctx, parser);
        if (!ledger)
            return ExitFailure;
        try {
            const std::vector<int64_t> freed = ledger->release_checked(ids);
            for (int64_t id : ids) {
                const bool was = std::find(freed.begin(), freed.end(), id) != freed.end();
                (was ? ctx.out : ctx.err)
                    << "Reservation " << id << (was ? " freed." : " is not open.") << "\n";
            }
            return freed.size() == ids.size() ? ExitSuccess : ExitFailure;
        } catch (const LedgerError& e) {
            ctx.err << QString::fromStdString(e.what()) << "\n";
            return ExitFailure;
        }
    }
};

} // namespace

std::unique_ptr<Command> make_ledger_command() {
    return std::make_unique<LedgerCommand>();
}

} // namespace kpr::cli
