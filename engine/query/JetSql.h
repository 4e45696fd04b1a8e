#pragma once

#include "model/Schema.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace vantor::jetsql {

// A statement of Jet SQL taken apart into the clauses a saved query is stored as. Expressions are
// kept as the text they were written with; names and aliases without their brackets.

struct Parameter {
    QString name;
    QString type; // as written: "DateTime", "Text ( 50 )"
};

struct Output {
    QString expression;
    QString alias; // empty without AS
};

// One table of the FROM clause: a stored table or query by name, or a subquery.
struct TableRef {
    QString name;
    QString alias;
    QString subquery; // the SELECT inside parentheses or Jet 4's brackets; empty for a name
};

enum class JoinKind { Inner = 1, Left = 2, Right = 3 };

struct Join {
    JoinKind kind = JoinKind::Inner;
    QStringList left; // the aliases, or names, of the tables on each side
    QStringList right;
    // The ON clause as its conditions: "(a) AND (b)" made of parenthesised parts is one per part.
    QStringList conditions;
};

struct OrderItem {
    QString expression;
    bool descending = false;
};

// Another database a clause reads from or writes into: IN 'path' [connect].
struct OtherDatabase {
    QString path;
    QString connect;
};

struct Target {
    QString name;
    std::optional<OtherDatabase> database;
};

struct Statement {
    QueryKind kind = QueryKind::Select;
    QList<Parameter> parameters;
    bool distinct = false;
    bool distinctRow = false;
    std::optional<QString> top; // the number after TOP
    bool topPercent = false;
    bool allFields = false; // a "*" among the outputs
    bool ownerAccess = false;
    // SELECT, DELETE and INSERT ... SELECT outputs; UPDATE's new values; INSERT's VALUES items.
    QList<Output> outputs;
    std::optional<Target> into; // INSERT INTO and SELECT ... INTO
    // INSERT's column list, UPDATE's SET targets, each as written (a column may be qualified).
    QStringList targetColumns;
    QStringList targetColumnsWritten; // the same with their brackets, as a query stores them
    bool values = false;              // INSERT ... VALUES
    QList<TableRef> tables;
    QList<Join> joins;
    std::optional<OtherDatabase> source; // FROM ... IN
    QString where;
    QStringList groupBy;
    QString having;
    QList<OrderItem> orderBy;
    std::optional<Output> transform;
    QString pivot;
    // A union: the text of both parts, the first holding any further UNION of its own.
    QStringList unionParts;
    bool unionAll = false;
};

struct ParseError {
    QString message;
    qsizetype position = 0; // in the text parsed
};

// Takes apart one statement, or says where it stops making sense. Data-definition statements
// and pass-through text are no Jet query and are refused.
std::optional<Statement> Parse(const QString& sql, ParseError* error = nullptr);

// A name without the brackets around it, or around each part of a qualified one.
QString Unbracketed(const QString& name);

} // namespace vantor::jetsql
