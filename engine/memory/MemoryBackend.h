#pragma once

#include "engine/Backend.h"
#include "model/VantorError.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QVariant>
#include <memory>
#include <optional>

namespace vantor {

// Rows of an in-memory database are stored as the provider would hand them over, so tests can
// serve nulls, oversized lengths or duplicate names exactly where they want them.
struct MemoryColumn {
    QVariant name;
    QVariant dataType;
    QVariant maxLength; // null for types without a length
    QVariant nullable;
    QVariant ordinal;
};

struct MemoryTable {
    QString name;
    QString type = QStringLiteral("TABLE");
    QList<MemoryColumn> columns;

    MemoryTable& Column(const QString& name, qint32 dataType, QVariant maxLength = QVariant(),
                        bool nullable = true);
};

struct MemoryView {
    QString name;
    QString definition;
};

struct SchemaCall {
    qint32 schema;
    QVariantList criteria;
};

// A database that lives in the process, named by the data source "memory:NAME". Rows are served
// in insertion order; Execute only records what it was given.
class MemoryDatabase {
public:
    QList<MemoryTable> tables;
    QList<MemoryView> views;

    QList<OpenRequest> opens;      // every open, with the credentials it was given
    QList<SchemaCall> schemaCalls; // every schema query, in order
    QStringList executed;          // every statement Execute received

    std::optional<VantorError> failOpen;       // raised by every open while set
    std::optional<VantorError> failExecute;    // raised by every Execute while set
    std::optional<VantorError> failOpenSchema; // raised by every schema query while set

    MemoryTable& AddTable(const QString& name, const QString& type = QStringLiteral("TABLE"));
    void AddView(const QString& name, const QString& definition);

    // The database behind "memory:NAME", made empty when Create is called again.
    static std::shared_ptr<MemoryDatabase> Create(const QString& name);
    static std::shared_ptr<MemoryDatabase> Find(const QString& name);
    static void DropAll();

    // Positions in tables of the tables with this name (letter case ignored).
    QList<qsizetype> TablePositions(const QString& name) const;

private:
    mutable QHash<QString, QList<qsizetype>> tableIndex_;
    mutable qsizetype indexedTables_ = -1;
};

class MemoryBackend : public Backend {
public:
    static inline const QString Prefix = QStringLiteral("memory:");

    bool Accepts(const QString& dataSource) const override;
    std::unique_ptr<BackendSession> Open(const OpenRequest& request) const override;
};

} // namespace vantor
