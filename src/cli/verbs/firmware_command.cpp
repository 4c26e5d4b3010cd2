// kprtool firmware [--port P]
#include "cli/command.h"
#include "cli/verbs/device_session.h"

#include <memory>
#include <optional>

namespace kpr::cli {

namespace {

class FirmwareCommand final : public DeviceCommand {
  public:
    FirmwareCommand()
        : DeviceCommand("firmware",
                        "Show the pager's firmware version, as Help > Check Firmware.") {
        addDeviceOptions();
    }

  protected:
    int runDevice(CommandContext& ctx, const QCommandLineParser& parser,
                  const QStringList&) override {
        DeviceSession s(ctx, parser);
        // The firmware byte is always read over the USB board, whatever the link kind.
        if (!s.connect(s.link()))
            return ExitFailure;
        // The version is the verb's result, so it goes to stdout; failures are messages.
        const std::optional<uint8_t> version = s.ops().read_firmware();
        if (version) {
            ctx.out << QString::fromStdString(firmware_version_text(*version)) << "\n";
            ctx.out.flush();
        }
        const bool released = s.release(s.link());
        return version && released ? ExitSuccess : ExitFailure;
    }
};

} // namespace

std::unique_ptr<Command> make_firmware_command() {
    return std::make_unique<FirmwareCommand>();
}

} // namespace kpr::cli
