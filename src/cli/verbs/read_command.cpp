// kprtool read -o OUT.tbl [--port P]
#include "cli/command.h"
#include "cli/table_io.h"
#include "cli/verbs/device_session.h"
#include "cli/verbs/ledger_session.h"

#include <memory>

namespace kpr::cli {

namespace {

const QCommandLineOption outOption({"o", "output"},
                                   "The table file for the pager's image (written only when "
                                   "the read is accepted).",
                                   "OUT.tbl");

class ReadCommand final : public DeviceCommand {
  public:
    ReadCommand() : DeviceCommand("read", "Read a pager into a table file, as Pager > Read.") {
        addOption(outOption);
        addDeviceOptions();
    }

  protected:
    int runDevice(CommandContext& ctx, const QCommandLineParser& parser,
                  const QStringList&) override {
        if (!parser.isSet(outOption)) {
            ctx.err << "kprtool read: -o OUT.tbl is required\n";
            return ExitUsage;
        }
        DeviceSession s(ctx, parser);
        LedgerSession ledger(s);
        if (!ledger.open(parser) || !s.connect())
            return ExitFailure;
        const ReadOutcome r = s.ops().tbl_readall(0, ImageUpperBound);
        const bool released = s.release();
        // A read the ledger could not take is still a read: the ledger said why, the file is
        // written all the same.
        ledger.record_read(r);
        if (r == ReadOutcome::Cancelled) {
            s.messages().message(MsgCancelled, MessageIcon::None);
            return ExitFailure;
        }
        if (r != ReadOutcome::Accepted)
            return ExitFailure;
        // What was read is kept even when the board then missed its release.
        const bool saved = save_table(parser.value(outOption), s.editor().image(), s.messages());
        return saved && released ? ExitSuccess : ExitFailure;
    }
};

} // namespace

std::unique_ptr<Command> make_read_command() {
    return std::make_unique<ReadCommand>();
}

} // namespace kpr::cli
