// Whole-file reads and writes for the window tests, byte for byte.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTest>

namespace vandor::test {

// The file's bytes, or "<missing>" when it cannot be read.
inline QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

inline void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

}  // namespace vandor::test
