#pragma once

#include <QString>

namespace vantor {

// The folder of the running program.
QString ProgramFolder();

// Where a file that the program keeps beside itself (recent.rct and the like) lives: beside the
// program when that folder is writable, else in the per-user data folder, which is created.
QString BesideProgramOrUserData(const QString& fileName);

// Where a folder of the program's own (PLUGINS and the like) is looked for: beside the program
// when it is there, else in the per-user data folder, since an installed program's folder is
// seldom the user's to fill. Nothing is created.
QString FolderBesideProgramOrUserData(const QString& folderName);

} // namespace vantor
