#include "cli/command.h"

#include "cli/cli_messages.h"

#include <QFileDevice>

namespace kpr::cli {

namespace {
const QCommandLineOption yesOption({"y", "yes"}, "Answer every question with Yes.");
const QCommandLineOption helpOption({"h", "help"}, "Show this help.");
} // namespace

bool output_written(QTextStream& out) {
    out.flush();
    auto* file = qobject_cast<QFileDevice*>(out.device());
    // QTextStream over a FILE*: its own flush reaches the C stream's buffer only.
    if (file && file->handle() >= 0 && !file->flush())
        out.setStatus(QTextStream::WriteFailed);
    return out.status() == QTextStream::Ok;
}

QString output_error(QTextStream& out) {
    if (auto* file = qobject_cast<QFileDevice*>(out.device());
        file && file->error() != QFileDevice::NoError)
        return file->errorString();
    return "write failed";
}

Command::Command(QString name, QString description)
    : name_(std::move(name)), description_(std::move(description)) {}

Command::~Command() = default;

void Command::addPositional(const QString& name, const QString& description, bool optional,
                            bool variadic) {
    positionals_.append({name, description, optional, variadic});
}

void Command::acceptYes() {
    acceptsYes_ = true;
}

void Command::setUp(QCommandLineParser& parser) const {
    parser.setApplicationDescription(description_);
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOption(helpOption);
    for (const auto& o : options_)
        parser.addOption(o);
    if (acceptsYes_)
        parser.addOption(yesOption);
    for (const auto& p : positionals_) {
        QString syntax = p.name;
        if (p.variadic)
            syntax += "...";
        if (p.optional)
            syntax = "[" + syntax + "]";
        parser.addPositionalArgument(p.name, p.description, syntax);
    }
}

QString Command::helpText() const {
    QCommandLineParser parser;
    setUp(parser);
    // Qt starts with "Usage: <program path> [options] ..."; name the program and the verb.
    QString text = parser.helpText();
    const qsizetype options = text.indexOf("[options]");
    if (options >= 0)
        text = "Usage: kprtool " + name_ + " " + text.mid(options);
    return text;
}

int Command::execute(CommandContext& ctx, const QStringList& arguments) {
    QCommandLineParser parser;
    setUp(parser);
    if (!parser.parse(arguments)) {
        ctx.err << "kprtool " << name_ << ": " << parser.errorText() << "\n"
                << "Run 'kprtool " << name_ << " --help' for usage.\n";
        return ExitUsage;
    }
    if (parser.isSet(helpOption)) {
        ctx.out << helpText();
        return ExitSuccess;
    }

    const QStringList args = parser.positionalArguments();
    qsizetype required = 0;
    qsizetype allowed = 0;
    bool unlimited = false;
    for (const auto& p : positionals_) {
        if (!p.optional)
            ++required;
        ++allowed;
        unlimited = unlimited || p.variadic;
    }
    if (args.size() < required || (!unlimited && args.size() > allowed)) {
        ctx.err << "kprtool " << name_ << ": "
                << (args.size() < required ? "missing argument" : "too many arguments") << "\n"
                << "Run 'kprtool " << name_ << " --help' for usage.\n";
        return ExitUsage;
    }
    if (acceptsYes_ && parser.isSet(yesOption))
        ctx.messages.setAssumeYes(true);
    ctx.out.flush();
    int status = run(ctx, parser, args);
    if (!output_written(ctx.out) && status == ExitSuccess) {
        // A result that did not reach its reader is a failure, not a silent success.
        ctx.err << "kprtool " << name_
                << ": the output could not be written: " << output_error(ctx.out) << "\n";
        status = ExitFailure;
    }
    ctx.err.flush();
    return status;
}

} // namespace kpr::cli
