#pragma once
// kpr-board-sim running on its pseudo-terminal, for the end-to-end tests: started with the
// given arguments, its first line ("PORT <path>") read for the port to talk to.
#include <QProcess>
#include <QString>
#include <QStringList>

#include <signal.h>

namespace kpr::e2e {

class SimProcess {
  public:
    SimProcess(const QString& program, const QStringList& args) {
        proc.start(program, args);
        started = proc.waitForStarted(5000);
        if (!started)
            return;
        while (!proc.canReadLine() && proc.waitForReadyRead(5000)) {
        }
        banner = QString::fromUtf8(proc.readLine()).trimmed();
        if (banner.startsWith("PORT "))
            port = banner.mid(5);
    }
    ~SimProcess() { stop(); }
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    // SIGTERM: the simulator saves the pager's memory and ends; killed if it will not.
    // Returns its exit code, -1 when it did not end normally.
    int stop() {
        if (proc.state() != QProcess::NotRunning) {
            ::kill(static_cast<pid_t>(proc.processId()), SIGTERM);
            if (!proc.waitForFinished(5000)) {
                proc.kill();
                proc.waitForFinished(5000);
            }
        }
        return proc.exitStatus() == QProcess::NormalExit ? proc.exitCode() : -1;
    }

    QProcess proc;
    bool started = false;
    QString banner; // the first line it printed
    QString port;   // empty when that line named none
};

} // namespace kpr::e2e
