#include "cli/verbs/job_writer.h"

#include "cli/cli_messages.h"
#include "cli/cli_progress.h"
#include "cli/verbs/device_session.h"
#include "cli/verbs/ledger_session.h"
#include "jobs/order.h"

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
    if (!ledger.open(parser, true))
        return ExitFailure;
    Ledger* l = ledger.ledger();
    if (!l)
        return ExitFailure; // the reason was shown
    Job job;
    PagerImage base;
    try {
        job = l->job(name);
    } catch (const LedgerError& e) {
        s.messages().message(e.what(), MessageIcon::Critical);
        return ExitFailure;
    }
    if (job.base.size() != base.bytes().size()) {
        s.messages().message("The ledger's base image of job \"" + name + "\" is damaged.",
                             MessageIcon::Critical);
        return ExitFailure;
    }
    std::copy(job.base.begin(), job.base.end(), base.bytes().begin());
    if (!s.connect())
        return ExitFailure;
    s.editor().flags().OperationKind = OperationKind::Write;

    int written = 0;
    bool failed = false;
    for (int i = 0; (count == 0 || i < count) && !failed && !s.cancelled(); ++i) {
        std::optional<JobRow> row;
        try {
            row = l->take_job_row(name);
        } catch (const LedgerError& e) {
            s.messages().message(e.what(), MessageIcon::Critical);
            failed = true;
            break;
        }
        if (!row)
            break;
        const std::string what = "Job \"" + name + "\" row " + std::to_string(row->row) +
                                 (row->label.empty() ? std::string() : " (" + row->label + ")");
        std::vector<OrderProblem> problems;
        const auto image = apply_job_row(base, job.columns, row->values, row->row, &problems);
        if (!image || (i > 0 && !s.messages().ask("Put the next pager in the board for " + what +
                                                  ". Write it?"))) {
            for (const OrderProblem& p : problems)
                s.messages().message(describe_order_problem(p, name), MessageIcon::Critical);
            l->return_job_row(row->id);
            failed = true;
            break;
        }
        ctx.progress.finish();
        ctx.err << QString::fromStdString(what) << "\n";
        ctx.err.flush();
        s.editor().load_image(*image);
        ledger.set_job_row(row->id);
        const OpOutcome r = s.ops().write_and_verify();
        if (r == OpOutcome::Success)
            ++written;
        // A failed or cancelled pager's row is back at the front of the job.
        if (!ledger.record_write(r) || r != OpOutcome::Success)
            failed = true;
    }
    const bool released = s.release();
    if ((s.ops().lastOutcome() == OpOutcome::Cancelled || s.cancelled()) &&
        !s.ops().writeLeftIncomplete())
        s.messages().message(MsgCancelled, MessageIcon::None);
    ctx.progress.finish();
    int left = 0;
    try {
        for (const JobSummary& j : l->jobs())
            if (j.name == name)
                left = j.rows - j.verified;
    } catch (const LedgerError&) {
        // the count below is all that is lost
    }
    ctx.err << written << " pager(s) written from job \"" << QString::fromStdString(name) << "\"; "
            << left << " row(s) not yet verified.\n";
    ctx.err.flush();
    return failed || !released ? ExitFailure : ExitSuccess;
}

} // namespace kpr::cli
