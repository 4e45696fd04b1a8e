#include "ui/compare/ComparisonCommands.h"

#include "engine/Session.h"
#include "ui/shell/Desktop.h"
#include "ui/shell/Messages.h"

#include <utility>

namespace vantor {

ComparisonCommands::ComparisonCommands(Session& session, Desktop& desktop, QObject* parent)
    : QObject(parent), session_(session), desktop_(desktop) {
    connect(&session_, &Session::compared, this, &ComparisonCommands::onCompared);
    connect(&session_, &Session::refreshFailed, this, &ComparisonCommands::onFailed);
    connect(&session_, &Session::refreshCancelled, this, &ComparisonCommands::onCancelled);
}

void ComparisonCommands::connectDatabases(const DatabaseLogin& primary,
                                          const DatabaseLogin& secondary) {
    if (session_.isBusy()) {
        desktop_.MsgBox(kWorkUnderWay, mb::Exclamation);
        return;
    }
    session_.log(QStringLiteral("Connecting %1 with %2").arg(primary.path, secondary.path));
    if (session_.startCompare(primary, secondary))
        pending_ = Pending::Connect;
}

void ComparisonCommands::refresh() {
    // Databases that were named once are opened again, even after a failed read.
    if (!session_.hasLogins()) {
        desktop_.MsgBox(kOpenDatabaseFirst, mb::Exclamation);
        return;
    }
    if (session_.isBusy()) {
        desktop_.MsgBox(kWorkUnderWay, mb::Exclamation);
        return;
    }
    session_.log(
        QStringLiteral("Refreshing the schemas of %1 and %2")
            .arg(session_.login(Side::Primary).path, session_.login(Side::Secondary).path));
    if (session_.startRefresh())
        pending_ = Pending::Refresh;
}

void ComparisonCommands::onCompared() {
    const Pending pending = std::exchange(pending_, Pending::Nothing);
    if (pending == Pending::Nothing)
        return;
    if (pending == Pending::Connect && session_.diff()->entries.empty())
        desktop_.MsgBox(kUnableToLoadSchemas, mb::Exclamation);
    session_.log(DescribeComparison(session_));
    if (pending == Pending::Connect)
        Q_EMIT connected();
}

void ComparisonCommands::onFailed(const QString& reason) {
    const Pending pending = std::exchange(pending_, Pending::Nothing);
    if (pending == Pending::Nothing)
        return;
    // The session keeps nothing of a failed read, so neither do the windows.
    session_.log(pending == Pending::Connect
                     ? QStringLiteral("Connect failed")
                     : QStringLiteral("Refresh failed; the comparison was cleared"));
    desktop_.MsgBox(CannotOpenMessage(reason), mb::Exclamation);
    if (pending == Pending::Connect)
        Q_EMIT connectFailed();
}

void ComparisonCommands::onCancelled() {
    if (std::exchange(pending_, Pending::Nothing) == Pending::Connect)
        Q_EMIT connectFailed();
}

} // namespace vantor
