// Start-up of the window to a usable state, measured on the product's own start-up path (the
// same objects kpr-programmer's main builds: splash, main window, programmer, board search).
//
//   bench_startup [--port P]...   (QT_QPA_PLATFORM=offscreen works)
//
// Prints, in milliseconds from the process's start:
//   splash shown, main window shown, splash closed, window usable, board search done;
// "usable" is the first moment the main window has been painted with its final settings and
// the event loop answers within 50 ms from then on. It also prints the longest the event loop
// went without running (a 10 ms timer's largest gap) from the window's showing until one
// second after the board search, so a search that froze the window shows there, and the
// process's peak memory.
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QTimer>

#include "editor/editor.h"
#include "platform/qt_port_lister.h"
#include "platform/qt_serial_port.h"
#include "platform/steady_clock.h"
#include "ui/about.h"
#include "ui/form1.h"
#include "ui/gui_messages.h"
#include "ui/programmer.h"

namespace {

using Clock = std::chrono::steady_clock;

// Milliseconds the process had been running when main() began, from /proc (10 ms steps).
double ms_before_main() {
    std::ifstream stat("/proc/self/stat");
    std::string s((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const auto close = s.rfind(')');
    if (close == std::string::npos)
        return 0;
    std::vector<std::string> f;
    std::string cur;
    for (char c : s.substr(close + 2)) {
        if (c == ' ') {
            f.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    // starttime is field 22 of the line, the 20th after the name.
    if (f.size() < 20)
        return 0;
    const double startTicks = std::stod(f[19]);
    std::ifstream up("/proc/uptime");
    double uptime = 0;
    up >> uptime;
    return uptime * 1000.0 - startTicks * 1000.0 / static_cast<double>(sysconf(_SC_CLK_TCK));
}

class PaintWatch final : public QObject {
  public:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint)
            ++paints;
        return false;
    }
    int paints = 0;
};

} // namespace

int main(int argc, char** argv) {
    const double before = ms_before_main();
    const auto t0 = Clock::now();
    auto at = [&] {
        return before + std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
    };

    QApplication app(argc, argv);
    std::vector<std::string> ports;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--port") == 0)
            ports.push_back(argv[i + 1]);

    // Messages are recorded, not shown: a message box would stop the clock on a person.
    std::vector<std::string> shown;
    kpr::GuiMessages::setTestHook([&](const std::string& text, kpr::MessageIcon, bool) {
        shown.push_back(text);
        return true;
    });
    kpr::GuiMessages messages;
    kpr::Editor editor(messages);
    kpr::SteadyClock clock;
    kpr::QtSerialPort port;
    kpr::QtPortLister lister(ports);
    kpr::Programmer programmer(editor, messages, {port, lister, clock});
    kpr::Form1 form(editor, messages, &programmer);
    PaintWatch paints;
    form.installEventFilter(&paints);

    double splashShown = 0, formShown = 0, splashClosed = 0, searchDone = 0, usable = 0;
    double maxGap = 0, lastTick = 0, gapAfterUsable = 0;
    bool settled = false;
    QTimer ticker;
    ticker.setInterval(10);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const double now = at();
        const double gap = now - lastTick;
        lastTick = now;
        maxGap = std::max(maxGap, gap);
        if (usable > 0)
            gapAfterUsable = std::max(gapAfterUsable, gap);
        if (usable == 0 && paints.paints > 0 && settled && gap < 50)
            usable = now;
    });

    const QString folder = QDir::tempPath();
    kpr::frmSplash* splash = nullptr;
    splash = new kpr::frmSplash(QString::fromStdString(programmer.board().kind()), [&] {
        form.show();
        formShown = at();
        lastTick = formShown;
        ticker.start();
        splash->startClosing();
        // The settings are final as soon as startUp returns; the search goes on behind.
        form.startUp(folder, [&] {
            searchDone = at();
            QTimer::singleShot(1000, &app, &QCoreApplication::quit);
        });
        settled = true;
    });
    splash->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(splash, &QObject::destroyed, [&] { splashClosed = at(); });
    splash->show();
    splashShown = at();
    QTimer::singleShot(30000, &app, &QCoreApplication::quit); // never hang a benchmark
    app.exec();

    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    std::printf("process start to main(): %.0f ms\n", before);
    std::printf("splash shown: %.0f ms\n", splashShown);
    std::printf("main window shown: %.0f ms\n", formShown);
    std::printf("splash closed: %.0f ms\n", splashClosed);
    std::printf("window usable: %.0f ms (%+.0f ms from the splash closing)\n", usable,
                usable - splashClosed);
    std::printf("board search done: %.0f ms\n", searchDone);
    std::printf("longest event-loop stall from showing to 1 s after the search: %.0f ms "
                "(after usable: %.0f ms)\n",
                maxGap, gapAfterUsable);
    std::printf("peak memory (max RSS): %ld KiB\n", u.ru_maxrss);
    for (const std::string& m : shown)
        std::printf("message: %s\n", m.c_str());
    return usable > 0 && splashClosed > 0 ? 0 : 1;
}
