// kprtool set FILE.tbl KEY=VALUE... [-o OUT.tbl]
#include "cli/cli_messages.h"
#include "cli/command.h"
#include "cli/table_io.h"
#include "cli/verbs/settings_file.h"
#include "common/printable_text.h"
#include "editor/settings_keys.h"

#include <memory>

namespace kpr::cli {

namespace {

const QCommandLineOption
    setOutOption({"o", "output"}, "Write the result to OUT.tbl instead of FILE.tbl.", "OUT.tbl");

class SetCommand final : public Command {
  public:
    SetCommand()
        : Command("set", "Change settings of a table file, each through the editor's own "
                         "control, and save it.") {
        addPositional("FILE.tbl", "The table file.");
        addPositional("KEY=VALUE", "Settings to change, applied in order.", false, true);
        addOption(setOutOption);
    }

  protected:
    int run(CommandContext& ctx, const QCommandLineParser& parser,
            const QStringList& args) override {
        struct Assignment {
            std::string key;
            std::string value;
        };
        std::vector<Assignment> assignments;
        for (qsizetype i = 1; i < args.size(); ++i) {
            const QString& a = args.at(i);
            const qsizetype eq = a.indexOf('=');
            if (eq <= 0) {
                ctx.err << "kprtool set: '" << QString::fromStdString(brief_value(a.toStdString()))
                        << "' is not KEY=VALUE.\n";
                return ExitUsage;
            }
            Assignment s{a.left(eq).toStdString(), a.mid(eq + 1).toStdString()};
            if (!find_setting_key(s.key)) {
                ctx.err << "kprtool set: unknown setting '"
                        << QString::fromStdString(brief_value(s.key))
                        << "'. Run 'kprtool show FILE' for the keys.\n";
                return ExitUsage;
            }
            assignments.push_back(std::move(s));
        }

        Editor editor(ctx.messages);
        if (!open_in_editor(editor, args.at(0)))
            return ExitFailure;
        for (const Assignment& s : assignments) {
            const SetOutcome r = apply_setting(editor, s.key, s.value);
            if (!r.ok) {
                // The handler's own message has been shown; add ours when there is one.
                if (!r.error.empty())
                    ctx.messages.message(r.error, MessageIcon::Warning);
                ctx.err << "kprtool set: " << QString::fromStdString(s.key)
                        << " refused; nothing was written.\n";
                return ExitFailure;
            }
        }
        const QString out = parser.isSet(setOutOption) ? parser.value(setOutOption) : args.at(0);
        return save_table(out, editor.image(), ctx.messages) ? ExitSuccess : ExitFailure;
    }
};

} // namespace

std::unique_ptr<Command> make_set_command() {
    return std::make_unique<SetCommand>();
}

} // namespace kpr::cli
