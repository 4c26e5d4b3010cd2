// kprtool verify FILE.tbl [--port P]
#include "cli/command.h"
#include "cli/verbs/device_session.h"
#include "cli/verbs/ledger_session.h"

#include <memory>

namespace kpr::cli {

namespace {

class VerifyCommand final : public DeviceCommand {
  public:
    VerifyCommand()
        : DeviceCommand("verify", "Compare a pager with a table file, as Pager > Verfy.") {
        addPositional("FILE.tbl", "The table file to compare the pager with.");
        addDeviceOptions();
    }

  protected:
    int runDevice(CommandContext& ctx, const QCommandLineParser& parser,
                  const QStringList& args) override {
        DeviceSession s(ctx, parser);
        LedgerSession ledger(s);
        if (!s.open_table_file(args.at(0)) || !ledger.open(parser) || !s.connect())
            return ExitFailure;
        const OpOutcome r = s.ops().verify_editor_image();
        // A verify the ledger could not take is still a verify: the ledger said why.
        ledger.record_verify(r);
        const bool released = s.release();
        if (r == OpOutcome::Cancelled)
            s.messages().message(MsgCancelled, MessageIcon::None);
        return r == OpOutcome::Success && released ? ExitSuccess : ExitFailure;
    }
};

} // namespace

std::unique_ptr<Command> make_verify_command() {
    return std::make_unique<VerifyCommand>();
}

} // namespace kpr::cli
