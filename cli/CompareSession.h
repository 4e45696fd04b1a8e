#pragma once

#include "engine/Session.h"

#include <QString>
#include <memory>
#include <vector>

namespace vantor::cli {

class ProgressLine;

// Opens both databases in a session of their own and compares them with settings, as the
// connect dialog does. Raises CliError in the desktop's words followed by the reason; progress,
// when given, follows the work.
std::unique_ptr<Session> OpenAndCompare(const DatabaseLogin& primary,
                                        const DatabaseLogin& secondary,
                                        const CompareSettings& settings = {},
                                        ProgressLine* progress = nullptr);

// One open database, as the session opens each side.
std::unique_ptr<Source> OpenDatabase(const DatabaseLogin& login);

// An object of the comparison as the reports show it.
struct ReportedObject {
    QString name;
    QString type;
    ObjectState state = ObjectState::Equal;
    const DiffEntry* entry = nullptr;
};

// The state as a word: equal, different, only in primary, only in secondary.
QString StateWord(ObjectState state);
// The state as the number the JSON reports carry: 0 to 3 in ObjectState's order.
int StateNumber(ObjectState state);

// The objects of the diff in its order; hidden ones (the database's own system tables among
// them) are left out, as the object tree leaves them out, unless all is set.
std::vector<ReportedObject> ReportedObjects(const Diff& diff, bool all);

} // namespace vantor::cli
