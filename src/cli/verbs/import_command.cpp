// kprtool import PROFILE.yaml [--base FILE.tbl] -o OUT.tbl
#include "cli/cli_messages.h"
#include "cli/command.h"
#include "cli/table_io.h"
#include "profile/profile.h"
#include "text/default_image.h"

#include <memory>

namespace kpr::cli {

namespace {

const QCommandLineOption importBaseOption(
    "base", "The table file the profile is applied to (default: the built-in default image).",
    "FILE.tbl");
const QCommandLineOption
    importOutOption({"o", "output"}, "The table file to write (only when every setting applied).",
                    "OUT.tbl");

class ImportCommand final : public Command {
  public:
    ImportCommand()
        : Command("import", "Apply a YAML profile to a table file, each setting through the "
                            "editor's own control, and save the result.") {
        addPositional("PROFILE.yaml", "The profile (as written by kprtool export).");
        addOption(importBaseOption);
        addOption(importOutOption);
    }

  protected:
    int run(CommandContext& ctx, const QCommandLineParser& parser,
            const QStringList& args) override {
        if (!parser.isSet(importOutOption)) {
            ctx.err << "kprtool import: -o OUT.tbl is required\n";
            return ExitUsage;
        }
        PagerImage base = build_default_image();
        if (parser.isSet(importBaseOption)) {
            auto opened = open_table(parser.value(importBaseOption), ctx.messages);
            if (!opened)
                return ExitFailure;
            base = *opened;
        }
        const ProfileImport r = import_profile_file(local_path(args.at(0)), base);
        if (!r.fileError.empty()) {
            ctx.messages.message(r.fileError, MessageIcon::Critical);
            return ExitFailure;
        }
        if (!r.ok()) {
            for (const ProfileProblem& p : r.result.problems)
                ctx.err << QString::fromStdString(describe_problem(p, local_path(args.at(0))))
                        << "\n";
            ctx.err << "kprtool import: " << r.result.problems.size()
                    << (r.result.problems.size() == 1 ? " problem" : " problems")
                    << "; nothing was written.\n";
            return ExitFailure;
        }
        return save_table(parser.value(importOutOption), r.image, ctx.messages) ? ExitSuccess
                                                                                : ExitFailure;
    }
};

} // namespace

std::unique_ptr<Command> make_import_command() {
    return std::make_unique<ImportCommand>();
}

} // namespace kpr::cli
