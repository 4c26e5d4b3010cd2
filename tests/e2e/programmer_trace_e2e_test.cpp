// kpr-programmer --trace: the frames of the start-up board search reach the trace file.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QThread>

namespace {

QByteArray read_all(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST(ProgrammerTrace, StartUpSearchIsTraced) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString trace = dir.filePath(QStringLiteral("frames.trace"));
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(KPR_PROGRAMMER_PATH),
            {QStringLiteral("--simulate"), QStringLiteral("--no-splash"),
             QStringLiteral("--folder"), dir.path(), QStringLiteral("--trace"), trace});
    ASSERT_TRUE(p.waitForStarted(10000));
    // The window runs until closed: wait for the probe's answer to be written, then end it.
    QElapsedTimer t;
    t.start();
    QByteArray text;
    while (t.elapsed() < 20000 && p.state() == QProcess::Running) {
        text = read_all(trace);
        if (text.contains("RX probe answer"))
            break;
        QThread::msleep(50);
    }
    p.kill();
    p.waitForFinished(5000);
    EXPECT_TRUE(text.startsWith("-- serial trace started")) << text.toStdString();
    EXPECT_TRUE(text.contains("TX board probe | 56 61 72 64")) << text.toStdString();
    EXPECT_TRUE(text.contains("RX probe answer")) << text.toStdString();
}

} // namespace
