#pragma once

#include <QList>
#include <QString>

namespace vantor::test {

// The folder of real Access files beside the repository, or empty when it is absent.
QString SharedAccessDir();
// The second folder of real Access files, from another project, or empty when it is absent.
QString SharedAccessMoreDir();

// One real Access file of the shared folders and the database password it needs.
struct RealAccessFile {
    QString path;
    QString password;
};
// Every .mdb and .accdb file of both shared folders, then the encrypted ones that can be opened.
QList<RealAccessFile> SharedAccessFiles();
QString SourceDir();
QString BinaryDir();

} // namespace vantor::test
