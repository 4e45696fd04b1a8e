#pragma once

#include "cli/Credentials.h"

#include <QString>
#include <memory>
#include <vector>

namespace vantor {
class clsEngine;
class Connection;
} // namespace vantor

namespace vantor::cli {

// Opens both databases through a fresh global Engine exactly as the connect dialog does
// (settings, DbOpen, Refresh) and returns it compared. Raises CliError in the desktop's words
// followed by the provider's description.
std::shared_ptr<clsEngine> OpenAndCompare(const DatabaseLogin& primary,
                                          const DatabaseLogin& secondary);

// One open connection to a database, as the engine opens each side.
std::shared_ptr<Connection> OpenDatabase(const DatabaseLogin& login);

// An object of the comparison as the reports show it.
struct ObjectState {
    QString name;
    QString type;
    qint16 status = 0;
};

// The state as a word: equal, different, only in primary, only in secondary.
QString StateWord(qint16 status);

// The objects of the combined list in its order; the database's own system tables are left
// out, as the object tree leaves them out, unless all is set.
std::vector<ObjectState> ReportedObjects(const clsEngine& engine, bool all);

} // namespace vantor::cli
