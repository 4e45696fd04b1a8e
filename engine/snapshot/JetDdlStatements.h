#pragma once

#include "model/Schema.h"

#include <QList>
#include <QString>
#include <optional>
#include <variant>

namespace vantor {

// A PRIMARY KEY, UNIQUE or FOREIGN KEY constraint, of a column or of a table.
struct DdlConstraint {
    enum class Kind { PrimaryKey, Unique, ForeignKey };
    Kind kind = Kind::Unique;
    QString name; // empty when the statement gives none
    QStringList columns;
    QString referencedTable;
    QStringList referencedColumns; // empty: the referenced table's primary key
    bool cascadeUpdate = false;
    bool cascadeDelete = false;
    bool cascadeToNull = false;
};

struct DdlColumn {
    Column column;                    // name, type, length, autoNumber, default as written
    std::optional<bool> nullable;     // set by NOT NULL or NULL
    bool alwaysRequired = false;      // the type never accepts NULL
    QList<DdlConstraint> constraints; // the column's own, naming no columns until applied
};

struct CreateTableStmt {
    QString table;
    QList<DdlColumn> columns;
    QList<DdlConstraint> constraints;
};
struct CreateViewStmt {
    QString view;
    QString definition;
};
struct CreateIndexStmt {
    QString index;
    QString table;
    QList<IndexColumn> columns;
    bool unique = false;
    bool primary = false;
    bool required = false;
    bool ignoreNulls = false;
};
struct DropTableStmt {
    QString table;
};
struct DropViewStmt {
    QString view;
};
struct DropIndexStmt {
    QString index;
    QString table;
};
struct AlterAddStmt {
    QString table;
    QList<DdlColumn> columns;
    QList<DdlConstraint> constraints;
};
struct AlterDropColumnsStmt {
    QString table;
    QStringList columns;
};
struct AlterDropConstraintStmt {
    QString table;
    QString constraint;
};
struct CreateProcedureStmt {
    QString procedure;
    QList<QueryParameter> parameters; // names and types as written
    QueryKind kind = QueryKind::Select;
    QString statement; // the text after AS, without the blanks around it
};
struct DropProcedureStmt {
    QString procedure;
};
struct AlterColumnStmt {
    QString table;
    DdlColumn column;
};

using DdlStatement =
    std::variant<CreateTableStmt, CreateViewStmt, CreateIndexStmt, DropTableStmt, DropViewStmt,
                 DropIndexStmt, AlterAddStmt, AlterDropColumnsStmt, AlterDropConstraintStmt,
                 AlterColumnStmt, CreateProcedureStmt, DropProcedureStmt>;

// Parses one statement; raises a Error in Jet's words for anything it cannot read.
DdlStatement ParseJetDdl(const QString& statement);

// Raises the provider's statement error with the given description.
[[noreturn]] void RaiseDdlError(const QString& description);

} // namespace vantor
