#pragma once
// Runs a program of the project for end-to-end tests and collects how it ended.
#include <QProcess>
#include <QString>
#include <QStringList>

namespace kpr::e2e {

struct ProgramRun {
    int exitCode = -1;
    bool crashed = false; // crashed, or killed because it outlasted its time
    QString out;
    QString err;
};

// Starts program with nothing on stdin; with `home`, its backups, ledger and settings go to
// home/data and home/config, never the user's.
inline void start_program(QProcess& p, const QString& program, const QStringList& args,
                          const QString& home = {}) {
    if (!home.isEmpty()) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_DATA_HOME", home + "/data");
        env.insert("XDG_CONFIG_HOME", home + "/config");
        p.setProcessEnvironment(env);
    }
    p.start(program, args);
    p.waitForStarted(10000);
    p.closeWriteChannel();
}

// Waits for a started program to end; kills it when it does not within timeoutMs.
inline ProgramRun finish(QProcess& p, int timeoutMs = 60000) {
    ProgramRun r;
    if (p.state() != QProcess::NotRunning && !p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        r.crashed = true;
    }
    r.crashed =
        r.crashed || p.error() == QProcess::FailedToStart || p.exitStatus() == QProcess::CrashExit;
    r.exitCode = p.exitCode();
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

inline ProgramRun run_program(const QString& program, const QStringList& args,
                              const QString& home = {}, int timeoutMs = 60000) {
    QProcess p;
    start_program(p, program, args, home);
    return finish(p, timeoutMs);
}

} // namespace kpr::e2e
