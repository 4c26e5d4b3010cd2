#pragma once
// Whole files for the end-to-end tests: read ("<missing>" when there is none) and written.
#include <QByteArray>
#include <QFile>
#include <QString>

namespace kpr::e2e {

inline QByteArray contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

inline bool store(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

} // namespace kpr::e2e
