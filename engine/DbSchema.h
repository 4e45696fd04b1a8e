#pragma once

#include <QList>
#include <QString>
#include <optional>

namespace vantor {

// A database's whole schema as the access layer serves it, plus what the Access reader keeps for
// later use. Reading an Access file, opening a snapshot and exporting one all meet here.
struct SchemaColumn {
    QString name;
    qint32 dataType = 0;             // ADO DataTypeEnum code
    std::optional<qint32> maxLength; // CHARACTER_MAXIMUM_LENGTH; none for types without one
    bool nullable = true;
    qint32 ordinal = 0; // 1-based position in the table's own column order
    bool autoNumber = false;
    std::optional<QString> defaultValue;
    bool allowZeroLength = false;
    QString description;
    std::optional<qint32> precision; // decimal columns only
    std::optional<qint32> scale;
};

struct SchemaIndexColumn {
    QString name;
    bool descending = false;
};

struct SchemaIndex {
    QString name;
    QList<SchemaIndexColumn> columns;
    bool primary = false;
    bool unique = false;
};

struct SchemaTable {
    QString name;
    QString type = QStringLiteral("TABLE"); // TABLE_TYPE as the provider reports it
    QList<SchemaColumn> columns;            // in the table's own order
    QList<SchemaIndex> indexes;
};

struct SchemaView {
    QString name;
    QString definition; // exactly as stored
};

struct SchemaRelationshipColumn {
    QString column;
    QString referencedColumn;
};

struct SchemaRelationship {
    QString name;
    QString table;           // the referencing (foreign) table
    QString referencedTable; // the referenced (primary) table
    QList<SchemaRelationshipColumn> columns;
    bool enforced = false;
    bool cascadeUpdate = false;
    bool cascadeDelete = false;
};

struct DbSchema {
    QString sourceFormat; // e.g. "JET3", "JET4", "ACE12"; empty when not read from a file
    QList<SchemaTable> tables;
    QList<SchemaView> views;
    QList<SchemaRelationship> relationships;

    SchemaTable* FindTable(const QString& name);
    const SchemaTable* FindTable(const QString& name) const;
    SchemaView* FindView(const QString& name);
    const SchemaView* FindView(const QString& name) const;
};

} // namespace vantor
