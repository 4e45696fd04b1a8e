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

QString SharedAccessDir() {
    QString dir = QDir(SourceDir()).absoluteFilePath(QStringLiteral("../shared/testdata/access"));
    return QFileInfo(dir).isDir() ? QDir::cleanPath(dir) : QString();
}

} // namespace vantor::test
