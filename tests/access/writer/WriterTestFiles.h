#pragma once

#include "engine/access/writer/JetWriter.h"
#include "tests/support/TestPaths.h"

#include <QFile>
#include <QFileInfo>
#include <QList>
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

} // namespace vantor::test
