// kprtool get FILE.tbl KEY
#include "cli/cli_messages.h"
#include "cli/command.h"
#include "cli/verbs/settings_file.h"
#include "common/printable_text.h"
#include "editor/settings_keys.h"

#include <memory>

namespace kpr::cli {

namespace {

class GetCommand final : public Command {
  public:
    GetCommand() : Command("get", "Print one setting of a table file.") {
        addPositional("FILE.tbl", "The table file.");
        addPositional("KEY", "The setting, as 'kprtool show' names it.");
    }

  protected:
    int run(CommandContext& ctx, const QCommandLineParser&, const QStringList& args) override {
        const std::string key = args.at(1).toStdString();
        if (!find_setting_key(key)) {
            ctx.err << "kprtool get: unknown setting '" << QString::fromStdString(brief_value(key))
                    << "'. Run 'kprtool show FILE' for the keys.\n";
            return ExitUsage;
        }
        Editor editor(ctx.messages);
        if (!open_in_editor(editor, args.at(0)))
            return ExitFailure;
        ctx.out << QString::fromStdString(printable_value(read_setting(editor, key).value_or("")))
                << "\n";
        return ExitSuccess;
    }
};

} // namespace

std::unique_ptr<Command> make_get_command() {
    return std::make_unique<GetCommand>();
}

} // namespace kpr::cli
