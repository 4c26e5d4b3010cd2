// kprtool detect [--port P]
#include "cli/command.h"
#include "cli/verbs/device_session.h"

#include <memory>

namespace kpr::cli {

namespace {

class DetectCommand final : public DeviceCommand {
  public:
    DetectCommand() : DeviceCommand("detect", "Look for the programmer board as start-up does.") {
        addDeviceOptions();
    }

  protected:
    int runDevice(CommandContext& ctx, const QCommandLineParser& parser,
                  const QStringList&) override {
        DeviceSession s(ctx, parser);
        if (!s.connect())
            return ExitFailure;
        const std::string port = s.link().BoardPort;
        // A board that does not take the release is no board found.
        if (!s.release())
            return ExitFailure;
        if (LptLink* lpt = s.session().lpt())
            ctx.out << "LPT &H" << QString::number(lpt->LptData, 16).toUpper() << "\n";
        else
            ctx.out << QString::fromStdString(port) << "\n";
        ctx.out.flush();
        return ExitSuccess;
    }
};

} // namespace

std::unique_ptr<Command> make_detect_command() {
    return std::make_unique<DetectCommand>();
}

} // namespace kpr::cli
