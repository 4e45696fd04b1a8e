#pragma once

#include "tests/support/TestPaths.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace vantor::test {

// A real Access file of the shared folder, or empty when the folder is absent.
inline QString SharedAccessFile(const QString& name) {
    QString dir = SharedAccessDir();
    return dir.isEmpty() ? QString() : QDir(dir).absoluteFilePath(name);
}

// The files that `make test` fetches from package registries into the build folder.
inline QString RegistryTestFile(const QString& name) {
    QString path = QDir(BinaryDir()).absoluteFilePath(QStringLiteral("testdata/") + name);
    return QFile::exists(path) ? path : QString();
}

inline QByteArray FileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Text as Jet 4 and later store it, two bytes a character, the low one first.
inline QByteArray Utf16Le(const QString& text) {
    QByteArray out;
    for (QChar c : text)
        out.append(static_cast<char>(c.unicode() & 0xff))
            .append(static_cast<char>(c.unicode() >> 8));
    return out;
}

inline QString WriteFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
    QString path = dir.filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        return QString();
    return path;
}

} // namespace vantor::test

// Skips the test when the shared folder of real Access files is absent.
#define REQUIRE_SHARED_FILE(var, name)                                                             \
    const QString var = ::vantor::test::SharedAccessFile(name);                                    \
    if (var.isEmpty())                                                                             \
    GTEST_SKIP() << "skipped: ../shared/testdata/access is absent"
