// kpr-programmer: the desktop editor.
#include "editor/editor.h"
#include "link/trace_serial_port.h"
#include "ops/lpt_board.h"
#include "platform/qt_port_lister.h"
#include "platform/qt_serial_port.h"
#if defined(__linux__)
#include "platform/ppdev_port_io.h"
#endif
#include "platform/steady_clock.h"
#include "registry/serial_comm_key.h"
#include "sim/sim_serial_port.h"
#include "ui/about.h"
#include "ui/form1.h"
#include "ui/gui_messages.h"
#include "ui/programmer.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <cstdio>
#include <memory>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("kpr-programmer"));
    QApplication::setApplicationVersion(QStringLiteral("5.21"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("KPR35T pager programmer"));
    parser.addHelpOption();
    parser.addVersionOption();
    QCommandLineOption portOption(QStringLiteral("port"),
                                  QStringLiteral("Also probe serial port PATH for the board."),
                                  QStringLiteral("PATH"));
    QCommandLineOption simOption(
        QStringLiteral("simulate"),
        QStringLiteral("Use a simulated board with a pager in it; \"--simulate N\": N boards, "
                       "for Pager > Station (each takes a fresh pager once one is written)."));
    QCommandLineOption folderOption(
        QStringLiteral("folder"),
        QStringLiteral("Program folder for default.tbl and the file dialogs (default: the "
                       "program's own folder)."),
        QStringLiteral("DIR"));
    QCommandLineOption noSplash(QStringLiteral("no-splash"),
                                QStringLiteral("Show the main window at once."));
    QCommandLineOption linkOption(QStringLiteral("link"),
                                  QStringLiteral("The board kind: usb or lpt (default: %1).")
                                      .arg(QString::fromLatin1(kpr::DefaultLinkKind).toLower()),
                                  QStringLiteral("usb|lpt"),
                                  QString::fromLatin1(kpr::DefaultLinkKind).toLower());
    QCommandLineOption lptOption(QStringLiteral("lpt"),
                                 QStringLiteral("The parallel port of an lpt board (default: "
                                                "/dev/parport0..2)."),
                                 QStringLiteral("DEVICE"));
    QCommandLineOption traceOption(
        QStringLiteral("trace"),
        QStringLiteral("Append every frame sent to and received from the board to FILE."),
        QStringLiteral("FILE"));
    QCommandLineOption ledgerOption(
        QStringLiteral("ledger"),
        QStringLiteral("The programming ledger for this run: a SQLite file, postgresql://host/db "
                       "or a PostgreSQL socket path (default: the setting, else ledger.sqlite in "
                       "the data folder)."),
        QStringLiteral("URL"));
    parser.addOptions({portOption, simOption, folderOption, noSplash, linkOption, lptOption,
                       traceOption, ledgerOption});
    parser.addPositionalArgument(QStringLiteral("N"),
                                 QStringLiteral("With --simulate: the number of boards (1-16)."),
                                 QStringLiteral("[N]"));
    parser.process(app);
    int simBoards = parser.isSet(simOption) ? 1 : 0;
    const QStringList positional = parser.positionalArguments();
    if (!positional.isEmpty()) {
        bool ok = false;
        simBoards = positional.size() == 1 ? positional.first().toInt(&ok) : 0;
        if (!parser.isSet(simOption) || !ok || simBoards < 1 || simBoards > 16) {
            std::fprintf(stderr, "kpr-programmer: a number of boards (1-16) only follows "
                                 "--simulate\n");
            return 2;
        }
    }

    std::vector<std::string> extra;
    for (const QString& p : parser.values(portOption))
        extra.push_back(p.toStdString());

    kpr::GuiMessages messages;
    // Declared before every port that writes to it.
    kpr::TraceFile trace;
    if (parser.isSet(traceOption)) {
        std::string error;
        if (!trace.open(QFile::encodeName(parser.value(traceOption)).toStdString(), error)) {
            messages.message(error, kpr::MessageIcon::Critical);
            return 2;
        }
    }
    kpr::Editor editor(messages);
    kpr::SteadyClock clock;
    std::unique_ptr<kpr::SerialPort> port;
    std::unique_ptr<kpr::PortLister> lister;
    // The simulated boards outlive everything that talks to them.
    std::unique_ptr<kpr::SimBoards> sims;
    kpr::StationPorts stationPorts;
    stationPorts.clock = &clock;
    if (simBoards > 0) {
        sims = std::make_unique<kpr::SimBoards>(simBoards, kpr::SimSerialPort::RealSpeed);
        port = sims->port(kpr::SimSerialPort::PortName);
        lister = std::make_unique<kpr::SimPortLister>(sims->board(0), extra);
        stationPorts.list = [&sims, extra] {
            std::vector<std::string> ports = sims->ports();
            ports.insert(ports.end(), extra.begin(), extra.end());
            return ports;
        };
    } else {
        port = std::make_unique<kpr::QtSerialPort>();
        lister = std::make_unique<kpr::QtPortLister>(extra);
        stationPorts.list = [extra] { return kpr::QtPortLister(extra).ports(); };
    }
    stationPorts.make = [&sims, &clock, &trace](const std::string& name) {
        std::unique_ptr<kpr::SerialPort> p = sims ? sims->port(name) : nullptr;
        if (!p)
            p = std::make_unique<kpr::QtSerialPort>();
        return trace.wrap(std::move(p), clock);
    };
    port = trace.wrap(std::move(port), clock);
    // Declared before the programmer, whose link thread may use it until it ends.
    std::unique_ptr<kpr::LptBoard> lptBoard;
    kpr::Programmer programmer(editor, messages, *port, *lister, clock);
    // The window finds its board in the same list kprtool reads.
    programmer.link().setPortListSource(kpr::serialCommView([&lister] { return lister->ports(); }));
    if (parser.isSet(ledgerOption))
        programmer.setLedgerUrl(parser.value(ledgerOption).toStdString());
    const QString link = parser.value(linkOption).toLower();
    if (link == QStringLiteral("lpt")) {
#if defined(__linux__)
        lptBoard = std::make_unique<kpr::LptBoard>(
            std::make_unique<kpr::PpdevPortIo>(parser.value(lptOption).toStdString()), clock,
            messages);
        programmer.useBoard(*lptBoard);
        editor.setUsbLink(false);
#else
        messages.message(kpr::LptUnavailableMessage, kpr::MessageIcon::Critical);
#endif
    } else if (link != QStringLiteral("usb")) {
        messages.message("Unknown link \"" + link.toStdString() + "\": use usb or lpt.",
                         kpr::MessageIcon::Critical);
        return 2;
    }

    QString folder = parser.value(folderOption);
    if (folder.isEmpty())
        folder = QCoreApplication::applicationDirPath();
    folder = QDir(folder).absolutePath();

    kpr::Form1 form(editor, messages, &programmer);
    form.setStationPorts(stationPorts);
    const QString linkKind = QString::fromStdString(programmer.board().kind());
    if (parser.isSet(noSplash)) {
        form.show();
        form.startUp(folder);
        return app.exec();
    }
    kpr::frmSplash* splash = nullptr;
    splash = new kpr::frmSplash(linkKind, [&form, &splash, folder] {
        form.show();
        // Loading the main window starts the splash's closing timer first.
        splash->startClosing();
        form.startUp(folder);
    });
    splash->setAttribute(Qt::WA_DeleteOnClose);
    splash->show();
    return app.exec();
}
