// kpr-programmer: the desktop editor.
#include "editor/editor.h"
#include "link/trace_serial_port.h"
#include "platform/product_ports.h"
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
    // The ports (and simulated boards) outlive everything that talks to them.
    kpr::ProductPorts ports({extra, false, simBoards, &trace});
    kpr::StationPorts stationPorts;
    stationPorts.clock = &ports.clock();
    stationPorts.list = [&ports] { return ports.stationPorts(); };
    stationPorts.make = [&ports](const std::string& name) { return ports.makePort(name); };
    const QString link = parser.value(linkOption).toLower();
    if (link != QStringLiteral("usb") && link != QStringLiteral("lpt")) {
        messages.message("Unknown link \"" + link.toStdString() + "\": use usb or lpt.",
                         kpr::MessageIcon::Critical);
        return 2;
    }
    // The window finds its USB board in the same list kprtool reads.
    kpr::BoardPorts boardPorts{ports.port(), ports.lister(), ports.clock(),
                               ports.boardSearchList()};
    if (link == QStringLiteral("lpt"))
        boardPorts.lpt = kpr::make_lpt_port(parser.value(lptOption).toStdString(), messages);
    if (boardPorts.lpt)
        editor.set_usb_link(false);
    kpr::Programmer programmer(editor, messages, std::move(boardPorts));
    if (parser.isSet(ledgerOption))
        programmer.setLedgerUrl(parser.value(ledgerOption).toStdString());

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
