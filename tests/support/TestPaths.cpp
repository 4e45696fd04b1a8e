#include "tests/support/TestPaths.h"

#include <QDir>
#include <QFileInfo>

namespace vantor::test {

QString SourceDir() {
    return QStringLiteral(VANTOR_SOURCE_DIR);
}

QString BinaryDir() {
    return QStringLiteral(VANTOR_BINARY_DIR);
}

namespace {

QString sharedDir(const QString& name) {
    QString dir = QDir(SourceDir()).absoluteFilePath(QStringLiteral("../shared/testdata/") + name);
    return QFileInfo(dir).isDir() ? QDir::cleanPath(dir) : QString();
}

} // namespace

QString SharedAccessDir() {
    return sharedDir(QStringLiteral("access"));
}

QString SharedAccessMoreDir() {
    return sharedDir(QStringLiteral("access-more"));
}

QList<RealAccessFile> SharedAccessFiles() {
    QList<RealAccessFile> files;
    for (const QString& dir : {SharedAccessDir(), SharedAccessMoreDir()}) {
        if (dir.isEmpty())
            continue;
        for (const QFileInfo& file :
             QDir(dir).entryInfoList({"*.mdb", "*.accdb"}, QDir::Files, QDir::Name)) {
            // The folder's README gives this file's password.
            QString password = file.fileName() == QLatin1String("password.mdb")
                                   ? QStringLiteral("ucanaccess")
                                   : QString();
            files.append({file.filePath(), password});
        }
    }
    // The encoded and encrypted files whose passwords the folder's README gives.
    if (const QString dir = SharedAccessDir(); !dir.isEmpty()) {
        const std::pair<const char*, const char*> encrypted[] = {
            {"db97-enc.mdb", ""},
            {"db-enc.mdb", ""},
            {"db2007-enc.accdb", "Test123"},
            {"db2007-oldenc.accdb", "Test123"},
            {"db2013-enc.accdb", "1234"},
            {"db-nonstandard.accdb", "password"},
        };
        for (const auto& [name, password] : encrypted)
            files.append({dir + QStringLiteral("/encrypted/") + QString::fromLatin1(name),
                          QString::fromLatin1(password)});
    }
    return files;
}

} // namespace vantor::test
