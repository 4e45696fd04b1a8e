#pragma once

#include "model/Kinds.h"
#include "model/OptionalText.h"

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
    // 1-based position among the table's column numbers, the order its rows are stored in; the
    // table lists its columns in the order Access shows them, which can differ.
    qint32 ordinal = 0;
    OptionalText defaultValue;
    QString description;
    std::optional<qint32> precision; // decimal columns only
    std::optional<qint32> scale;
    // The field properties as set in the table's design; none where the property is not set.
    OptionalText validationRule{};
    OptionalText validationText{};
    OptionalText caption{};
    OptionalText format{};
    OptionalText inputMask{};
    std::optional<qint32> decimalPlaces{}; // none also for Auto, which behaves the same
    // Multi-value columns: the type and length of one value, as the hidden column of the values
    // holds them; none for attachments and every other column.
    std::optional<qint32> valueType{};
    std::optional<qint32> valueMaxLength{};
    // The flags come last, where they pack together: a large schema holds many columns.
    bool nullable = true;
    bool autoNumber = false; // a Long Integer counter or a Replication ID
    bool allowZeroLength = false;
    bool required = false; // the Required field property
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
    bool ignoreNulls = false;
    bool required = false;
};

struct Table {
    QString name;
    ObjectKind kind = ObjectKind::Table;
    QList<Column> columns; // in the order Access shows them in the table's design
    QList<Index> indexes;
    QString description{};
    std::optional<QString> validationRule{};
    std::optional<QString> validationText{};
    // Links only: where the table lives. A password in the connect string is never kept.
    QString linkedDatabase{};
    QString connect{};
    QString foreignName{};
};

struct View {
    QString name;
    QString definition;  // exactly as stored
    bool hidden = false; // a record source Access keeps for a form or report, or a system query
};

// What a saved query does, as Access stores it in MSysObjects Flags.
enum class QueryKind {
    Select,
    Crosstab,
    Delete,
    Update,
    Append,
    MakeTable,
    DataDefinition,
    PassThrough,
    Union
};

// The kind's name in snapshots ("SELECT", "CROSSTAB", "MAKE TABLE", ...).
QString QueryKindName(QueryKind kind);
std::optional<QueryKind> QueryKindOfName(const QString& name);

struct QueryParameter {
    QString name;
    QString type; // as the PARAMETERS clause spells it: "DateTime", "Text ( 255 )", ...
};

// A saved query that is not a view: action, crosstab, union, pass-through and parameter queries.
struct Query {
    QString name;
    QueryKind kind = QueryKind::Select;
    QString sql; // the text Access shows in SQL view
    QList<QueryParameter> parameters{};
    QString connect{}; // pass-through queries only; a password in it is never kept
    bool hidden = false;
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
    bool oneToOne = false;
    bool cascadeToNull = false; // deleting the referenced row sets the references to null
};

struct Schema {
    QString sourceFormat; // e.g. "JET3", "JET4", "ACE12"; empty when not read from a file
    QList<Table> tables;
    QList<View> views;
    QList<Relationship> relationships;
    QList<Query> queries{}; // the saved queries that are not views

    Table* findTable(const QString& name);
    const Table* findTable(const QString& name) const;
    View* findView(const QString& name);
    const View* findView(const QString& name) const;
    const Query* findQuery(const QString& name) const;
};

// A connect string with the value of every PWD or PASSWORD item replaced by "***", so that no
// report, snapshot or log can show it; the item stays so that a password's presence still shows.
QString WithoutPassword(const QString& connect);

} // namespace vantor
