#include "cli/verbs/device_session.h"

#include "cli/interrupts.h"
#include "cli/table_io.h"
#include "cli/verbs/ledger_session.h"
#include "cli/verbs/settings_file.h"
#include "product/backup_settings.h"

#include <atomic>
#include <csignal>

namespace kpr::cli {

namespace {

const QCommandLineOption
    portOption({"p", "port"},
               "The serial port of the programmer board (e.g. /dev/ttyUSB0); repeatable.", "P");
// The default is the build's (KPR_DEFAULT_LINK).
const QCommandLineOption linkOption("link",
                                    QString("The board kind: usb or lpt (default: %1).")
                                        .arg(QString::fromLatin1(DefaultLinkKind).toLower()),
                                    "usb|lpt", QString::fromLatin1(DefaultLinkKind).toLower());
const QCommandLineOption lptOption("lpt", "The parallel port of an lpt board.", "/dev/parportN");

// The session whose operation Ctrl-C cancels.
std::atomic<Operations*> activeOps{nullptr};
std::atomic<bool> interrupted{false};

extern "C" void on_interrupt(int) {
    interrupted.store(true);
    if (Operations* ops = activeOps.load())
        ops->request_cancel();
    interrupt_ledger();
}

} // namespace

// Taken off the command line before any verb parses it (trace_option.h); listed here so
// every board verb's help names it.
const QCommandLineOption
    traceOption("trace",
                "Append every frame sent to and received from the board to FILE (bug reports).",
                "FILE");

void add_device_options(QList<QCommandLineOption>& options) {
    options << portOption << linkOption << lptOption << traceOption << ledgerOption
            << noLedgerOption;
}

bool valid_device_options(CommandContext& ctx, const QCommandLineParser& parser) {
    const QString kind = parser.value(linkOption);
    if (kind.compare("usb", Qt::CaseInsensitive) == 0 ||
        kind.compare("lpt", Qt::CaseInsensitive) == 0)
        return true;
    ctx.err << "kprtool: unknown board kind '" << kind << "' for --link (use usb or lpt)\n";
    ctx.err.flush();
    return false;
}

namespace {
std::vector<std::string> named_ports(const QCommandLineParser& parser) {
    std::vector<std::string> v;
    for (const QString& p : parser.values(portOption))
        v.push_back(p.toStdString());
    return v;
}
} // namespace

DeviceSession::DeviceSession(CommandContext& ctx, const QCommandLineParser& parser)
    : ctx_(ctx), namedPorts_(named_ports(parser)),
      lpt_(parser.value(linkOption).compare("lpt", Qt::CaseInsensitive) == 0),
      messages_(ctx.messages, ctx.progress),
      // --port P talks to P alone
      ports_({namedPorts_, !namedPorts_.empty(), 0, &ctx.trace}), editor_(messages_),
      hooks_(editor_),
      session_({ports_.port(), ports_.lister(), ports_.clock(), ports_.boardSearchList(),
                lpt_ ? make_lpt_port(parser.value(lptOption).toStdString(), messages_) : nullptr},
               hooks_, messages_, ctx.progress) {
    // Every accepted read and every write leaves a backup.
    session_.setObserver(std::make_unique<PagerBackups>(product_backup_store(), messages_,
                                                        product_backup_reads_before_write()));
    // start-up leaves the serial-number scan idle
    editor_.flags().ScanIdle = true;

    interrupted.store(false);
    activeOps.store(&ops());
    catch_interrupts(on_interrupt);
}

DeviceSession::~DeviceSession() {
    activeOps.store(nullptr);
    release_interrupts();
    ctx_.progress.finish();
}

bool DeviceSession::cancelled() const {
    return interrupted.load();
}

std::vector<std::string> DeviceSession::ports() {
    return ports_.lister().ports();
}

bool DeviceSession::connect(BoardLink& board) {
    bool found = board.connect(true);
    if (found && !lpt_ && !link().last_init_ok())
        return false;
    // A Ctrl-C while the ports were probed stops here: the operation would clear it.
    if (found && cancelled()) {
        release(board);
        messages_.message(MsgCancelled, MessageIcon::None);
        return false;
    }
    return found;
}

bool DeviceSession::open_table_file(const QString& path) {
    // As the window opens its file at start-up, so a write commits the frequency the same way.
    return open_in_editor(editor_, path);
}

} // namespace kpr::cli
