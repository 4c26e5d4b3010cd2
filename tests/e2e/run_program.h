#pragma once
// Runs a program to its end and collects what it printed, for end-to-end tests.
#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace kpr::e2e {

struct ProgramRun {
    int exitCode = -1;
    bool crashed = false;
    QString out;
    QString err;
};

// Runs program with args, feeding `input` on stdin (then closing it); waits up to
// timeoutMs for the program to end, and kills it when it does not.
inline ProgramRun run_program(const QString& program, const QStringList& args,
                              const QByteArray& input = {}, int timeoutMs = 30000) {
    QProcess p;
    p.start(program, args);
    ProgramRun r;
    if (!p.waitForStarted(timeoutMs)) {
        r.err = "could not start " + program + ": " + p.errorString();
        return r;
    }
    if (!input.isEmpty())
        p.write(input);
    p.closeWriteChannel();
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        r.crashed = true;
    }
    r.crashed = r.crashed || p.exitStatus() == QProcess::CrashExit;
    r.exitCode = p.exitCode();
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

} // namespace kpr::e2e
