// kprtool export FILE.tbl [-o PROFILE.yaml]
#include "cli/cli_messages.h"
#include "cli/command.h"
#include "cli/table_io.h"
#include "cli/verbs/settings_file.h"
#include "profile/profile.h"

#include <QDateTime>
#include <QFileInfo>

#include <memory>

namespace kpr::cli {

namespace {

const QCommandLineOption
    exportOutOption({"o", "output"},
                    "The profile to write (replaced when it exists); standard output without.",
                    "PROFILE.yaml");

class ExportCommand final : public Command {
  public:
    ExportCommand()
        : Command("export", "Write the settings of a table file as a readable YAML profile.") {
        addPositional("FILE.tbl", "The table file, opened as File > Open does.");
        addOption(exportOutOption);
    }

  protected:
    int run(CommandContext& ctx, const QCommandLineParser& parser,
            const QStringList& args) override {
        Editor editor(ctx.messages);
        if (!open_in_editor(editor, args.at(0)))
            return ExitFailure;
        const std::vector<std::string> comment = {
            "KPR35T pager profile: the settings of " +
                QFileInfo(args.at(0)).fileName().toStdString() + ", by the keys of kprtool show.",
            "Exported " + QDateTime::currentDateTime().toString(Qt::ISODate).toStdString() +
                " by kprtool. Apply with:",
            "  kprtool import PROFILE.yaml [--base FILE.tbl] -o OUT.tbl",
        };
        if (!parser.isSet(exportOutOption)) {
            ctx.out << QString::fromStdString(export_profile(editor, comment));
            return ExitSuccess;
        }
        std::string error;
        if (!save_profile_file(editor, local_path(parser.value(exportOutOption)), error, comment)) {
            ctx.messages.message(error, MessageIcon::Critical);
            return ExitFailure;
        }
        return ExitSuccess;
    }
};

} // namespace

std::unique_ptr<Command> make_export_command() {
    return std::make_unique<ExportCommand>();
}

} // namespace kpr::cli
