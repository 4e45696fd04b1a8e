#include "tests/support/TestPaths.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>

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
    // The passwords that the folders' READMEs give.
    const QHash<QString, QString> passwords{{"password.mdb", "ucanaccess"},
                                            {"db2007-enc.accdb", "Test123"},
                                            {"db2007-oldenc.accdb", "Test123"},
                                            {"db2013-enc.accdb", "1234"},
                                            {"db-nonstandard.accdb", "password"}};
    QList<RealAccessFile> files;
    for (const QString& dir : {SharedAccessDir(), SharedAccessMoreDir(),
                               sharedDir(QStringLiteral("access/encrypted"))}) {
        if (dir.isEmpty())
            continue;
        for (const QFileInfo& file :
             QDir(dir).entryInfoList({"*.mdb", "*.accdb"}, QDir::Files, QDir::Name))
            files.append({file.filePath(), passwords.value(file.fileName())});
    }
    return files;
}

} // namespace vantor::test
