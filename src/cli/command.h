#pragma once
// One kprtool verb: its name, description, options and positional arguments, and the code
// that runs it. Every verb is one small class in verbs/, listed once in commands.cpp.
#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTextStream>

namespace kpr::cli {

class CliMessages;
class CliProgress;
} // namespace kpr::cli

namespace kpr {
class TraceFile;
} // namespace kpr

namespace kpr::cli {

enum ExitCode : int {
    ExitSuccess = 0, // done
    ExitFailure = 1, // the operation failed or was refused; the message is on stderr
    ExitUsage = 2,   // the command line was wrong
};

// What a running verb may use. Results go to `out` (stdout); every message to the operator
// goes through `messages` (stderr), progress through `progress` (stderr, a bar on a terminal).
struct CommandContext {
    QTextStream& out;
    QTextStream& err;
    CliMessages& messages;
    CliProgress& progress;
    TraceFile& trace; // the serial trace every port of the run writes to (--trace)
};

// Flushes the stream to the system and tells whether everything written so far got there;
// output_error is the reason when not.
bool output_written(QTextStream& out);
QString output_error(QTextStream& out);

class Command {
  public:
    Command(QString name, QString description);
    virtual ~Command();
    Command(const Command&) = delete;
    Command& operator=(const Command&) = delete;

    const QString& name() const { return name_; }
    const QString& description() const { return description_; }

    // arguments[0] is the verb itself. Parses, answers --help, checks the number of
    // positional arguments and runs the verb. Returns the process exit status.
    int execute(CommandContext& ctx, const QStringList& arguments);

    // The verb's --help text.
    QString helpText() const;

  protected:
    void addOption(const QCommandLineOption& option) { options_.append(option); }
    // Positional arguments in order; optional ones must come after the required ones.
    // `variadic` lets the last one repeat (as "KEY=VALUE...").
    void addPositional(const QString& name, const QString& description, bool optional = false,
                       bool variadic = false);
    // Adds -y/--yes: every question is answered Yes without asking.
    void acceptYes();

    // Runs the parsed verb. `args` are the positional arguments after the verb.
    virtual int run(CommandContext& ctx, const QCommandLineParser& parser,
                    const QStringList& args) = 0;

  private:
    struct Positional {
        QString name;
        QString description;
        bool optional;
        bool variadic;
    };
    void setUp(QCommandLineParser& parser) const;

    QString name_;
    QString description_;
    QList<QCommandLineOption> options_;
    QList<Positional> positionals_;
    bool acceptsYes_ = false;
};

} // namespace kpr::cli
