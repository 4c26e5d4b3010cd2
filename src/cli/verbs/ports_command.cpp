// kprtool ports [--port P]
#include "cli/command.h"
#include "cli/verbs/device_session.h"

#include <memory>

namespace kpr::cli {

namespace {

class PortsCommand final : public DeviceCommand {
  public:
    PortsCommand()
        : DeviceCommand("ports",
                        "List the serial ports, marking the one the programmer board answers on.") {
        addDeviceOptions();
    }

  protected:
    int runDevice(CommandContext& ctx, const QCommandLineParser& parser,
                  const QStringList&) override {
        DeviceSession s(ctx, parser);
        if (s.lpt()) {
            ctx.err << "kprtool ports: lists serial ports only; find a parallel-port board with "
                       "'detect --link lpt'\n";
            return ExitUsage;
        }
        const std::vector<std::string> ports = s.ports();
        if (ports.empty())
            ctx.err << "No serial ports found.\n";
        for (const std::string& p : ports) {
            // One silent probe per port, so every port is marked.
            const bool board = s.link().probe_port(p);
            ctx.out << QString::fromStdString(p) << (board ? "\tboard" : "") << "\n";
            ctx.out.flush();
        }
        return ExitSuccess;
    }
};

} // namespace

std::unique_ptr<Command> make_ports_command() {
    return std::make_unique<PortsCommand>();
}

} // namespace kpr::cli
