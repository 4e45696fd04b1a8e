#include "engine/memory/MemoryBackend.h"

#include <QHash>
#include <QMutex>

namespace vantor {

namespace {

QMutex& registryMutex() {
    static QMutex mutex;
    return mutex;
}

QHash<QString, std::shared_ptr<MemoryDatabase>>& registry() {
    static QHash<QString, std::shared_ptr<MemoryDatabase>> databases;
    return databases;
}

class MemorySession : public BackendSession {
public:
    explicit MemorySession(std::shared_ptr<MemoryDatabase> db) : db_(std::move(db)) {}

    std::shared_ptr<Recordset> OpenSchema(qint32 schema, const QVariantList& criteria) override {
        db_->schemaCalls.append({schema, criteria});
        if (db_->failOpenSchema)
            throw *db_->failOpenSchema;
        switch (schema) {
        case adSchemaTables:
            return tables();
        case adSchemaColumns:
            return columns(CriteriaTableName(criteria));
        case adSchemaViews:
            return views();
        default:
            throw VantorError(err::Provider,
                              QStringLiteral("Object or provider is not capable of performing "
                                             "requested operation."));
        }
    }

    void Execute(const QString& commandText) override {
        db_->executed.append(commandText);
        if (db_->failExecute)
            throw *db_->failExecute;
    }

private:
    std::shared_ptr<Recordset> tables() const {
        QList<QVariantList> rows;
        for (const MemoryTable& t : db_->tables)
            rows.append({t.name, t.type});
        for (const MemoryView& v : db_->views)
            rows.append({v.name, QStringLiteral("VIEW")});
        return std::make_shared<Recordset>(QStringList{schemacol::TableName, schemacol::TableType},
                                           rows);
    }

    std::shared_ptr<Recordset> columns(const QString& tableName) const {
        QList<QVariantList> rows;
        auto append = [&rows](const MemoryTable& t) {
            for (const MemoryColumn& c : t.columns)
                rows.append({t.name, c.name, c.dataType, c.maxLength, c.nullable, c.ordinal});
        };
        if (tableName.isEmpty()) {
            for (const MemoryTable& t : db_->tables)
                append(t);
        } else {
            for (qsizetype i : db_->TablePositions(tableName))
                append(db_->tables[i]);
        }
        return std::make_shared<Recordset>(
            QStringList{schemacol::TableName, schemacol::ColumnName, schemacol::DataType,
                        schemacol::CharacterMaximumLength, schemacol::IsNullable,
                        schemacol::OrdinalPosition},
            rows);
    }

    std::shared_ptr<Recordset> views() const {
        QList<QVariantList> rows;
        for (const MemoryView& v : db_->views)
            rows.append({v.name, v.definition});
        return std::make_shared<Recordset>(
            QStringList{schemacol::TableName, schemacol::ViewDefinition}, rows);
    }

    std::shared_ptr<MemoryDatabase> db_;
};

} // namespace

MemoryTable& MemoryTable::Column(const QString& name, qint32 dataType, QVariant maxLength,
                                 bool nullable) {
    columns.append(
        {name, dataType, std::move(maxLength), nullable, static_cast<qint32>(columns.size() + 1)});
    return *this;
}

MemoryTable& MemoryDatabase::AddTable(const QString& name, const QString& type) {
    tables.append(MemoryTable{name, type, {}});
    return tables.last();
}

QList<qsizetype> MemoryDatabase::TablePositions(const QString& name) const {
    // Tests edit the public table list directly, so every hit is checked and a miss rebuilds the
    // index; a stale index can cost time but never give a wrong answer.
    QString key = name.toCaseFolded();
    auto current = [&](const QList<qsizetype>& hits) {
        if (hits.isEmpty() || indexedTables_ != tables.size())
            return false;
        for (qsizetype i : hits)
            if (i >= tables.size() || tables[i].name.toCaseFolded() != key)
                return false;
        return true;
    };
    QList<qsizetype> hits = tableIndex_.value(key);
    if (current(hits))
        return hits;
    tableIndex_.clear();
    for (qsizetype i = 0; i < tables.size(); ++i)
        tableIndex_[tables[i].name.toCaseFolded()].append(i);
    indexedTables_ = tables.size();
    return tableIndex_.value(key);
}

void MemoryDatabase::AddView(const QString& name, const QString& definition) {
    views.append({name, definition});
}

std::shared_ptr<MemoryDatabase> MemoryDatabase::Create(const QString& name) {
    QMutexLocker lock(&registryMutex());
    auto db = std::make_shared<MemoryDatabase>();
    registry().insert(name, db);
    return db;
}

std::shared_ptr<MemoryDatabase> MemoryDatabase::Find(const QString& name) {
    QMutexLocker lock(&registryMutex());
    return registry().value(name);
}

void MemoryDatabase::DropAll() {
    QMutexLocker lock(&registryMutex());
    registry().clear();
}

bool MemoryBackend::Accepts(const QString& dataSource) const {
    return dataSource.startsWith(Prefix, Qt::CaseInsensitive);
}

std::unique_ptr<BackendSession> MemoryBackend::Open(const OpenRequest& request) const {
    QString name = request.dataSource.mid(Prefix.size());
    auto db = MemoryDatabase::Find(name);
    if (!db)
        throw VantorError(err::Provider,
                          QStringLiteral("Could not find file '%1'.").arg(request.dataSource));
    db->opens.append(request);
    if (db->failOpen)
        throw *db->failOpen;
    return std::make_unique<MemorySession>(db);
}

} // namespace vantor
