// CPU the connection monitor costs while the program sits idle: the product's monitor tick on
// its one-second timer, taking the serial-port list each time (the system's, kept until /dev
// changes, plus the named port), with a board found at start-up on kpr-board-sim. Runs for
// --seconds S (default 60) and prints the CPU time used by this process over that span and its
// share of one core.
#include <signal.h>
#include <sys/resource.h>

#include <cstdio>
#include <cstring>

#include <QCoreApplication>
#include <QProcess>
#include <QTimer>

#include "link/connection_monitor.h"
#include "platform/product_ports.h"

namespace {

class Messages final : public kpr::OperatorMessages {
  public:
    void message(const std::string& text, kpr::MessageIcon) override {
        std::fprintf(stderr, "message: %s\n", text.c_str());
    }
    bool ask(const std::string&) override { return true; }
};

double cpu_ms() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1000.0 +
           (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1000.0;
}

// The product's LinkUi: the monitor stops and restarts its own timer.
class TimerUi final : public kpr::LinkUi {
  public:
    explicit TimerUi(QTimer& t) : timer_(t) {}
    void setMonitorEnabled(bool on) override {
        if (on)
            timer_.start();
        else
            timer_.stop();
    }
    void showBoardState(kpr::BoardState s) override { connected = s == kpr::BoardState::Connected; }
    bool connected = false;

  private:
    QTimer& timer_;
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    int seconds = 60;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--seconds") == 0)
            seconds = std::max(1, std::atoi(argv[i + 1]));

    QProcess sim;
    sim.start(KPR_BOARD_SIM, QStringList{});
    if (!sim.waitForStarted(5000) || !sim.waitForReadyRead(5000)) {
        std::fprintf(stderr, "kpr-board-sim did not start\n");
        return 1;
    }
    const std::string port = QString::fromUtf8(sim.readLine()).trimmed().mid(5).toStdString();

    Messages msgs;
    // The system's ports plus the simulator's, as kpr-programmer --port would list them.
    kpr::ProductUsbLink board(msgs, {{port}, false});
    QTimer timer;
    timer.setInterval(1000);
    TimerUi ui(timer);
    board.link().setUi(&ui);
    if (!board.link().connect(true))
        return 1;
    kpr::ConnectionMonitor monitor(board.link(), ui);
    int ticks = 0;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        monitor.tick();
        ++ticks;
    });
    timer.start();

    const double cpu0 = cpu_ms();
    QTimer::singleShot(seconds * 1000, &app, &QCoreApplication::quit);
    app.exec();
    const double used = cpu_ms() - cpu0;

    std::printf("connection monitor idle: %.1f ms CPU over %d s, %d ticks (%.3f%% of one core), "
                "board %s\n",
                used, seconds, ticks, used / (seconds * 10.0),
                ui.connected ? "connected" : "NOT connected");
    ::kill(static_cast<pid_t>(sim.processId()), SIGTERM);
    sim.waitForFinished(5000);
    return ui.connected ? 0 : 1;
}
