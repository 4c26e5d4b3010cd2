#include "cli/verbs/job_writer.h"

#include "cli/cli_messages.h"
#include "cli/cli_progress.h"
#include "cli/verbs/device_session.h"
#include "cli/verbs/ledger_session.h"
#include "jobs/board_job.h"

#include <algorithm>
#include <optional>

namespace kpr::cli {

int write_job(CommandContext& ctx, const QCommandLineParser& parser, const std::string& name,
              int count) {
    if (parser.isSet(noLedgerOption)) {
        ctx.err << "kprtool write: a job lives in the ledger; --job and --no-ledger do not go "
                   "together\n";
        return ExitUsage;
    }
    DeviceSession s(ctx, parser);
    LedgerSession ledger(s);
    s.editor().startup_finish({}, false);
    if (!ledger.open(parser, true) || !ledger.recorder())
        return ExitFailure; // the reason was shown
    std::optional<BoardJob> job;
    try {
        job.emplace(*ledger.recorder(), name);
    } catch (const LedgerError& e) {
        s.messages().message(e.what(), MessageIcon::Critical);
        return ExitFailure;
    }
    if (!s.connect())
        return ExitFailure;
    s.editor().flags().OperationKind = OperationKind::Write;

    int written = 0;
    bool failed = false;
    for (int i = 0; (count == 0 || i < count) && !failed && !s.cancelled(); ++i) {
        std::optional<JobPager> row;
        try {
            row = job->take();
        } catch (const LedgerError& e) {
            s.messages().message(e.what(), MessageIcon::Critical);
            failed = true;
            break;
        }
        if (!row)
            break;
        for (const std::string& line : row->skipped) // a counting job's row: capcodes passed over
            s.messages().message(line, MessageIcon::Information);
        const std::string what = job->describe(*row);
        if (i > 0 &&
            !s.messages().ask("Put the next pager in the board for " + what + ". Write it?")) {
            job->give_back(*row);
            failed = true;
            break;
        }
        ctx.progress.finish();
        ctx.err << QString::fromStdString(what) << "\n";
        ctx.err.flush();
        s.editor().load_image(row->image);
        // A failed or cancelled pager's row is back at the front of the job.
        const bool recorded = job->write(s.ops(), *row);
        if (s.ops().lastOutcome() == OpOutcome::Success)
            ++written;
        if (!recorded || s.ops().lastOutcome() != OpOutcome::Success)
            failed = true;
    }
    const bool released = s.release();
    if ((s.ops().lastOutcome() == OpOutcome::Cancelled || s.cancelled()) &&
        !s.ops().writeLeftIncomplete())
        s.messages().message(MsgCancelled, MessageIcon::None);
    ctx.progress.finish();
    const int left = std::max(0, job->left());
    ctx.err << written << " pager(s) written from job \"" << QString::fromStdString(name) << "\"; "
            << left << " row(s) not yet verified.\n";
    ctx.err.flush();
    return failed || !released ? ExitFailure : ExitSuccess;
}

} // namespace kpr::cli
