// kprtool show FILE.tbl [--json]
#include "cli/cli_messages.h"
#include "cli/command.h"
#include "cli/verbs/settings_file.h"
#include "editor/settings_keys.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <memory>

namespace kpr::cli {

namespace {

const QCommandLineOption jsonOption("json", "Print one JSON object, key to value.");

class ShowCommand final : public Command {
  public:
    ShowCommand()
        : Command("show", "Open a table file as File > Open does and print every setting.") {
        addPositional("FILE.tbl", "The table file to show.");
        addOption(jsonOption);
    }

  protected:
    int run(CommandContext& ctx, const QCommandLineParser& parser,
            const QStringList& args) override {
        Editor editor(ctx.messages);
        if (!open_in_editor(editor, args.at(0)))
            return ExitFailure;
        const auto values = read_settings(editor);
        if (parser.isSet(jsonOption)) {
            QJsonObject o;
            for (const auto& v : values)
                o.insert(QString::fromStdString(v.key), QString::fromStdString(v.value));
            ctx.out << QJsonDocument(o).toJson(QJsonDocument::Indented);
            return ExitSuccess;
        }
        for (const auto& v : values)
            ctx.out << QString::fromStdString(v.key) << " = " << shown_value(v.value) << "\n";
        return ExitSuccess;
    }
};

} // namespace

std::unique_ptr<Command> make_show_command() {
    return std::make_unique<ShowCommand>();
}

} // namespace kpr::cli
