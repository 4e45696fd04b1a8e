#include "cli/CompareSession.h"

#include "cli/CliSupport.h"
#include "cli/ProgressLine.h"
#include "engine/access/reader/ReaderRun.h"
#include "model/Error.h"

namespace vantor::cli {

namespace {

const QString kCannotOpen = QStringLiteral("Cannot open database.");

QString withDetail(const QString& message, const QString& detail) {
    return detail.isEmpty() ? message : message + QLatin1Char(' ') + detail;
}

} // namespace

std::unique_ptr<Session> OpenAndCompare(const DatabaseLogin& primary,
                                        const DatabaseLogin& secondary,
                                        const CompareSettings& settings, ProgressLine* progress) {
    auto session = std::make_unique<Session>(
        [](const DatabaseLogin& login) { return OpenDatabaseFileReadBy(login, RunReader); });
    session->setCompareSettings(settings);
    if (progress)
        progress->Follow(*session);
    session->setLogin(Side::Primary, primary);
    session->setLogin(Side::Secondary, secondary);
    try {
        session->refresh();
    } catch (const Error&) {
        throw CliError(withDetail(kCannotOpen, session->lastErrors().join(QLatin1Char(' '))));
    }
    if (session->diff()->entries.empty())
        throw CliError(QStringLiteral("Unable to load schemas."));
    return session;
}

std::unique_ptr<Source> OpenDatabase(const DatabaseLogin& login) {
    try {
        return OpenDatabaseFileReadBy(login, RunReader);
    } catch (const std::exception& e) {
        throw CliError(withDetail(kCannotOpen, DescriptionOf(e)));
    }
}

QString StateWord(ObjectState state) {
    switch (state) {
    case ObjectState::Equal:
        return QStringLiteral("equal");
    case ObjectState::Different:
        return QStringLiteral("different");
    case ObjectState::OnlyPrimary:
        return QStringLiteral("only in primary");
    case ObjectState::OnlySecondary:
        return QStringLiteral("only in secondary");
    }
    return QString();
}

int StateNumber(ObjectState state) {
    return static_cast<int>(state);
}

std::vector<ReportedObject> ReportedObjects(const Diff& diff, bool all) {
    std::vector<ReportedObject> objects;
    objects.reserve(diff.entries.size());
    for (const DiffEntry& e : diff.entries)
        if (all || !e.hidden)
            objects.push_back({e.name, TypeName(e.kind), e.state, &e});
    return objects;
}

} // namespace vantor::cli
