#include "cli/commands.h"

#include "link/trace_serial_port.h"

#include "cli/cli_messages.h"
#include "cli/cli_progress.h"
#include "cli/verbs/trace_option.h"

#include <QCoreApplication>

#include <cstdio>

namespace kpr::cli {

// ---------------------------------------------------------------------------------------
// The verbs. To add one: write verbs/<verb>_command.cpp with a Command subclass and a
// factory `std::unique_ptr<Command> make_<verb>_command()` in namespace kpr::cli, then add
// one line X(<verb>) below, in the place where `kprtool --help` should list it.
#define KPR_CLI_VERBS(X)                                                                           \
    X(default)                                                                                     \
    X(dump)                                                                                        \
    X(show)                                                                                        \
    X(get)                                                                                         \
    X(set)                                                                                         \
    X(diff)                                                                                        \
    X(export)                                                                                      \
    X(import)                                                                                      \
    X(ports)                                                                                       \
    X(detect)                                                                                      \
    X(firmware)                                                                                    \
    X(read)                                                                                        \
    X(write)                                                                                       \
    X(verify)                                                                                      \
    X(station)                                                                                     \
    X(backups)                                                                                     \
    X(log)                                                                                         \
    X(ledger)                                                                                      \
    X(job)
// ---------------------------------------------------------------------------------------

#define KPR_DECLARE_VERB(verb) std::unique_ptr<Command> make_##verb##_command();
KPR_CLI_VERBS(KPR_DECLARE_VERB)
#undef KPR_DECLARE_VERB

const std::vector<std::unique_ptr<Command>>& commands() {
    static const std::vector<std::unique_ptr<Command>> list = [] {
        std::vector<std::unique_ptr<Command>> v;
#define KPR_MAKE_VERB(verb) v.push_back(make_##verb##_command());
        KPR_CLI_VERBS(KPR_MAKE_VERB)
#undef KPR_MAKE_VERB
        return v;
    }();
    return list;
}

Command* find_command(const QString& name) {
    for (const auto& c : commands())
        if (c->name() == name)
            return c.get();
    return nullptr;
}

namespace {

QString overview() {
    QString text = "Usage: kprtool COMMAND [options] [arguments]\n"
                   "Edit KPR35T pager table files and program pagers from the command line.\n"
                   "\nCommands:\n";
    qsizetype width = 0;
    for (const auto& c : commands())
        width = std::max(width, c->name().size());
    for (const auto& c : commands())
        text += "  " + c->name().leftJustified(width + 2) + c->description() + "\n";
    text += "\nOptions:\n"
            "  -h, --help     Show this help, or a command's help after the command.\n"
            "  -v, --version  Show the version.\n"
            "  --trace FILE   Append every frame sent to and received from the board to FILE,\n"
            "                 time-stamped, in hex with its meaning (for bug reports). May\n"
            "                 stand anywhere on the command line.\n"
            "\nRun 'kprtool COMMAND --help' for the arguments and options of a command.\n"
            "Exit status: 0 success, 1 the operation failed or was refused, 2 usage error.\n";
    return text;
}

} // namespace

int run_kprtool(const QStringList& programArguments) {
    QTextStream out(stdout);
    QTextStream err(stderr);
    QStringList arguments = programArguments;
    TraceFile trace;
    if (const int status = take_trace_option(arguments, err, trace); status >= 0)
        return status;
    CliMessages messages;
    CliProgress progress;
    CommandContext ctx{out, err, messages, progress, trace};

    QCommandLineParser parser;
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    const QCommandLineOption help({"h", "help", "?"}, "Show help.");
    const QCommandLineOption version({"v", "version"}, "Show the version.");
    parser.addOption(help);
    parser.addOption(version);
    parser.addPositionalArgument("command", "The command to run.");
    if (!parser.parse(arguments)) {
        err << "kprtool: " << parser.errorText() << "\n" << overview();
        return ExitUsage;
    }
    if (parser.isSet(version)) {
        out << "kprtool " << QCoreApplication::applicationVersion() << "\n";
        return ExitSuccess;
    }
    QStringList args = parser.positionalArguments();
    if (args.isEmpty()) {
        if (parser.isSet(help)) {
            out << overview();
            return ExitSuccess;
        }
        err << overview();
        return ExitUsage;
    }
    // "kprtool help [COMMAND]" and "kprtool --help COMMAND"
    if (parser.isSet(help))
        args.prepend("help");
    if (args.first() == "help") {
        if (args.size() == 1) {
            out << overview();
            return ExitSuccess;
        }
        if (Command* c = find_command(args.at(1))) {
            out << c->helpText();
            return ExitSuccess;
        }
        err << "kprtool: unknown command '" << args.at(1) << "'\n";
        return ExitUsage;
    }
    Command* command = find_command(args.first());
    if (!command) {
        err << "kprtool: unknown command '" << args.first() << "'\n"
            << "Run 'kprtool --help' for the list of commands.\n";
        return ExitUsage;
    }
    int status = command->execute(ctx, args);
    progress.finish();
    // A trace asked for and lost (a full disk) is a failure, whatever the verb did.
    if (std::string error; !trace.written(error)) {
        err << QString::fromStdString(error) << "\n";
        err.flush();
        if (status == ExitSuccess)
            status = ExitFailure;
    }
    return status;
}

} // namespace kpr::cli
