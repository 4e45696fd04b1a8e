#pragma once

#include "engine/access/writer/JetWriter.h"
#include "tests/support/TestPaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

namespace vantor::test {

// The real files of both shared folders that the writer accepts (Jet 4 and ACE, plain, General
// sort order), which are the files its read side must parse whole.
inline QList<QString> WritableSharedFiles() {
    QList<QString> files;
    for (const RealAccessFile& file : SharedAccessFiles())
        if (!WhyFileNotWritable(file.path))
            files.append(file.path);
    return files;
}

// A private copy of a real file in a temporary folder, so a test may change it.
inline QString CopyToTemp(const QTemporaryDir& dir, const QString& path) {
    QString copy = dir.filePath(QFileInfo(path).fileName());
    QFile::remove(copy);
    if (!QFile::copy(path, copy))
        return QString();
    QFile::setPermissions(copy, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return copy;
}

// The schema of a file as Vantor's own reader (the program users run) prints it, or why it could
// not.
inline QString VantorDump(const QString& path) {
    QProcess dump;
    dump.start(QDir(BinaryDir()).filePath("bin/vantor-cli"), {"dump", path});
    if (!dump.waitForFinished(120000) || dump.exitCode() != 0)
        return QStringLiteral("vantor-cli failed: ") +
               QString::fromUtf8(dump.readAllStandardError());
    return QString::fromUtf8(dump.readAllStandardOutput());
}

} // namespace vantor::test
