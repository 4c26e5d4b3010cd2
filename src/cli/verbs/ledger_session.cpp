#include "cli/verbs/ledger_session.h"

#include "cli/command.h"
#include "cli/verbs/device_session.h"
#include "product/ledger_settings.h"

#include <atomic>

namespace kpr::cli {

const QCommandLineOption ledgerOption(
    "ledger",
    "The programming ledger: a SQLite file (default: ledger.sqlite in the data folder), "
    "postgresql://host/db or a PostgreSQL socket path.",
    "URL");
const QCommandLineOption
    noLedgerOption("no-ledger",
                   "Record nothing in the ledger; a batch with auto-increase then does not check "
                   "its capcodes against the pagers already written.");

namespace {
std::atomic<Ledger*> interruptible{nullptr};
}

void set_interruptible_ledger(Ledger* ledger) {
    interruptible.store(ledger);
}

void interrupt_ledger() {
    if (Ledger* l = interruptible.load())
        l->interrupt();
}

std::string cli_ledger_url(const QCommandLineParser& parser) {
    return parser.isSet(ledgerOption) ? parser.value(ledgerOption).toStdString()
                                      : product_ledger_url();
}

std::unique_ptr<Ledger> open_cli_ledger(CommandContext& ctx, const QCommandLineParser& parser,
                                        LedgerAccess access) {
    try {
        LedgerOpening found;
        auto l = open_ledger(cli_ledger_url(parser), product_ledger_file(), access, &found);
        if (found.freed > 0)
            ctx.err << "Freed " << found.freed
                    << " capcode reservation(s) of programs that ended before writing a pager.\n";
        for (const OpenReservation& r : found.uncertain)
            ctx.err << QString::fromStdString(uncertain_reservation_line(r)) << "\n";
        if (found.freedRows > 0)
            ctx.err << "Put back " << found.freedRows
                    << " job row(s) of programs that ended before writing a pager.\n";
        for (const JobRow& r : found.uncertainRows)
            ctx.err << QString::fromStdString(uncertain_job_row_line(r)) << "\n";
        ctx.err.flush();
        return l;
    } catch (const LedgerError& e) {
        ctx.err << QString::fromStdString(e.what()) << "\n";
        ctx.err.flush();
        return nullptr;
    }
}

LedgerSession::~LedgerSession() {
    set_interruptible_ledger(nullptr);
}

bool LedgerSession::open(const QCommandLineParser& parser, bool needed) {
    if (parser.isSet(noLedgerOption)) {
        s_.messages().message("Not recording in the ledger (--no-ledger).", MessageIcon::Warning);
        return true;
    }
    LedgerParts parts{s_.hooks(), s_.messages(), s_.link(),
                      [this] { return s_.takeLastMessage(); }};
    parts.goOnWithout = [this](const std::string& why) {
        s_.messages().message(why + " A batch with auto-increase needs the ledger to keep its "
                                    "capcodes out of other pagers; --no-ledger writes without it.",
                              MessageIcon::Critical);
        return false;
    };
    auto recorder = std::make_unique<LedgerRecorder>(std::move(parts), cli_ledger_url(parser),
                                                     product_ledger_file());
    LedgerRecorder& opened = *recorder;
    s_.session().setRecorder(std::move(recorder));
    if (!opened.ready(needed)) {
        s_.session().setRecorder(nullptr);
        return false;
    }
    recorder_ = &opened;
    set_interruptible_ledger(opened.ledger());
    return true;
}

} // namespace kpr::cli
