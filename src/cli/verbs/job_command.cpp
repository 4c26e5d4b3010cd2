// kprtool job import ORDER.csv --table BASE.tbl [--name NAME] [--check]
// kprtool job list | show NAME [--csv|--json] | report NAME -o NOTE.csv | release ID...
// kprtool job delete NAME [--force]
#include "cli/cli_messages.h"
#include "cli/command.h"
#include "cli/table_io.h"
#include "cli/verbs/job_report.h"
#include "cli/verbs/ledger_session.h"
#include "common/printable_text.h"
#include "editor/settings_keys.h"
#include "jobs/job_format.h"
#include "jobs/order.h"
#include "ledger/ledger_format.h"
#include "product/ledger_settings.h"

#include <QFileInfo>

#include <memory>
#include <optional>

namespace kpr::cli {

namespace {

const QCommandLineOption
    tableOption("table", "import: the base table file every row is applied to.", "BASE.tbl");
const QCommandLineOption nameOption("name",
                                    "import: the job's name (default: the order's file "
                                    "name without .csv).",
                                    "NAME");
const QCommandLineOption labelOption("label", "import: the customer, for the delivery note.",
                                     "TEXT");
const QCommandLineOption checkOption("check", "import: check the order only; store nothing.");
const QCommandLineOption rowsCsvOption("csv", "show: the rows as CSV.");
const QCommandLineOption rowsJsonOption("json",
                                        "show: the rows as a JSON array, one object a line.");
const QCommandLineOption
    outOption({"o", "output"}, "report: the delivery note to write, NOTE.pdf or NOTE.csv.", "NOTE");
const QCommandLineOption letterOption("letter", "report: US Letter pages instead of A4.");
const QCommandLineOption deleteForceOption("force",
                                           "delete: even while rows are taken (in work, or held as "
                                           "uncertain).");

class JobCommand final : public Command {
  public:
    JobCommand()
        : Command("job", "Customers' orders as jobs in the ledger: \"import ORDER.csv --table "
                         "BASE.tbl\", \"list\", \"show NAME\", \"report NAME -o NOTE\", "
                         "\"release ID...\" (rows held as uncertain, once their pagers have "
                         "been checked), \"delete NAME\" (its attempts stay in the ledger).") {
        addPositional("ACTION", "import, list, show, report, release or delete.");
        addPositional("ARG", "The order file, the job's name or the row ids.", true, true);
        for (const auto& o :
             {tableOption, nameOption, labelOption, checkOption, rowsCsvOption, rowsJsonOption,
              outOption, letterOption, deleteForceOption, ledgerOption})
            addOption(o);
    }

  protected:
    int run(CommandContext& ctx, const QCommandLineParser& parser,
            const QStringList& args) override {
        const QString action = args.at(0);
        const QStringList rest = args.mid(1);
        if (action == "import" && rest.size() == 1)
            return import(ctx, parser, rest.at(0));
        if (action == "list" && rest.isEmpty())
            return list(ctx, parser);
        if (action == "show" && rest.size() == 1)
            return show(ctx, parser, rest.at(0).toStdString());
        if (action == "report" && rest.size() == 1)
            return report(ctx, parser, rest.at(0).toStdString());
        if (action == "release" && !rest.isEmpty())
            return release(ctx, parser, rest);
        if (action == "delete" && rest.size() == 1)
            return remove(ctx, parser, rest.at(0).toStdString());
        ctx.err << "kprtool job: use import ORDER.csv --table BASE.tbl, list, show NAME, "
                   "report NAME -o NOTE, release ID... or delete NAME\n";
        return ExitUsage;
    }

  private:
    // Reading never makes a ledger; a missing default one holds no jobs.
    static std::unique_ptr<Ledger> reading_ledger(CommandContext& ctx,
                                                  const QCommandLineParser& parser) {
        try {
            return open_ledger(cli_ledger_url(parser), product_ledger_file(), LedgerAccess::List);
        } catch (const LedgerError& e) {
            ctx.err << QString::fromStdString(e.what()) << "\n";
            return nullptr;
        }
    }

    // The ledger to change, only when it exists: a mistyped path makes no new ledger.
    static std::unique_ptr<Ledger> existing_ledger(CommandContext& ctx,
                                                   const QCommandLineParser& parser) {
        if (!reading_ledger(ctx, parser))
            return nullptr;
        return open_cli_ledger(ctx, parser);
    }

    // The job as the ledger holds it; nothing, with the reason said, when it cannot be read.
    static std::optional<Job> read_job(CommandContext& ctx, const QCommandLineParser& parser,
                                       const std::string& name) {
        const auto ledger = reading_ledger(ctx, parser);
        if (!ledger)
            return std::nullopt;
        try {
            return ledger->job(name);
        } catch (const LedgerError& e) {
            failed(ctx, e);
            return std::nullopt;
        }
    }

    static int failed(CommandContext& ctx, const LedgerError& e) {
        ctx.err << QString::fromStdString(e.what()) << "\n";
        return ExitFailure;
    }

    int import(CommandContext& ctx, const QCommandLineParser& parser, const QString& path) {
        if (!parser.isSet(tableOption)) {
            ctx.err << "kprtool job import: --table BASE.tbl names the base table file.\n";
            return ExitUsage;
        }
        const auto base = open_table(parser.value(tableOption), ctx.messages);
        if (!base)
            return ExitFailure;
        const std::string name = parser.isSet(nameOption)
                                     ? parser.value(nameOption).toStdString()
                                     : QFileInfo(path).completeBaseName().toStdString();
        if (name.empty()) {
            ctx.err << "kprtool job import: the job needs a name (--name).\n";
            return ExitUsage;
        }
        Order order = read_order_file(path.toStdString());
        // The ledger is needed to check the capcodes pagers hold; --check makes none.
        std::unique_ptr<Ledger> ledger;
        if (parser.isSet(checkOption)) {
            try {
                ledger =
                    open_ledger(cli_ledger_url(parser), product_ledger_file(), LedgerAccess::List);
            } catch (const LedgerMissing&) {
                // no ledger yet: no pager holds anything
            } catch (const LedgerError& e) {
                return failed(ctx, e);
            }
        } else if (!(ledger = open_cli_ledger(ctx, parser))) {
            return ExitFailure;
        }
        try {
            validate_order(order, *base, ledger.get());
        } catch (const LedgerError& e) {
            return failed(ctx, e);
        }
        const std::string file = QFileInfo(path).fileName().toStdString();
        for (const OrderProblem& p : order.problems)
            ctx.err << QString::fromStdString(describe_order_problem(p, file)) << "\n";
        if (!order.ok()) {
            ctx.err << "kprtool job import: " << order.problems.size()
                    << " problem(s); nothing was stored.\n";
            return ExitFailure;
        }
        if (parser.isSet(checkOption)) {
            ctx.out << order.rows.size() << " pager(s) checked; nothing was stored (--check).\n";
            return ExitSuccess;
        }
        try {
            ledger->add_job(new_job(order, name, parser.value(labelOption).toStdString(),
                                    QFileInfo(parser.value(tableOption)).fileName().toStdString(),
                                    *base));
        } catch (const LedgerError& e) {
            return failed(ctx, e);
        }
        ctx.out << "Job \"" << QString::fromStdString(name) << "\": " << order.rows.size()
                << " pager(s) stored in the ledger " << QString::fromStdString(ledger->location())
                << ".\n";
        return ExitSuccess;
    }

    int list(CommandContext& ctx, const QCommandLineParser& parser) {
        const auto ledger = reading_ledger(ctx, parser);
        if (!ledger)
            return ExitFailure;
        try {
            ctx.out << "name\tbase\tverified\tfailed\tpending\ttaken\tcreated\tlast activity\n";
            for (const JobSummary& s : ledger->jobs())
                ctx.out << QString::fromStdString(printable_value(s.name)) << "\t"
                        << QString::fromStdString(printable_value(s.baseFile)) << "\t" << s.verified
                        << "/" << s.rows << "\t" << s.failed << "\t" << s.pending << "\t" << s.taken
                        << "\t" << QString::fromStdString(s.created) << "\t"
                        << QString::fromStdString(s.lastActivity) << "\n";
        } catch (const LedgerError& e) {
            return failed(ctx, e);
        }
        return ExitSuccess;
    }

    int show(CommandContext& ctx, const QCommandLineParser& parser, const std::string& name) {
        if (parser.isSet(rowsCsvOption) && parser.isSet(rowsJsonOption)) {
            ctx.err << "kprtool job: --csv and --json do not go together\n";
            return ExitUsage;
        }
        const std::optional<Job> found = read_job(ctx, parser, name);
        if (!found)
            return ExitFailure;
        const Job& job = *found;
        if (parser.isSet(rowsCsvOption)) {
            ctx.out << QString::fromStdString(ledger_csv_line(job_row_columns()));
            for (const JobRow& r : job.rows)
                ctx.out << QString::fromStdString(ledger_csv_line(job_row_fields(job, r)));
        } else if (parser.isSet(rowsJsonOption)) {
            ctx.out << "[";
            for (std::size_t i = 0; i < job.rows.size(); ++i)
                ctx.out << (i ? ",\n" : "\n")
                        << QString::fromStdString(
                               json_object(job_row_columns(), job_row_fields(job, job.rows[i])));
            ctx.out << "\n]\n";
        } else {
            for (const JobRow& r : job.rows) {
                QStringList line;
                for (const std::string& f : job_row_fields(job, r))
                    line << QString::fromStdString(printable_value(f.empty() ? "-" : f));
                ctx.out << line.join("\t") << "\n";
            }
        }
        return ExitSuccess;
    }

    int report(CommandContext& ctx, const QCommandLineParser& parser, const std::string& name) {
        if (!parser.isSet(outOption)) {
            ctx.err << "kprtool job report: -o NOTE.pdf or NOTE.csv names the delivery note.\n";
            return ExitUsage;
        }
        const QString out = parser.value(outOption);
        if (!is_delivery_note_path(out)) {
            ctx.err << "kprtool job report: the delivery note is a .pdf or a .csv file.\n";
            return ExitUsage;
        }
        const std::optional<Job> found = read_job(ctx, parser, name);
        if (!found)
            return ExitFailure;
        const Job& job = *found;
        const std::string error = save_delivery_note(out, job, parser.isSet(letterOption));
        if (!error.empty()) {
            ctx.err << "The " << out << " could not be written: " << QString::fromStdString(error)
                    << "\n";
            return ExitFailure;
        }
        return ExitSuccess;
    }

    int remove(CommandContext& ctx, const QCommandLineParser& parser, const std::string& name) {
        const auto ledger = existing_ledger(ctx, parser);
        if (!ledger)
            return ExitFailure;
        try {
            const int rows = ledger->delete_job(name, parser.isSet(deleteForceOption));
            ctx.out << "Job \"" << QString::fromStdString(name) << "\" deleted (" << rows
                    << " row(s)); its attempts stay in the ledger.\n";
            return ExitSuccess;
        } catch (const LedgerError& e) {
            return failed(ctx, e);
        }
    }

    int release(CommandContext& ctx, const QCommandLineParser& parser, const QStringList& rest) {
        std::vector<int64_t> ids;
        for (const QString& a : rest) {
            bool ok = false;
            const qlonglong id = a.toLongLong(&ok);
            if (!ok || id <= 0) {
                ctx.err << "kprtool job: " << a << " is not a row id\n";
                return ExitUsage;
            }
            ids.push_back(id);
        }
        const auto ledger = existing_ledger(ctx, parser);
        if (!ledger)
            return ExitFailure;
        try {
            const std::vector<int64_t> done = ledger->release_job_rows(ids);
            for (int64_t id : ids) {
                const bool was = std::find(done.begin(), done.end(), id) != done.end();
                (was ? ctx.out : ctx.err)
                    << "Job row " << id << (was ? " put back." : " is not taken.") << "\n";
            }
            return done.size() == ids.size() ? ExitSuccess : ExitFailure;
        } catch (const LedgerError& e) {
            return failed(ctx, e);
        }
    }
};

} // namespace

std::unique_ptr<Command> make_job_command() {
    return std::make_unique<JobCommand>();
}

} // namespace kpr::cli
