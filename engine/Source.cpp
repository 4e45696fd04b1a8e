#include "engine/Source.h"

#include "engine/FileIdentity.h"
#include "engine/access/AccessSource.h"
#include "engine/snapshot/SnapshotSource.h"

#include <QFileInfo>
#include <utility>

namespace vantor {

const Schema& Source::schema() {
    return mutableSchema();
}

Schema& Source::mutableSchema() {
    if (loadError_)
        throw *loadError_;
    if (!schema_) {
        try {
            schema_ = load();
        } catch (const Error& e) {
            loadError_ = e;
            throw;
        }
    }
    return *schema_;
}

Schema Source::schemaTableByTable(const TableSink& take) {
    if (loadError_)
        throw *loadError_;
    return loadTableByTable(take);
}

Schema Source::loadTableByTable(const TableSink& take) {
    Schema rest = mutableSchema();
    const QList<Table> tables = std::exchange(rest.tables, {});
    for (const Table& table : tables)
        take(Table(table));
    return rest;
}

std::unique_ptr<Source> OpenDatabaseFile(const DatabaseLogin& login) {
    return OpenDatabaseFileReadBy(login, nullptr);
}

std::unique_ptr<Source> OpenDatabaseFileReadBy(const DatabaseLogin& login, ReaderEntry entry) {
    const QString& path = login.path;
    RefuseNonFile(path);
    if (path.endsWith(QLatin1String(".mdb"), Qt::CaseInsensitive) ||
        path.endsWith(QLatin1String(".accdb"), Qt::CaseInsensitive))
        return OpenAccessFile(login, entry);
    if (path.endsWith(QLatin1String(".json"), Qt::CaseInsensitive))
        return OpenSnapshotFile(login);
    if (!QFileInfo(path).isFile())
        throw Error(ErrorCode::Provider, QStringLiteral("Could not find file '%1'.").arg(path));
    throw Error(ErrorCode::Provider,
                QStringLiteral("Unrecognized database format '%1'.").arg(path));
}

} // namespace vantor
