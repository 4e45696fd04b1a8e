#include "ui/shell/AppFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace vantor {

QString ProgramFolder() {
    return QCoreApplication::applicationDirPath();
}

QString BesideProgramOrUserData(const QString& fileName) {
    const QString besideProgram = QDir(ProgramFolder()).absoluteFilePath(fileName);
    QFileInfo folder(ProgramFolder());
    if (folder.isDir() && folder.isWritable())
        return besideProgram;
    const QString userData = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(userData);
    return QDir(userData).absoluteFilePath(fileName);
}

QString FolderBesideProgramOrUserData(const QString& folderName) {
    const QString besideProgram = QDir(ProgramFolder()).absoluteFilePath(folderName);
    if (QFileInfo(besideProgram).isDir())
        return besideProgram;
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation))
        .absoluteFilePath(folderName);
}

} // namespace vantor
