#include "cli/CompareSession.h"

#include "cli/CliSupport.h"
#include "engine/Connection.h"
#include "engine/ErrorCollector.h"
#include "engine/Globals.h"
#include "engine/clsEngine.h"
#include "model/VantorError.h"

namespace vantor::cli {

namespace {

const QString kProvider = QStringLiteral("Microsoft.Jet.OLEDB.4.0");
const QString kCannotOpen = QStringLiteral("Cannot open database.");

QString withDetail(const QString& message, const QString& detail) {
    return detail.isEmpty() ? message : message + QLatin1Char(' ') + detail;
}

} // namespace

std::shared_ptr<clsEngine> OpenAndCompare(const DatabaseLogin& primary,
                                          const DatabaseLogin& secondary) {
    Engine = std::make_shared<clsEngine>();
    ErrorCollector log(*Engine);
    Engine->DbPathPrimary(primary.path);
    Engine->DbPathSecondary(secondary.path);
    Engine->DbUserPrimary(primary.user);
    Engine->DbUserSecondary(secondary.user);
    Engine->DbPassPrimary(primary.password);
    Engine->DbPassSecondary(secondary.password);
    // The connect dialog goes on to Refresh after a failed open; here the first failure says it.
    if (!Engine->DbOpen() || !Engine->Refresh()) {
        Ui().UnloadWait();
        throw CliError(withDetail(kCannotOpen, log.Descriptions().join(QLatin1Char(' '))));
    }
    if (!Engine->Tables || Engine->Tables->Count() == 0)
        throw CliError(QStringLiteral("Unable to load schemas."));
    return Engine;
}

std::shared_ptr<Connection> OpenDatabase(const DatabaseLogin& login) {
    auto cn = std::make_shared<Connection>();
    cn->Provider(kProvider);
    cn->Properties(prop::DataSource).Value(login.path);
    cn->Properties(prop::UserId).Value(login.user);
    cn->Properties(prop::Password).Value(login.password);
    try {
        cn->Open(QString(), QString(), QString(), -1);
    } catch (const VantorError& e) {
        throw CliError(withDetail(kCannotOpen, e.Description()));
    } catch (const std::exception& e) {
        throw CliError(withDetail(kCannotOpen, QString::fromLocal8Bit(e.what())));
    }
    return cn;
}

QString StateWord(qint16 status) {
    switch (status) {
    case 0:
        return QStringLiteral("equal");
    case 1:
        return QStringLiteral("different");
    case 2:
        return QStringLiteral("only in primary");
    case 3:
        return QStringLiteral("only in secondary");
    default:
        return QStringLiteral("state %1").arg(status);
    }
}

std::vector<ObjectState> ReportedObjects(const clsEngine& engine, bool all) {
    std::vector<ObjectState> objects;
    if (!engine.Tables)
        return objects;
    for (const auto& object : *engine.Tables) {
        if (!object)
            continue;
        const QString type = object->xType();
        if (!all &&
            (type == QLatin1String("ACCESS TABLE") || type == QLatin1String("SYSTEM TABLE")))
            continue;
        objects.push_back({object->Obj_Name(), type, object->Status()});
    }
    return objects;
}

} // namespace vantor::cli
