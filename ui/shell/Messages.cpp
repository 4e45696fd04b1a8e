#include "ui/shell/Messages.h"

#include "engine/Session.h"
#include "ui/shell/Desktop.h"

#include <numeric>

namespace vantor {

QString CannotOpenMessage(const QString& reason) {
    return reason.isEmpty() ? kCannotOpenDatabase
                            : kCannotOpenDatabase + QStringLiteral("\n\n") + reason;
}

bool ComparisonOrWarn(const Session& session, Desktop& desktop) {
    if (session.diff())
        return true;
    desktop.MsgBox(kOpenDatabaseFirst, mb::Exclamation);
    return false;
}

QString ComparisonCounts(const Diff& diff) {
    const std::array<int, 4> counts = diff.countsByState();
    return QStringLiteral("%1 objects: %2 equal, %3 different, %4 only in the primary, %5 only "
                          "in the secondary database")
        .arg(std::accumulate(counts.begin(), counts.end(), 0))
        .arg(counts[static_cast<size_t>(ObjectState::Equal)])
        .arg(counts[static_cast<size_t>(ObjectState::Different)])
        .arg(counts[static_cast<size_t>(ObjectState::OnlyPrimary)])
        .arg(counts[static_cast<size_t>(ObjectState::OnlySecondary)]);
}

QString DescribeComparison(const Session& session) {
    const Diff* diff = session.diff();
    return QStringLiteral("Compared %1 with %2: %3")
        .arg(session.login(Side::Primary).path, session.login(Side::Secondary).path,
             diff ? ComparisonCounts(*diff) : QString());
}

} // namespace vantor
