// kprtool station FILE.tbl [--port P]... [--count N] [--auto-inc 1|2|1,2 [--job-name NAME]]
//                 [--yes] [-o REPORT.csv] [--ledger URL]
// kprtool station --job NAME [--port P]... [--count N] [--yes] [-o REPORT.csv] [--ledger URL]
#include "cli/cli_messages.h"
#include "cli/cli_progress.h"
#include "cli/command.h"
#include "cli/interrupts.h"
#include "cli/station_terminal.h"
#include "cli/table_io.h"
#include "cli/verbs/ledger_session.h"
#include "editor/editor.h"
#include "jobs/counting_job.h"
#include "jobs/job_station_ledger.h"
#include "ledger/attempt_facts.h"
#include "ledger/station_ledger.h"
#include "link/usb_link.h"
#include "ops/operations.h"
#include "platform/product_ports.h"
#include "product/backup_settings.h"
#include "station/station.h"
#include "station/station_editor.h"

#include <QDateTime>
#include <QFileInfo>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <memory>
#include <mutex>
#include <optional>
#include <sys/stat.h>

namespace kpr::cli {

namespace {

const QCommandLineOption portOption({"p", "port"},
                                    "A serial port with a programmer board; repeatable (default: "
                                    "every serial port of the system).",
                                    "P");
const QCommandLineOption countOption("count", "Stop after N verified pagers.", "N");
const QCommandLineOption autoIncOption(
    "auto-inc", "Give every pager the next 1st, 2nd or both capcodes from one counter.", "1|2|1,2");
const QCommandLineOption reportOption({"o", "output"},
                                      "Also write the report as CSV, a row as each pager ends.",
                                      "REPORT.csv");
const QCommandLineOption jobOption("job",
                                   "Write the rows of this job of the ledger, one pager "
                                   "each, until none is left (see kprtool job).",
                                   "NAME");
const QCommandLineOption
    stationJobNameOption("job-name",
                         "With --auto-inc and --count: the job the run is kept as "
                         "in the ledger, to resume it with --job (default: the "
                         "table file's name and the time).",
                         "NAME");
const QCommandLineOption sameOption("same-capcodes",
                                    "Without --auto-inc: give every pager the file's capcodes, "
                                    "on purpose.");

// The boards to use: the named ports in their order (each keeps its place as its number),
// or the system's. A port named twice, or through a link to a device named already, is
// left out with a word; one that does not exist keeps its number and says so when probed.
struct BoardList {
    std::vector<std::string> ports;
    std::vector<int> numbers;
};

// Two names of one device (a link to it, or a device node made twice). By stat, as the
// standard library will not compare character devices.
bool same_device(const std::string& a, const std::string& b) {
    struct stat sa {
    }, sb{};
    if (::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0)
        return false;
    if (S_ISCHR(sa.st_mode) && S_ISCHR(sb.st_mode))
        return sa.st_rdev == sb.st_rdev;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

BoardList board_list(CommandContext& ctx, ProductPorts& productPorts,
                     const std::vector<std::string>& named) {
    BoardList b;
    if (named.empty()) {
        b.ports = productPorts.stationPorts();
        return b;
    }
    // Simulated boards (--simulate) first, as the product lists them.
    for (const std::string& p : productPorts.stationPorts())
        if (std::find(named.begin(), named.end(), p) == named.end()) {
            b.ports.push_back(p);
            b.numbers.push_back(static_cast<int>(b.ports.size()));
        }
    const int first = static_cast<int>(b.ports.size());
    for (std::size_t i = 0; i < named.size(); ++i) {
        const int number = first + static_cast<int>(i) + 1;
        bool twice = false;
        for (std::size_t k = 0; k < i && !twice; ++k) {
            twice = named[k] == named[i] || same_device(named[k], named[i]);
            if (twice)
                ctx.messages.message("Board " + std::to_string(number) + " (" + named[i] +
                                         ") is the device of board " +
                                         std::to_string(first + static_cast<int>(k) + 1) + " (" +
                                         named[k] + "): left out.",
                                     MessageIcon::Warning);
        }
        if (twice)
            continue;
        b.ports.push_back(named[i]);
        b.numbers.push_back(number);
    }
    return b;
}

std::atomic<Station*> activeStation{nullptr};
std::atomic<bool> interrupted{false};

extern "C" void on_station_interrupt(int) {
    interrupted.store(true);
    if (Station* s = activeStation.load())
        s->stop();
    interrupt_ledger();
}

class StationCommand final : public Command {
  public:
    StationCommand()
        : Command("station", "Write and verify pagers on several boards at once, capcodes "
                             "from one counter.") {
        addPositional("FILE.tbl", "The table file to write (none with --job).", true);
        addOption(jobOption);
        addOption(portOption);
        addOption(countOption);
        addOption(autoIncOption);
        addOption(stationJobNameOption);
        addOption(reportOption);
        addOption(sameOption);
        addOption(ledgerOption);
        addOption(noLedgerOption);
        acceptYes();
    }

  protected:
    int run(CommandContext& ctx, const QCommandLineParser& parser,
            const QStringList& args) override {
        const bool job = parser.isSet(jobOption);
        if (job == !args.isEmpty() ||
            (job && (parser.isSet(autoIncOption) || parser.isSet(sameOption) ||
                     parser.isSet(noLedgerOption)))) {
            ctx.err << "kprtool station: give a table file or --job NAME; --job goes without "
                       "--auto-inc, --same-capcodes and --no-ledger\n";
            return ExitUsage;
        }
        bool inc[2] = {false, false};
        if (parser.isSet(autoIncOption)) {
            const QString v = parser.value(autoIncOption).remove(' ');
            inc[0] = v == "1" || v == "1,2" || v == "2,1";
            inc[1] = v == "2" || v == "1,2" || v == "2,1";
            if (!inc[0] && !inc[1]) {
                ctx.err << "kprtool station: --auto-inc takes 1, 2 or 1,2\n";
                return ExitUsage;
            }
        }
        int count = 0;
        if (parser.isSet(countOption)) {
            bool ok = false;
            count = parser.value(countOption).toInt(&ok);
            if (!ok || count < 1) {
                ctx.err << "kprtool station: --count takes a number of pagers, 1 or more\n";
                return ExitUsage;
            }
        }
        if (parser.isSet(stationJobNameOption) &&
            ((!inc[0] && !inc[1]) || count == 0 || parser.isSet(noLedgerOption))) {
            ctx.err << "kprtool station: --job-name names the job a counting run is kept as in "
                       "the ledger; it goes with --auto-inc and --count, without --no-ledger\n";
            return ExitUsage;
        }
        if (!job && !inc[0] && !inc[1] && count != 1 && !parser.isSet(sameOption)) {
            ctx.err << "kprtool station: without --auto-inc every pager gets the same "
                       "capcodes; --same-capcodes does that on purpose (or --count 1)\n";
            return ExitUsage;
        }
        std::vector<std::string> named;
        for (const QString& p : parser.values(portOption))
            named.push_back(p.toStdString());
        // Named ports alone when given, the system's otherwise.
        ProductPorts productPorts({named, !named.empty(), 0, &ctx.trace});
        const BoardList boards = board_list(ctx, productPorts, named);
        if (boards.ports.empty()) {
            ctx.messages.message(MsgBoardNotResponding, MessageIcon::Warning);
            return ExitFailure;
        }
        StationTerminal sink(ctx, ctx.messages.assumeYes(), count, interrupted);
        for (std::size_t i = 0; i < boards.ports.size(); ++i)
            sink.board(i < boards.numbers.size() ? boards.numbers[i] : static_cast<int>(i) + 1,
                       boards.ports[i]);
        // The report is made first: a run that cannot keep it does not start.
        QString why;
        if (parser.isSet(reportOption) && !sink.open_report(parser.value(reportOption), why)) {
            ctx.err << "The report " << parser.value(reportOption)
                    << " could not be written: " << why << "\n";
            return ExitFailure;
        }

        // The file and the ledger are checked, and the counter starts from the file's
        // capcodes, before any board.
        const std::string file = job ? std::string() : local_path(args.at(0));
        Editor first(ctx.messages);
        if (job)
            first.startup_finish({}, false);
        else if (!first.mnuLBFF_Click(file))
            return ExitFailure;
        std::unique_ptr<Ledger> ledger;
        if (job) {
            if (!(ledger = open_cli_ledger(ctx, parser)))
                return ExitFailure;
        } else if (parser.isSet(noLedgerOption)) {
            ctx.messages.message("Not recording in the ledger (--no-ledger).",
                                 MessageIcon::Warning);
        } else {
            ledger = open_cli_ledger(ctx, parser);
            if (!ledger && (inc[0] || inc[1])) {
                ctx.err << "Auto-increase needs the ledger to keep its capcodes out of other "
                           "pagers; --no-ledger writes without it.\n";
                return ExitFailure;
            }
            if (!ledger)
                ctx.messages.message("Attempts are not recorded in the ledger this run.",
                                     MessageIcon::Warning);
        }
        std::optional<StationLedger> pagerLedger;
        std::optional<JobStationLedger> jobLedger;
        // A counting run of a number of pagers is kept as a job: each pager takes its row,
        // which the ledger gives its capcodes, so a stopped run is resumed with --job.
        std::string jobName = parser.value(jobOption).toStdString();
        const bool counting = !job && ledger && (inc[0] || inc[1]) && count > 0;
        try {
            if (counting)
                jobName = add_counting_job(
                    *ledger,
                    {QFileInfo(args.at(0)).fileName().toStdString(),
                     &first.image(),
                     {inc[0], inc[1]},
                     count},
                    parser.value(stationJobNameOption).toStdString(),
                    QDateTime::currentDateTimeUtc().toString("yyyyMMdd-HHmmss").toStdString());
            if (job || counting)
                jobLedger.emplace(*ledger, station_name(), jobName);
            else if (ledger)
                pagerLedger.emplace(*ledger, station_name());
        } catch (const LedgerError& e) {
            ctx.err << QString::fromStdString(e.what()) << "\n";
            return ExitFailure;
        }
        PagerLedger* used = jobLedger     ? static_cast<PagerLedger*>(&*jobLedger)
                            : pagerLedger ? &*pagerLedger
                                          : nullptr;
        const std::unique_ptr<CapcodeCounter> counter =
            counter_from_editor(first, inc[0], inc[1], count, used);
        if (jobLedger)
            counter->take_job_rows();

        const BackupStore backupStore = product_backup_store();
        const bool readBeforeWrite = product_backup_reads_before_write();
        StationSetup setup;
        setup.ports = boards.ports;
        setup.numbers = boards.numbers;
        setup.clock = &productPorts.clock();
        setup.makePort = [&productPorts](const std::string& name) {
            return productPorts.makePort(name);
        };
        setup.loadEditor = [file, rows = jobLedger.has_value()](Editor& e) {
            if (rows) // each pager's image is its row's
                e.startup_finish({}, false);
            return rows || e.mnuLBFF_Click(file);
        };
        setup.makeObserver = [&](OperatorMessages& m) -> std::unique_ptr<TransferObserver> {
            return std::make_unique<PagerBackups>(backupStore, m, readBeforeWrite);
        };
        Station station(setup, *counter, sink);

        interrupted.store(false);
        activeStation.store(&station);
        set_interruptible_ledger(ledger.get());
        catch_interrupts(on_station_interrupt);
        const StationSummary s = station.run();
        activeStation.store(nullptr);
        release_interrupts();
        set_interruptible_ledger(nullptr);
        sink.finish();

        if (interrupted.load())
            ctx.messages.message("Cancelled.", MessageIcon::None);
        ctx.out << "Verified " << s.verified << ", failed " << s.failed;
        if (s.cancelled > 0)
            ctx.out << ", cancelled " << s.cancelled;
        ctx.out << ", " << s.positions << (s.positions == 1 ? " board, " : " boards, ")
                << QString::number(s.seconds, 'f', 1) << " s, "
                << QString::number(s.pagersPerHour(), 'f', 0) << " pagers per hour\n";
        ctx.out.flush();
        // Verified pagers the ledger could not take: named, and the run is not a success.
        int unrecorded = 0;
        for (const PagerRecord& r : sink.records) {
            if (!r.unrecorded)
                continue;
            ++unrecorded;
            ctx.err << "Not in the ledger: pager " << QString::fromStdString(r.serial) << " ("
                    << "board " << r.position << ", " << QString::fromStdString(r.port)
                    << ", capcodes " << r.capcode[0] << " / " << r.capcode[1]
                    << ") was verified, but could not be recorded. Its capcodes stay held in the "
                       "ledger (kprtool log --open lists them).\n";
        }
        if (counting && s.verified < count)
            ctx.err << "The rest is job \"" << QString::fromStdString(jobName)
                    << "\": kprtool station --job " << QString::fromStdString(jobName)
                    << " resumes it.\n";
        ctx.err.flush();
        const bool done = unrecorded == 0 && (count > 0 ? s.verified >= count
                                                        : (s.verified > 0 || job) &&
                                                              s.failed == 0 && !interrupted.load());
        return done ? ExitSuccess : ExitFailure;
    }
};

} // namespace

std::unique_ptr<Command> make_station_command() {
    return std::make_unique<StationCommand>();
}

} // namespace kpr::cli
