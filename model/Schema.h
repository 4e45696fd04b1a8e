#pragma once

#include "model/Kinds.h"

#include <QList>
#include <QString>
#include <optional>

namespace vantor {

// A database's whole schema as plain values. Every source (an Access file, a snapshot, a copy in
// memory) returns it; the comparison, scripts and reports read it.
struct Column {
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

struct IndexColumn {
    QString name;
    bool descending = false;
};

struct Index {
    QString name;
    QList<IndexColumn> columns;
    bool primary = false;
    bool unique = false;
};

struct Table {
    QString name;
    ObjectKind kind = ObjectKind::Table;
    QList<Column> columns; // in the table's own order
    QList<Index> indexes;
};

struct View {
    QString name;
    QString definition; // exactly as stored
};

struct RelationshipColumn {
    QString column;
    QString referencedColumn;
};

struct Relationship {
    QString name;
    QString table;           // the referencing (foreign) table
    QString referencedTable; // the referenced (primary) table
    QList<RelationshipColumn> columns;
    bool enforced = false;
    bool cascadeUpdate = false;
    bool cascadeDelete = false;
};

struct Schema {
    QString sourceFormat; // e.g. "JET3", "JET4", "ACE12"; empty when not read from a file
    QList<Table> tables;
    QList<View> views;
    QList<Relationship> relationships;

    Table* findTable(const QString& name);
    const Table* findTable(const QString& name) const;
    View* findView(const QString& name);
    const View* findView(const QString& name) const;
};

} // namespace vantor
