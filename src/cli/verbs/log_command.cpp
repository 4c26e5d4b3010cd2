// kprtool log [--since DATE] [--serial S] [--capcode C] [--result R] [--csv|--json]
//             [--open] [--ledger URL]
#include "cli/command.h"
#include "cli/verbs/ledger_session.h"
#include "ledger/attempt_facts.h"
#include "ledger/ledger_format.h"
#include "product/ledger_settings.h"
#include "settings/capcode.h"

#include <memory>

namespace kpr::cli {

namespace {

const QCommandLineOption sinceOption("since",
                                     "Attempts from DATE on: 2026-03-01, 2026-03-01T12:00, "
                                     "2026-03-01T12:00:00Z or with an offset (+02:00); "
                                     "local time without a zone.",
                                     "DATE");
const QCommandLineOption serialOption("serial", "Attempts on the pager with this serial number.",
                                      "S");
const QCommandLineOption capcodeOption("capcode", "Attempts with this capcode in any slot.", "C");
const QCommandLineOption resultOption("result", "verified, read, failed or cancelled.", "R");
const QCommandLineOption
    attemptsCsvOption("csv", "CSV with a header line, as paging terminals import: values "
                             "exact, control characters as \\xNN.");
const QCommandLineOption attemptsJsonOption("json", "A JSON array of attempts, one object a line.");
const QCommandLineOption openOption("open",
                                    "The capcode reservations still open instead: those marked "
                                    "writing may be in a pager nobody recorded.");

// The open reservations, one line each; a note on what to do with those written.
int list_open(CommandContext& ctx, Ledger& ledger) {
    std::vector<OpenReservation> open;
    try {
        open = ledger.open_reservations();
    } catch (const LedgerError& e) {
        ctx.err << QString::fromStdString(e.what()) << "\n";
        return ExitFailure;
    }
    bool writing = false;
    for (const OpenReservation& r : open) {
        writing = writing || r.writing;
        ctx.out << QString::number(r.id).leftJustified(6) << "  "
                << QString::fromStdString(capcode_text(r.capcode)) << "  "
                << QString::fromStdString(r.since) << "  "
                << QString(r.writing ? "writing" : "reserved").leftJustified(8) << "  "
                << QString::fromStdString(r.serial.empty() ? "-" : r.serial).leftJustified(12)
                << "  " << QString::fromStdString(utf8_text(r.station)) << " (process " << r.pid
                << ")\n";
    }
    if (writing)
        ctx.err << "A reservation marked writing may be in a pager whose attempt was never "
                   "recorded. Check that pager; if it does not carry the capcode, free it with "
                   "kprtool ledger release ID.\n";
    return ExitSuccess;
}

class LogCommand final : public Command {
  public:
    LogCommand()
        : Command("log", "List the programming ledger: every write, read and verify, newest "
                         "first.") {
        for (const auto& o : {sinceOption, serialOption, capcodeOption, resultOption,
                              attemptsCsvOption, attemptsJsonOption, openOption, ledgerOption})
            addOption(o);
    }

  protected:
    int run(CommandContext& ctx, const QCommandLineParser& parser, const QStringList&) override {
        LedgerFilter f;
        if (parser.isSet(sinceOption)) {
            const auto since = ledger_since_utc(parser.value(sinceOption).toStdString());
            if (!since)
                return usage(ctx, "--since takes a date, or a date and a time, e.g. 2026-03-01 "
                                  "or 2026-03-01T12:00:00+02:00");
            f.since = *since;
        }
        f.serial = parser.value(serialOption).toStdString();
        if (parser.isSet(capcodeOption)) {
            bool ok = false;
            const int c = parser.value(capcodeOption).toInt(&ok);
            if (!ok || c < 0 || c > 2097151)
                return usage(ctx, "--capcode takes a capcode, 0 to 2097151");
            f.capcode = c;
        }
        f.result = parser.value(resultOption).toStdString();
        if (!f.result.empty() && f.result != "verified" && f.result != "read" &&
            f.result != "failed" && f.result != "cancelled")
            return usage(ctx, "--result takes verified, read, failed or cancelled");
        if (parser.isSet(attemptsCsvOption) && parser.isSet(attemptsJsonOption))
            return usage(ctx, "--csv and --json do not go together");

        std::unique_ptr<Ledger> ledger;
        try {
            // Listing writes nothing: a read-only or damaged ledger still lists what it can,
            // a SELECT-only database role lists, and a mistyped path makes no new ledger.
            ledger = open_ledger(cli_ledger_url(parser), product_ledger_file(), LedgerAccess::List);
        } catch (const LedgerMissing& e) {
            if (!cli_ledger_url(parser).empty()) {
                ctx.err << QString::fromStdString(e.what()) << "\n";
                return ExitFailure;
            }
            return ExitSuccess; // the default ledger: nothing recorded yet
        } catch (const LedgerError& e) {
            ctx.err << QString::fromStdString(e.what()) << "\n";
            return ExitFailure;
        }
        if (parser.isSet(openOption))
            return list_open(ctx, *ledger);
        std::vector<LedgerAttempt> rows;
        try {
            rows = ledger->query(f);
        } catch (const LedgerError& e) {
            ctx.err << e.what() << "\n";
            return ExitFailure;
        }
        // Row by row: a document of the whole ledger would take several times its size.
        if (parser.isSet(attemptsCsvOption)) {
            ctx.out << QString::fromStdString(ledger_csv_line(ledger_columns()));
            for (const LedgerAttempt& a : rows)
                ctx.out << QString::fromStdString(ledger_csv_line(ledger_row(a)));
        } else if (parser.isSet(attemptsJsonOption)) {
            ctx.out << "[";
            for (std::size_t i = 0; i < rows.size(); ++i)
                ctx.out << (i ? ",\n" : "\n")
                        << QString::fromStdString(ledger_json_object(rows[i]));
            ctx.out << "\n]\n";
        } else {
            // The listing's columns, padded: time, kind, serial, result, capcodes, station.
            static const int widths[] = {0, 6, 12, 9, 0, 0};
            for (const LedgerAttempt& a : rows) {
                const auto values = ledger_listing_row(a);
                QStringList line;
                for (std::size_t i = 0; i < values.size(); ++i) {
                    QString v = QString::fromStdString(values[i]);
                    if (i == 2 && v.isEmpty())
                        v = "-";
                    line << v.leftJustified(widths[i]);
                }
                ctx.out << line.join("  ") << "\n";
            }
        }
        return ExitSuccess;
    }

  private:
    static int usage(CommandContext& ctx, const char* why) {
        ctx.err << "kprtool log: " << why << "\n";
        return ExitUsage;
    }
};

} // namespace

std::unique_ptr<Command> make_log_command() {
    return std::make_unique<LogCommand>();
}

} // namespace kpr::cli
