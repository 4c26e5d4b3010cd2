// kprtool default OUT.tbl
#include "cli/cli_messages.h"
#include "cli/command.h"
#include "cli/table_io.h"
#include "text/default_image.h"

#include <memory>

namespace kpr::cli {

namespace {

class DefaultCommand final : public Command {
  public:
    DefaultCommand() : Command("default", "Write the built-in default image to a table file.") {
        addPositional("OUT.tbl", "The table file to write (replaced when it exists).");
    }

  protected:
    int run(CommandContext& ctx, const QCommandLineParser&, const QStringList& args) override {
        // The image as start-up assembles it, before a band or "default.tbl" is applied; a
        // fresh file, so a longer old file's tail does not linger behind it.
        return save_table(args.at(0), build_default_image(), ctx.messages, TableTail::Discard)
                   ? ExitSuccess
                   : ExitFailure;
    }
};

} // namespace

std::unique_ptr<Command> make_default_command() {
    return std::make_unique<DefaultCommand>();
}

} // namespace kpr::cli
