#include "engine/query/QueryRows.h"

#include <QHash>
#include <QRegularExpression>
#include <algorithm>

namespace vantor::jetsql {

namespace {

constexpr int kStartAttribute = 0;
constexpr int kEndAttribute = 255;
constexpr int kCrosstabValue = 0;
constexpr int kCrosstabPivot = 1;
constexpr int kCrosstabRowHeading = 2;
constexpr int kAppendValue = -32768; // 0x8000 in the Integer column
constexpr int kUnionDistinct = 0x2;
constexpr int kTextParameter = 10;
const QString kFirstUnionPart = QStringLiteral("X7YZ_____1");
const QString kSecondUnionPart = QStringLiteral("X7YZ_____2");

namespace option {
constexpr int AllFields = 0x01;
constexpr int Distinct = 0x02;
constexpr int OwnerAccess = 0x04;
constexpr int DistinctRow = 0x08;
constexpr int Top = 0x10;
constexpr int Percent = 0x20;
} // namespace option

// The type code a parameter row stores for each spelling Jet accepts in PARAMETERS.
const QHash<QString, int>& parameterTypes() {
    static const QHash<QString, int> types = [] {
        QHash<QString, int> t;
        auto add = [&t](std::initializer_list<const char*> names, int code) {
            for (const char* name : names)
                t.insert(QString::fromLatin1(name), code);
        };
        add({"VALUE"}, 0);
        add({"BIT", "YESNO", "LOGICAL", "LOGICAL1", "BOOLEAN"}, 1);
        add({"BYTE", "INTEGER1", "TINYINT"}, 2);
        add({"SHORT", "SMALLINT", "INTEGER2"}, 3);
        add({"LONG", "INTEGER", "INT", "INTEGER4"}, 4);
        add({"CURRENCY", "MONEY"}, 5);
        add({"IEEESINGLE", "SINGLE", "REAL", "FLOAT4"}, 6);
        add({"IEEEDOUBLE", "DOUBLE", "FLOAT", "FLOAT8", "NUMBER"}, 7);
        add({"DATETIME", "DATE", "TIME"}, 8);
        add({"BINARY", "VARBINARY"}, 9);
        add({"TEXT", "CHAR", "CHARACTER", "VARCHAR", "ALPHANUMERIC", "STRING"}, kTextParameter);
        add({"LONGBINARY", "OLEOBJECT", "GENERAL", "IMAGE"}, 11);
        add({"MEMO", "LONGTEXT", "LONGCHAR", "NOTE"}, 12);
        add({"GUID", "UNIQUEIDENTIFIER"}, 15);
        add({"DECIMAL"}, 16);
        return t;
    }();
    return types;
}

// A parameter's row: its type's code and, for text, the size when the type gives one.
std::variant<QueryRow, QString> parameterRow(const Parameter& p) {
    static const QRegularExpression kType(
        QStringLiteral("^\\s*([A-Za-z0-9]+)\\s*(?:\\(\\s*(\\d{1,3})\\s*\\))?\\s*$"));
    const QRegularExpressionMatch m = kType.match(p.type);
    const auto code = m.hasMatch() ? parameterTypes().constFind(m.captured(1).toUpper())
                                   : parameterTypes().constEnd();
    if (code == parameterTypes().constEnd())
        return QStringLiteral("the type '%1' of the parameter '%2' is not one Access stores")
            .arg(p.type.trimmed(), p.name);
    QueryRow row{queryattr::Parameter, QString(), *code, p.name, QString(), std::nullopt};
    if (!m.captured(2).isEmpty()) {
        if (*code != kTextParameter)
            return QStringLiteral("the parameter '%1' gives a size to a type that has none")
                .arg(p.name);
        const int size = m.captured(2).toInt();
        if (size < 1 || size > 255)
            return QStringLiteral("the parameter '%1' is text of %2 characters; Access allows 1 "
                                  "to 255")
                .arg(p.name)
                .arg(size);
        row.extra = size;
    }
    return row;
}

QueryRow row(int attribute, const QString& expression = QString(),
             std::optional<int> flag = std::nullopt, const QString& name1 = QString(),
             const QString& name2 = QString()) {
    return {attribute, expression, flag, name1, name2, std::nullopt};
}

int optionFlags(const Statement& st) {
    return (st.allFields ? option::AllFields : 0) | (st.distinct ? option::Distinct : 0) |
           (st.ownerAccess ? option::OwnerAccess : 0) | (st.distinctRow ? option::DistinctRow : 0) |
           (st.top ? option::Top : 0) | (st.topPercent ? option::Percent : 0);
}

int typeFlag(QueryKind kind) {
    switch (kind) {
    case QueryKind::MakeTable:
        return 2;
    case QueryKind::Append:
        return 3;
    case QueryKind::Update:
        return 4;
    case QueryKind::Delete:
        return 5;
    case QueryKind::Crosstab:
        return 6;
    case QueryKind::Union:
        return 9;
    default:
        return 1;
    }
}

// Whether a join condition names the table (or alias) as the qualifier of a field.
bool mentions(const QString& condition, const QString& key) {
    const QString folded = condition.toCaseFolded();
    const QString k = key.toCaseFolded();
    return folded.contains(k + u'.') || folded.contains(u'[' + k + QStringLiteral("]."));
}

// The one table of a join's side that its rows name: the one the conditions qualify fields
// with, or the side's only table.
std::optional<QString> sideTable(const QStringList& side, const QStringList& conditions) {
    if (side.size() == 1)
        return side.first();
    QStringList named;
    for (const QString& key : side)
        if (std::any_of(conditions.begin(), conditions.end(),
                        [&key](const QString& c) { return mentions(c, key); }))
            named.append(key);
    if (named.size() == 1)
        return named.first();
    return std::nullopt;
}

class RowBuilder {
public:
    explicit RowBuilder(const Statement& st) : st_(st) {}

    std::variant<QueryRows, QString> Build() {
        rows_ << row(kStartAttribute, QString(), 0) << row(kEndAttribute);
        QueryRow type = row(queryattr::Type, QString(), typeFlag(st_.kind));
        if (st_.into) {
            type.name1 = st_.into->name;
            if (st_.into->database) {
                type.name2 = st_.into->database->path;
                type.expression = st_.into->database->connect;
            }
        }
        rows_ << type;
        for (const Parameter& p : st_.parameters) {
            auto parameter = parameterRow(p);
            if (const QString* why = std::get_if<QString>(&parameter))
                return *why;
            rows_ << std::get<QueryRow>(parameter);
        }
        if (st_.kind == QueryKind::Union)
            union_();
        else if (std::optional<QString> why = clauses())
            return *why;
        for (const OrderItem& o : st_.orderBy)
            rows_ << row(queryattr::OrderBy, o.expression, std::nullopt,
                         o.descending ? QStringLiteral("D") : QString());
        return rows_;
    }

private:
    void union_() {
        // Access sets the all-fields bit on a union too (seen on UNION ALL).
        rows_ << row(queryattr::Options, QString(),
                     option::AllFields | (st_.unionAll ? 0 : kUnionDistinct));
        rows_ << row(queryattr::Table, st_.unionParts.value(0), std::nullopt, QString(),
                     kFirstUnionPart)
              << row(queryattr::Table, st_.unionParts.value(1), std::nullopt, QString(),
                     kSecondUnionPart);
    }

    std::optional<QString> clauses() {
        if (const int flags = optionFlags(st_); flags != 0)
            rows_ << row(queryattr::Options, QString(), flags, st_.top.value_or(QString()));
        if (st_.source)
            rows_ << row(queryattr::RemoteDatabase, st_.source->connect, std::nullopt,
                         st_.source->path);
        for (const TableRef& t : st_.tables)
            rows_ << row(queryattr::Table, t.subquery, std::nullopt, t.name, t.alias);
        columns();
        for (const Join& j : st_.joins) {
            const std::optional<QString> left = sideTable(j.left, j.conditions);
            const std::optional<QString> right = sideTable(j.right, j.conditions);
            if (!left || !right)
                return QStringLiteral("a join's condition does not say which of the joined "
                                      "tables it links");
            for (auto c = j.conditions.crbegin(); c != j.conditions.crend(); ++c)
                rows_ << row(queryattr::Join, *c, int(j.kind), *left, *right);
        }
        if (!st_.where.isEmpty())
            rows_ << row(queryattr::Where, st_.where);
        const int groupFlag = st_.kind == QueryKind::Crosstab ? kCrosstabRowHeading : 0;
        for (const QString& g : st_.groupBy)
            rows_ << row(queryattr::GroupBy, g, groupFlag);
        if (st_.kind == QueryKind::Crosstab)
            rows_ << row(queryattr::GroupBy, st_.pivot, kCrosstabPivot);
        if (!st_.having.isEmpty())
            rows_ << row(queryattr::Having, st_.having);
        return std::nullopt;
    }

    void columns() {
        if (st_.transform)
            rows_ << row(queryattr::Column, st_.transform->expression, kCrosstabValue,
                         st_.transform->alias);
        for (qsizetype i = 0; i < st_.outputs.size(); ++i) {
            const Output& o = st_.outputs[i];
            switch (st_.kind) {
            case QueryKind::Crosstab:
                rows_ << row(queryattr::Column, o.expression, kCrosstabRowHeading, o.alias);
                break;
            case QueryKind::Update:
                rows_ << row(queryattr::Column, o.expression, 0, QString(),
                             st_.targetColumnsWritten.value(i));
                break;
            case QueryKind::Append:
                rows_ << row(queryattr::Column, o.expression, st_.values ? kAppendValue : 0,
                             o.alias, st_.targetColumnsWritten.value(i));
                break;
            default:
                rows_ << row(queryattr::Column, o.expression, 0, o.alias);
            }
        }
        if (st_.kind == QueryKind::Crosstab)
            rows_ << row(queryattr::Column, st_.pivot, kCrosstabPivot);
    }

    const Statement& st_;
    QueryRows rows_;
};

QString oneSpaced(QString text) {
    static const QRegularExpression kBlanks(QStringLiteral("\\s+"));
    text = text.replace(kBlanks, QStringLiteral(" ")).trimmed();
    while (text.endsWith(u';'))
        text = text.chopped(1).trimmed();
    return text;
}

// Everything a statement says, one line per clause part, tables in any order (the reader lists
// the tables that join nothing first).
QStringList meaning(const Statement& st) {
    QStringList lines;
    lines << QStringLiteral("kind %1").arg(int(st.kind));
    for (const Parameter& p : st.parameters) {
        const auto parameter = parameterRow(p);
        const auto* r = std::get_if<QueryRow>(&parameter);
        lines << QStringLiteral("parameter %1 %2 %3")
                     .arg(p.name)
                     .arg(r ? r->flag.value_or(-1) : -1)
                     .arg(r ? r->extra.value_or(0) : 0);
    }
    lines << QStringLiteral("options %1 top %2").arg(optionFlags(st)).arg(st.top.value_or(""));
    if (st.into)
        lines << QStringLiteral("into %1 in %2 [%3]")
                     .arg(st.into->name, st.into->database ? st.into->database->path : QString(),
                          st.into->database ? st.into->database->connect : QString());
    if (st.source)
        lines << QStringLiteral("source %1 [%2]").arg(st.source->path, st.source->connect);
    QStringList tables;
    for (const TableRef& t : st.tables)
        tables << QStringLiteral("table %1 (%2) AS %3").arg(t.name, oneSpaced(t.subquery), t.alias);
    tables.sort();
    lines += tables;
    for (const Join& j : st.joins)
        lines << QStringLiteral("join %1 %2 | %3 ON %4")
                     .arg(int(j.kind))
                     .arg(j.left.join(u','), j.right.join(u','), j.conditions.join(u'\n'));
    if (st.transform)
        lines << QStringLiteral("transform %1 AS %2")
                     .arg(st.transform->expression, st.transform->alias);
    for (qsizetype i = 0; i < st.outputs.size(); ++i)
        lines << QStringLiteral("output %1 AS %2 INTO %3")
                     .arg(st.outputs[i].expression, st.outputs[i].alias, st.targetColumns.value(i));
    lines << QStringLiteral("targets %1").arg(st.targetColumns.join(u','));
    lines << QStringLiteral("values %1 pivot %2").arg(st.values).arg(st.pivot);
    lines << QStringLiteral("where %1").arg(st.where);
    for (const QString& g : st.groupBy)
        lines << QStringLiteral("group %1").arg(g);
    lines << QStringLiteral("having %1").arg(st.having);
    for (const OrderItem& o : st.orderBy)
        lines << QStringLiteral("order %1 %2").arg(o.expression).arg(o.descending);
    for (const QString& part : st.unionParts)
        lines << QStringLiteral("part %1").arg(oneSpaced(part));
    lines << QStringLiteral("all %1").arg(st.unionAll);
    return lines;
}

// The first line where two statements' meanings part, for the reason given to the user.
QString firstDifference(const QStringList& wanted, const QStringList& stored) {
    for (qsizetype i = 0; i < std::max(wanted.size(), stored.size()); ++i)
        if (wanted.value(i) != stored.value(i))
            return QStringLiteral("'%1' would read back as '%2'")
                .arg(wanted.value(i), stored.value(i));
    return QString();
}

} // namespace

std::variant<QueryRows, QString> RowsOf(const Statement& statement) {
    return RowBuilder(statement).Build();
}

std::variant<StorableQuery, QString> StoreQuery(const QString& sql) {
    ParseError error;
    const std::optional<Statement> statement = Parse(sql, &error);
    if (!statement)
        return QStringLiteral("Vantor cannot read the query's SQL: %1 (at character %2).")
            .arg(error.message)
            .arg(error.position + 1);
    // The reader shows a password in a connection string as ***; storing that would break the
    // connection without a word, and the real one is never known.
    static const QRegularExpression kPassword(QStringLiteral("(^|;)\\s*(PWD|PASSWORD)\\s*="),
                                              QRegularExpression::CaseInsensitiveOption);
    for (const OtherDatabase* other :
         {statement->source ? &*statement->source : nullptr,
          statement->into && statement->into->database ? &*statement->into->database : nullptr})
        if (other && other->connect.contains(kPassword))
            return QStringLiteral("Vantor cannot store this query: its connection string holds a "
                                  "password, which Vantor neither reads nor writes.");
    auto rows = RowsOf(*statement);
    if (const QString* why = std::get_if<QString>(&rows))
        return QStringLiteral("Vantor cannot store this query exactly: %1.").arg(*why);
    StorableQuery out;
    out.rows = std::get<QueryRows>(rows);
    out.kind = statement->kind;
    out.plainSelect = IsPlainSelectQuery(out.rows, 0);
    out.sql = out.plainSelect ? SelectQuerySql(out.rows) : SavedQuerySql(out.rows, out.kind);
    out.parameters = QueryParameters(out.rows);
    // What the reader will make of the rows must be the query that was asked for.
    const std::optional<Statement> back = Parse(out.sql);
    const QStringList wanted = meaning(*statement);
    const QStringList stored = back ? meaning(*back) : QStringList();
    if (wanted != stored)
        return QStringLiteral("Vantor cannot store this query exactly: %1.")
            .arg(firstDifference(wanted, stored));
    return out;
}

} // namespace vantor::jetsql
