// kprtool write FILE.tbl [--port P] [--auto-inc 1|2|1,2 --count N [--job-name NAME]] [--yes]
//               [-o SAVED.tbl]
// kprtool write --job NAME [--count N] [--yes]
#include "cli/command.h"
#include "cli/table_io.h"
#include "cli/verbs/device_session.h"
#include "cli/verbs/job_writer.h"
#include "cli/verbs/ledger_session.h"
#include "jobs/board_job.h"
#include "jobs/counting_job.h"
#include "ops/operations.h"
#include "settings/capcode.h"

#include <QDateTime>
#include <QFileInfo>

#include <memory>

namespace kpr::cli {

namespace {

const QCommandLineOption writeAutoIncOption(
    "auto-inc",
    "Batch writing: raise the 1st, the 2nd or both capcodes by one after every good pager.",
    "1|2|1,2");
const QCommandLineOption
    writeCountOption("count",
                     "Batch writing: the number of pagers (with --job: at most "
                     "this many; without it until no row is left).",
                     "N");
const QCommandLineOption writeJobOption("job",
                                        "Write the rows of this job of the ledger, one pager "
                                        "each (see kprtool job).",
                                        "NAME");
const QCommandLineOption writeJobNameOption("job-name",
                                            "Batch writing: the job the batch is kept as in the "
                                            "ledger, to resume it with --job (default: the table "
                                            "file's name and the time).",
                                            "NAME");
const QCommandLineOption
    savedOption({"o", "output"},
                "Save the editor's image afterwards (serial number, checksums and raised capcodes "
                "included).",
                "SAVED.tbl");

// The batch's next pager is its job's next row: the capcodes the ledger gave the row go into
// the counting entries (the rest of the image is the batch's own, its serial numbers
// included). False, with the reason shown, when no row could be taken.
bool take_row(DeviceSession& s, LedgerRecorder& recorder, BoardJob& job, bool inc1, bool inc2) {
    std::optional<JobPager> row;
    try {
        row = job.take();
    } catch (const LedgerError& e) {
        s.messages().message(e.what(), MessageIcon::Critical);
        return false;
    }
    if (!row)
        return false;
    for (const std::string& line : row->skipped)
        s.messages().message(line, MessageIcon::Information);
    EditorHooks& e = s.hooks();
    for (int index : {0, 1}) {
        const Capcode capcode = decode_capcode(row->image, index);
        if ((index == 0 ? inc1 : inc2) && capcode_value(e.capcode_text(index)) != capcode) {
            e.store_capcode_text(index, std::to_string(capcode));
            e.read_capcode();
        }
    }
    recorder.set_job_row(row->row, row->reservations);
    return true;
}

class WriteCommand final : public DeviceCommand {
  public:
    WriteCommand()
        : DeviceCommand("write",
                        "Write a table file into pagers and verify them, as Pager > Write.") {
        addPositional("FILE.tbl", "The table file to write (none with --job).", true);
        addOption(writeAutoIncOption);
        addOption(writeJobOption);
        addOption(writeCountOption);
        addOption(writeJobNameOption);
        addOption(savedOption);
        addDeviceOptions();
        acceptYes();
    }

  protected:
    int runDevice(CommandContext& ctx, const QCommandLineParser& parser,
                  const QStringList& args) override {
        if (parser.isSet(writeJobOption) != args.isEmpty() ||
            (parser.isSet(writeJobOption) &&
             (parser.isSet(writeAutoIncOption) || parser.isSet(savedOption)))) {
            ctx.err << "kprtool write: give a table file or --job NAME; --job goes without "
                       "--auto-inc and -o\n";
            return ExitUsage;
        }
        bool inc1 = false, inc2 = false;
        if (parser.isSet(writeAutoIncOption)) {
            const QString v = parser.value(writeAutoIncOption).remove(' ');
            if (v == "1")
                inc1 = true;
            else if (v == "2")
                inc2 = true;
            else if (v == "1,2" || v == "2,1")
                inc1 = inc2 = true;
            else {
                ctx.err << "kprtool write: --auto-inc takes 1, 2 or 1,2\n";
                return ExitUsage;
            }
        }
        if (parser.isSet(writeJobNameOption) && (!inc1 && !inc2)) {
            ctx.err << "kprtool write: --job-name names the job a counting batch is kept as; it "
                       "goes with --auto-inc\n";
            return ExitUsage;
        }
        if (parser.isSet(writeJobNameOption) && parser.isSet(noLedgerOption)) {
            ctx.err << "kprtool write: --job-name keeps the batch in the ledger; it does not go "
                       "with --no-ledger\n";
            return ExitUsage;
        }
        int count = 1;
        if (parser.isSet(writeCountOption)) {
            bool ok = false;
            count = parser.value(writeCountOption).toInt(&ok);
            if (!ok || count < 1) {
                ctx.err << "kprtool write: --count takes a number of pagers, 1 or more\n";
                return ExitUsage;
            }
            if (!inc1 && !inc2 && !parser.isSet(writeJobOption)) {
                ctx.err << "kprtool write: --count goes with --auto-inc or --job\n";
                return ExitUsage;
            }
        }
        if (parser.isSet(writeJobOption))
            return write_job(ctx, parser, parser.value(writeJobOption).toStdString(),
                             parser.isSet(writeCountOption) ? count : 0);

        DeviceSession s(ctx, parser);
        LedgerSession ledger(s);
        if (!s.open_table_file(args.at(0)) || !ledger.open(parser, inc1 || inc2) || !s.connect())
            return ExitFailure;
        EditorFlags& flags = s.editor().flags();
        flags.AutoInc1 = inc1;
        flags.AutoInc2 = inc2;
        flags.OperationKind = OperationKind::Write;

        // A counting batch of a number of pagers recorded in the ledger is a job: each pager
        // takes its row, which the ledger gives its capcodes, so a stopped batch is resumed
        // with --job.
        std::optional<BoardJob> job;
        if ((inc1 || inc2) && ledger.ledger() && ledger.recorder() &&
            (parser.isSet(writeCountOption) || parser.isSet(writeJobNameOption))) {
            const CountingBatch batch{QFileInfo(args.at(0)).fileName().toStdString(),
                                      &s.editor().image(),
                                      {inc1, inc2},
                                      count};
            try {
                job.emplace(
                    *ledger.recorder(),
                    add_counting_job(
                        *ledger.ledger(), batch, parser.value(writeJobNameOption).toStdString(),
                        QDateTime::currentDateTimeUtc().toString("yyyyMMdd-HHmmss").toStdString()));
            } catch (const LedgerError& e) {
                s.messages().message(e.what(), MessageIcon::Critical);
                s.release();
                return ExitFailure;
            }
        }
        int written = 0;
        bool failed = false;
        if (!inc1 && !inc2) {
            const OpOutcome r = s.ops().write_and_verify();
            failed = !ledger.record_write(r) || r != OpOutcome::Success;
            written = r == OpOutcome::Success ? 1 : 0;
        } else {
            for (int i = 0; i < count && !failed; ++i) {
                if (i > 0 &&
                    !s.messages().ask("Put pager " + std::to_string(i + 1) + " of " +
                                      std::to_string(count) + " in the board. Write it?")) {
                    failed = true;
                    break;
                }
                // A Ctrl-C between pagers: the next step would start afresh.
                if (s.cancelled()) {
                    failed = true;
                    break;
                }
                // Capcodes other pagers hold are passed over before the label shows.
                if (!job ? !ledger.reserve(inc1, inc2)
                         : !take_row(s, *ledger.recorder(), *job, inc1, inc2)) {
                    failed = true;
                    break;
                }
                ctx.progress.finish();
                if (inc1)
                    ctx.err << QString::fromStdString(s.ops().batch_label(0)) << "\n";
                if (inc2)
                    ctx.err << QString::fromStdString(s.ops().batch_label(1)) << "\n";
                ctx.err.flush();
                const OpOutcome r = s.ops().batch_step();
                if (r == OpOutcome::Success)
                    ++written;
                // A pager the ledger does not know of would let its capcodes out again.
                if (!ledger.record_write(r) || r != OpOutcome::Success)
                    failed = true;
                // Nobody is there to read the refusal: the next pager would get the
                // same capcode.
                if (!failed && i + 1 < count && s.ops().lastIncrementRefused() &&
                    ctx.messages.assumeYes())
                    failed = true;
            }
        }
        const bool released = s.release();
        // A write cancelled part-way has already said the pager must be written again.
        if ((s.ops().lastOutcome() == OpOutcome::Cancelled || s.cancelled()) &&
            !s.ops().writeLeftIncomplete())
            s.messages().message(MsgCancelled, MessageIcon::None);
        if (count > 1 && written < count) {
            ctx.progress.finish();
            ctx.err << "Stopped after " << written << " of " << count << " pagers.\n";
            if (job)
                ctx.err << "The rest is job \"" << QString::fromStdString(job->name())
                        << "\": kprtool write --job " << QString::fromStdString(job->name())
                        << " resumes it.\n";
            ctx.err.flush();
        }
        // The image is kept whenever a pager took it: its raised capcodes are not lost.
        if (parser.isSet(savedOption) && written > 0 &&
            !save_table(parser.value(savedOption), s.editor().image(), s.messages()))
            return ExitFailure;
        return failed || !released ? ExitFailure : ExitSuccess;
    }
};

} // namespace

std::unique_ptr<Command> make_write_command() {
    return std::make_unique<WriteCommand>();
}

} // namespace kpr::cli
