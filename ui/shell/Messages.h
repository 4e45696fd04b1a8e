#pragma once

#include <QString>

namespace vantor {

class Desktop;
class Session;
struct Diff;

inline const QString kOpenDatabaseFirst = QStringLiteral("Please open database first.!");
inline const QString kCannotOpenDatabase = QStringLiteral("Cannot open database.");
inline const QString kUnableToLoadSchemas = QStringLiteral("Unable to load schemas.");
inline const QString kWorkUnderWay =
    QStringLiteral("Vantor is still reading, comparing or running a script. Wait until it has "
                   "finished, or press Cancel in its progress window, then try again.");

// "Cannot open database." followed by the reason, which names the file that could not be read.
QString CannotOpenMessage(const QString& reason);

// True when the session holds a comparison; otherwise tells the user to open the databases first.
bool ComparisonOrWarn(const Session& session, Desktop& desktop);

// How many objects the comparison found, and how many in each state.
QString ComparisonCounts(const Diff& diff);
// The same, naming the two databases.
QString DescribeComparison(const Session& session);

} // namespace vantor
