#pragma once
// kpr-board-sim serving its boards on pseudo-terminals, for the end-to-end tests: started with
// the given arguments, its first lines ("PORT <path>", one a board) read for the ports.
#include <QProcess>
#include <QString>
#include <QStringList>

#include <signal.h>

namespace kpr::e2e {

class SimProcess {
  public:
    explicit SimProcess(const QStringList& args, int boards = 1) {
        proc.start(KPR_BOARD_SIM_PATH, args);
        while (ports.size() < boards) {
            while (!proc.canReadLine() && proc.waitForReadyRead(10000)) {
            }
            const QString line = QString::fromUtf8(proc.readLine()).trimmed();
            if (!line.startsWith("PORT "))
                break;
            ports << line.mid(5);
        }
        port = ports.value(0);
    }
    ~SimProcess() { stop(); }
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    // SIGTERM: the simulator saves the pagers' memory and ends; killed if it will not.
    void stop() {
        if (proc.state() != QProcess::NotRunning) {
            ::kill(static_cast<pid_t>(proc.processId()), SIGTERM);
            if (!proc.waitForFinished(10000))
                proc.kill();
            proc.waitForFinished();
        }
    }

    QProcess proc;
    QStringList ports; // empty when the simulator named none
    QString port;      // the first board's
};

} // namespace kpr::e2e
