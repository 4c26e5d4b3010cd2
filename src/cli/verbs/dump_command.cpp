// kprtool dump FILE.tbl
#include "cli/cli_messages.h"
#include "cli/command.h"
#include "cli/hexdump.h"
#include "cli/table_io.h"

#include <memory>

namespace kpr::cli {

namespace {

class DumpCommand final : public Command {
  public:
    DumpCommand()
        : Command("dump",
                  "Show a table file's image in hex, 16 bytes a row, with the region names.") {
        addPositional("FILE.tbl", "The table file to show.");
    }

  protected:
    int run(CommandContext& ctx, const QCommandLineParser&, const QStringList& args) override {
        const auto image = open_table(args.at(0), ctx.messages);
        if (!image)
            return ExitFailure;
        for (int row = 0; row < ImageSize; row += 16)
            ctx.out << dump_row(*image, row) << "\n";
        return ExitSuccess;
    }
};

} // namespace

std::unique_ptr<Command> make_dump_command() {
    return std::make_unique<DumpCommand>();
}

} // namespace kpr::cli
