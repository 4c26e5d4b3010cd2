// kprtool log [--since DATE] [--serial S] [--capcode C] [--result R] [--csv|--json]
//             [--ledger URL]
#include "cli/command.h"
#include "cli/verbs/ledger_session.h"
#include "ledger/ledger_format.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <memory>

namespace kpr::cli {

namespace {

const QCommandLineOption sinceOption("since",
                                     "Attempts from DATE on (UTC; 2026-03-01 or "
                                     "2026-03-01T12:00:00Z).",
                                     "DATE");
const QCommandLineOption serialOption("serial", "Attempts on the pager with this serial number.",
                                      "S");
const QCommandLineOption capcodeOption("capcode", "Attempts with this capcode in any slot.", "C");
const QCommandLineOption resultOption("result", "verified, read, failed or cancelled.", "R");
const QCommandLineOption csvOption("csv", "CSV with a header line, as paging terminals import.");
const QCommandLineOption jsonOption("json", "A JSON array of attempts.");

class LogCommand final : public Command {
  public:
    LogCommand()
        : Command("log", "List the programming ledger: every write, read and verify, newest "
                         "first.") {
        for (const auto& o : {sinceOption, serialOption, capcodeOption, resultOption, csvOption,
                              jsonOption, ledgerOption})
            addOption(o);
    }

  protected:
    int run(CommandContext& ctx, const QCommandLineParser& parser, const QStringList&) override {
        LedgerFilter f;
        if (parser.isSet(sinceOption)) {
            const QString v = parser.value(sinceOption);
            const QDate d = QDate::fromString(v, Qt::ISODate);
            const QDateTime t = QDateTime::fromString(v, Qt::ISODate);
            if (d.isValid())
                f.since = d.toString(Qt::ISODate).toStdString();
            else if (t.isValid())
                f.since = t.toUTC().toString("yyyy-MM-ddTHH:mm:ssZ").toStdString();
            else
                return usage(ctx, "--since takes a date, e.g. 2026-03-01");
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
        if (parser.isSet(csvOption) && parser.isSet(jsonOption))
            return usage(ctx, "--csv and --json do not go together");

        const auto ledger = open_cli_ledger(ctx, parser);
        if (!ledger)
            return ExitFailure;
        std::vector<LedgerAttempt> rows;
        try {
            rows = ledger->query(f);
        } catch (const LedgerError& e) {
            ctx.err << e.what() << "\n";
            return ExitFailure;
        }
        if (parser.isSet(csvOption)) {
            ctx.out << QString::fromStdString(ledger_csv(rows));
        } else if (parser.isSet(jsonOption)) {
            QJsonArray list;
            for (const LedgerAttempt& a : rows) {
                QJsonObject o;
                const auto values = ledger_row(a);
                for (std::size_t i = 0; i < values.size(); ++i)
                    o[QString::fromStdString(ledger_columns()[i])] =
                        QString::fromStdString(values[i]);
                list.append(o);
            }
            ctx.out << QJsonDocument(list).toJson();
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
