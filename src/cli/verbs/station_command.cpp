// kprtool station FILE.tbl [--port P]... [--count N] [--auto-inc 1|2|1,2] [--yes]
//                 [-o REPORT.csv] [--ledger URL]
#include "cli/cli_messages.h"
#include "cli/cli_progress.h"
#include "cli/command.h"
#include "cli/interrupts.h"
#include "cli/table_io.h"
#include "cli/verbs/ledger_session.h"
#include "editor/editor.h"
#include "ledger/attempt_facts.h"
#include "ledger/station_ledger.h"
#include "link/usb_link.h"
#include "ops/operations.h"
#include "platform/product_backups.h"
#include "platform/product_ports.h"
#include "station/station.h"
#include "station/station_editor.h"

#include <QSaveFile>

#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <memory>
#include <mutex>
#include <optional>

namespace kpr::cli {

namespace {

const QCommandLineOption portOption({"p", "port"},
                                    "A serial port with a programmer board; repeatable (default: "
                                    "every serial port of the system).",
                                    "P");
const QCommandLineOption countOption("count", "Stop after N verified pagers.", "N");
const QCommandLineOption autoIncOption(
    "auto-inc", "Give every pager the next 1st, 2nd or both capcodes from one counter.", "1|2|1,2");
const QCommandLineOption reportOption({"o", "output"}, "Also write the report as CSV.",
                                      "REPORT.csv");

std::atomic<Station*> activeStation{nullptr};
std::atomic<bool> interrupted{false};

extern "C" void on_station_interrupt(int) {
    interrupted.store(true);
    if (Station* s = activeStation.load())
        s->stop();
    interrupt_ledger();
}

std::string board_name(int position, const std::string& port) {
    return "Board " + std::to_string(position) + " (" + port + ")";
}

QString csv_field(const std::string& s) {
    QString q = QString::fromStdString(s);
    if (q.contains(',') || q.contains('"') || q.contains('\n'))
        return '"' + q.replace("\"", "\"\"") + '"';
    return q;
}

// Messages and report lines of every position, one at a time; the operator's "pager
// inserted" read from the terminal.
class CliStationSink final : public StationSink {
  public:
    CliStationSink(CommandContext& ctx, bool yes) : ctx_(ctx), yes_(yes) {}

    void message(int position, const std::string& port, const std::string& text,
                 MessageIcon icon) override {
        std::lock_guard lock(mutex_);
        ctx_.messages.message(board_name(position, port) + ": " + text, icon);
    }
    void not_answering(int position, const std::string& port) override {
        std::lock_guard lock(mutex_);
        ctx_.messages.message(board_name(position, port) + ": " + MsgBoardNotResponding,
                              MessageIcon::Warning);
    }
    bool next_pager(int position, const std::string& port) override {
        if (yes_)
            return true;
        // One question at a time: the answer belongs to the board that asked.
        std::lock_guard ask(askMutex_);
        {
            std::lock_guard lock(mutex_);
            std::fprintf(stderr, "%s: insert the next pager, then press Enter\n",
                         board_name(position, port).c_str());
            std::fflush(stderr);
        }
        return read_enter();
    }
    void pager_done(const PagerRecord& r) override {
        std::lock_guard lock(mutex_);
        records.push_back(r);
        ctx_.out << QString::fromStdString(board_name(r.position, r.port)) << ": pager "
                 << QString::fromStdString(r.serial.empty() ? "-" : r.serial) << ", capcodes "
                 << r.capcode[0] << " / " << r.capcode[1] << ", "
                 << QString::fromStdString(r.result) << ", " << QString::number(r.seconds, 'f', 1)
                 << " s\n";
        ctx_.out.flush();
    }

    std::vector<PagerRecord> records;

  private:
    // Waits for a line on stdin; false at its end or on Ctrl-C.
    static bool read_enter() {
        for (;;) {
            if (interrupted.load())
                return false;
            pollfd pfd{STDIN_FILENO, POLLIN, 0};
            if (poll(&pfd, 1, 100) <= 0)
                continue;
            char c;
            const ssize_t n = ::read(STDIN_FILENO, &c, 1);
            if (n <= 0)
                return false;
            if (c == '\n')
                return true;
        }
    }

    CommandContext& ctx_;
    bool yes_;
    std::mutex mutex_;
    std::mutex askMutex_;
};

bool write_report(const QString& path, const std::vector<PagerRecord>& records) {
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;
    QTextStream out(&f);
    out << "position,port,serial,capcode1,capcode2,result,seconds\n";
    for (const PagerRecord& r : records)
        out << r.position << ',' << csv_field(r.port) << ',' << csv_field(r.serial) << ','
            << r.capcode[0] << ',' << r.capcode[1] << ',' << csv_field(r.result) << ','
            << QString::number(r.seconds, 'f', 1) << '\n';
    out.flush();
    return f.commit();
}

class StationCommand final : public Command {
  public:
    StationCommand()
        : Command("station", "Write and verify pagers on several boards at once, capcodes "
                             "from one counter.") {
        addPositional("FILE.tbl", "The table file to write.");
        addOption(portOption);
        addOption(countOption);
        addOption(autoIncOption);
        addOption(reportOption);
        addOption(ledgerOption);
        addOption(noLedgerOption);
        acceptYes();
    }

  protected:
    int run(CommandContext& ctx, const QCommandLineParser& parser,
            const QStringList& args) override {
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
        std::vector<std::string> named;
        for (const QString& p : parser.values(portOption))
            named.push_back(p.toStdString());
        // Named ports alone when given, the system's otherwise.
        ProductPorts productPorts({named, !named.empty(), 0, &ctx.trace});
        const std::vector<std::string> ports = productPorts.stationPorts();
        if (ports.empty()) {
            ctx.messages.message(MsgBoardNotResponding, MessageIcon::Warning);
            return ExitFailure;
        }

        // The file and the ledger are checked, and the counter starts from the file's
        // capcodes, before any board.
        const std::string file = local_path(args.at(0));
        Editor first(ctx.messages);
        if (!first.mnuLBFF_Click(file))
            return ExitFailure;
        std::unique_ptr<Ledger> ledger;
        if (parser.isSet(noLedgerOption)) {
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
        if (ledger)
            pagerLedger.emplace(*ledger, station_name());
        const std::unique_ptr<CapcodeCounter> counter = counter_from_editor(
            first, inc[0], inc[1], count, pagerLedger ? &*pagerLedger : nullptr);

        const BackupStore backupStore = product_backup_store();
        const bool readBeforeWrite = product_backup_reads_before_write();
        StationSetup setup;
        setup.ports = ports;
        setup.clock = &productPorts.clock();
        setup.makePort = [&productPorts](const std::string& name) {
            return productPorts.makePort(name);
        };
        setup.loadEditor = [file](Editor& e) { return e.mnuLBFF_Click(file); };
        setup.makeObserver = [&](OperatorMessages& m) -> std::unique_ptr<TransferObserver> {
            return std::make_unique<PagerBackups>(backupStore, m, readBeforeWrite);
        };
        CliStationSink sink(ctx, ctx.messages.assumeYes());
        Station station(setup, *counter, sink);

        interrupted.store(false);
        activeStation.store(&station);
        set_interruptible_ledger(ledger.get());
        catch_interrupts(on_station_interrupt);
        const StationSummary s = station.run();
        activeStation.store(nullptr);
        release_interrupts();
        set_interruptible_ledger(nullptr);

        if (interrupted.load())
            ctx.messages.message("Cancelled.", MessageIcon::None);
        ctx.out << "Verified " << s.verified << ", failed " << s.failed << ", " << s.positions
                << (s.positions == 1 ? " board, " : " boards, ")
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
                    << QString::fromStdString(board_name(r.position, r.port)) << ", capcodes "
                    << r.capcode[0] << " / " << r.capcode[1]
                    << ") was verified, but could not be recorded. Its capcodes stay held in the "
                       "ledger (kprtool log --open lists them).\n";
        }
        ctx.err.flush();
        if (parser.isSet(reportOption) && !write_report(parser.value(reportOption), sink.records)) {
            ctx.messages.message("The report " + parser.value(reportOption).toStdString() +
                                     " could not be written.",
                                 MessageIcon::Warning);
            return ExitFailure;
        }
        const bool done =
            unrecorded == 0 && (count > 0 ? s.verified >= count
                                          : s.verified > 0 && s.failed == 0 && !interrupted.load());
        return done ? ExitSuccess : ExitFailure;
    }
};

} // namespace

std::unique_ptr<Command> make_station_command() {
    return std::make_unique<StationCommand>();
}

} // namespace kpr::cli
