#include "engine/access/QuerySql.h"

#include "model/Kinds.h"

#include <QRegularExpression>
#include <QSet>
#include <QStringList>
#include <array>

namespace vantor {

namespace {

constexpr int kSelectType = 1;

namespace option {
constexpr int AllFields = 0x01;
constexpr int Distinct = 0x02;
constexpr int OwnerAccess = 0x04;
constexpr int DistinctRow = 0x08;
constexpr int Top = 0x10;
constexpr int Percent = 0x20;
} // namespace option

const QString kCrLf = QStringLiteral("\r\n");

QList<const QueryRow*> rowsOf(const QList<QueryRow>& rows, int attribute) {
    QList<const QueryRow*> out;
    for (const QueryRow& r : rows)
        if (r.attribute == attribute)
            out.append(&r);
    return out;
}

int optionFlags(const QList<QueryRow>& rows) {
    QList<const QueryRow*> options = rowsOf(rows, queryattr::Options);
    return options.isEmpty() ? 0 : options.first()->flag.value_or(0);
}

// The words between SELECT (or DELETE) and the output list: DISTINCT, TOP n and the like.
QString predicates(const QList<QueryRow>& rows) {
    QList<const QueryRow*> options = rowsOf(rows, queryattr::Options);
    const int flags = optionFlags(rows);
    QString line;
    if (flags & option::DistinctRow)
        line += QStringLiteral("DISTINCTROW ");
    else if (flags & option::Distinct)
        line += QStringLiteral("DISTINCT ");
    if ((flags & option::Top) && !options.isEmpty()) {
        line += QStringLiteral("TOP ") + options.first()->name1 + QLatin1Char(' ');
        if (flags & option::Percent)
            line += QStringLiteral("PERCENT ");
    }
    return line;
}

QString output(const QueryRow& column) {
    return column.name1.isEmpty()
               ? column.expression
               : column.expression + QStringLiteral(" AS ") + QuoteSqlName(column.name1);
}

QString outputList(const QList<const QueryRow*>& columns, int flags) {
    QStringList outputs;
    for (const QueryRow* r : columns)
        outputs.append(output(*r));
    if (flags & option::AllFields || outputs.isEmpty())
        outputs.append(QStringLiteral("*"));
    return outputs.join(QStringLiteral(", "));
}

QString selectLine(const QList<QueryRow>& rows) {
    return QStringLiteral("SELECT ") + predicates(rows) +
           outputList(rowsOf(rows, queryattr::Column), optionFlags(rows));
}

// A FROM item: one table, or tables already joined together.
struct Source {
    QString sql;
    QStringList keys; // folded names or aliases of the tables inside
    bool joined = false;

    QString nested() const { return joined ? QLatin1Char('(') + sql + QLatin1Char(')') : sql; }
};

struct JoinGroup {
    QString left;
    QString right;
    int kind = 1;
    QStringList conditions;
};

QString joinWord(int kind) {
    switch (kind) {
    case 2:
        return QStringLiteral(" LEFT JOIN ");
    case 3:
        return QStringLiteral(" RIGHT JOIN ");
    default:
        return QStringLiteral(" INNER JOIN ");
    }
}

// Join rows between the same two tables are one join with several conditions.
QList<JoinGroup> joinGroups(const QList<QueryRow>& rows) {
    QList<JoinGroup> groups;
    for (const QueryRow* r : rowsOf(rows, queryattr::Join)) {
        QString left = FoldKey(r->name1);
        QString right = FoldKey(r->name2);
        auto it = std::find_if(groups.begin(), groups.end(), [&](const JoinGroup& g) {
            return g.left == left && g.right == right;
        });
        if (it == groups.end()) {
            groups.append({left, right, r->flag.value_or(1), {}});
            it = groups.end() - 1;
        }
        it->conditions.append(r->expression);
    }
    return groups;
}

QString subquery(const QString& stored) {
    QString text = stored.trimmed();
    while (text.endsWith(QLatin1Char(';')))
        text = text.chopped(1).trimmed();
    return text;
}

qsizetype sourceHolding(const QList<Source>& sources, const QString& key) {
    for (qsizetype i = 0; i < sources.size(); ++i)
        if (sources[i].keys.contains(key))
            return i;
    return -1;
}

QString fromLine(const QList<QueryRow>& rows) {
    QList<Source> sources;
    for (const QueryRow* r : rowsOf(rows, queryattr::Table)) {
        // A subquery keeps its parentheses: without them FROM would read as another statement.
        QString sql = r->expression.isEmpty()
                          ? QuoteSqlName(r->name1)
                          : QLatin1Char('(') + subquery(r->expression) + QLatin1Char(')');
        if (!r->name2.isEmpty())
            sql += QStringLiteral(" AS ") + QuoteSqlName(r->name2);
        sources.append({sql, {FoldKey(r->name2.isEmpty() ? r->name1 : r->name2)}, false});
    }
    for (const JoinGroup& g : joinGroups(rows)) {
        qsizetype li = sourceHolding(sources, g.left);
        qsizetype ri = sourceHolding(sources, g.right);
        if (li < 0 || ri < 0 || li == ri)
            continue; // a join naming an unknown table, or two tables joined already
        // Access stores the conditions of one join last first.
        QStringList conditions(g.conditions.crbegin(), g.conditions.crend());
        QString on =
            conditions.size() == 1
                ? conditions.first()
                : QLatin1Char('(') + conditions.join(QStringLiteral(") AND (")) + QLatin1Char(')');
        Source joined{sources[li].nested() + joinWord(g.kind) + sources[ri].nested() +
                          QStringLiteral(" ON ") + on,
                      sources[li].keys + sources[ri].keys, true};
        sources.removeAt(std::max(li, ri));
        sources.removeAt(std::min(li, ri));
        sources.append(joined);
    }
    QStringList items;
    for (const Source& s : sources)
        if (!s.joined)
            items.append(s.sql);
    for (const Source& s : sources)
        if (s.joined)
            items.append(s.sql);
    QString line = QStringLiteral("FROM ") + items.join(QStringLiteral(", "));
    QList<const QueryRow*> remote = rowsOf(rows, queryattr::RemoteDatabase);
    // Access keeps the row when the query no longer reads another database, and shows no IN.
    if (!remote.isEmpty() &&
        !(remote.first()->name1.isEmpty() && remote.first()->expression.isEmpty())) {
        line += QStringLiteral(" IN '") + remote.first()->name1 + QLatin1Char('\'');
        if (!remote.first()->expression.isEmpty())
            line += QStringLiteral(" [") + WithoutPassword(remote.first()->expression) +
                    QLatin1Char(']');
    }
    return line;
}

QString listLine(const QList<QueryRow>& rows, int attribute, const QString& keyword,
                 bool withDirection) {
    QStringList items;
    for (const QueryRow* r : rowsOf(rows, attribute)) {
        QString item = r->expression;
        if (withDirection && r->name1.compare(QLatin1String("D"), Qt::CaseInsensitive) == 0)
            item += QStringLiteral(" DESC");
        items.append(item);
    }
    return items.isEmpty() ? QString() : keyword + items.join(QStringLiteral(", "));
}

QString conditionLine(const QList<QueryRow>& rows, int attribute, const QString& keyword) {
    QList<const QueryRow*> found = rowsOf(rows, attribute);
    if (found.isEmpty() || found.first()->expression.isEmpty())
        return QString();
    return keyword + found.first()->expression;
}

} // namespace

namespace {

constexpr int kCrosstabPivot = 0x1;
constexpr int kCrosstabNormal = 0x2;
constexpr int kAppendValue = 0x8000;
constexpr int kUnionDistinct = 0x2;

QList<const QueryRow*> withFlag(const QList<const QueryRow*>& rows, int bits, bool set) {
    QList<const QueryRow*> out;
    for (const QueryRow* r : rows)
        if (bool(r->flag.value_or(0) & bits) == set)
            out.append(r);
    return out;
}

// A target of INSERT INTO or SELECT ... INTO, with the other database it lies in, if any.
QString target(const QueryRow& type) {
    QString out = QuoteSqlName(type.name1);
    if (!type.name2.isEmpty() || !type.expression.isEmpty()) {
        out += QStringLiteral(" IN '") + type.name2 + QLatin1Char('\'');
        if (!type.expression.isEmpty())
            out += QStringLiteral(" [") + WithoutPassword(type.expression) + QLatin1Char(']');
    }
    return out;
}

// The clauses after FROM, as a select query has them; group rows filtered for crosstabs.
QStringList tailLines(const QList<QueryRow>& rows, const QList<QueryRow>& groupRows) {
    QStringList lines;
    for (const QString& line :
         {conditionLine(rows, queryattr::Where, QStringLiteral("WHERE ")),
          listLine(groupRows, queryattr::GroupBy, QStringLiteral("GROUP BY "), false),
          conditionLine(rows, queryattr::Having, QStringLiteral("HAVING ")),
          listLine(rows, queryattr::OrderBy, QStringLiteral("ORDER BY "), true)})
        if (!line.isEmpty())
            lines.append(line);
    return lines;
}

QStringList fromAndTail(const QList<QueryRow>& rows, const QList<QueryRow>& groupRows) {
    QStringList lines;
    if (!rowsOf(rows, queryattr::Table).isEmpty())
        lines.append(fromLine(rows));
    return lines + tailLines(rows, groupRows);
}

QString typeName(const QueryRow& parameter) {
    switch (parameter.flag.value_or(0)) {
    case 0:
        return QStringLiteral("Value");
    case 1:
        return QStringLiteral("Bit");
    case 2:
        return QStringLiteral("Byte");
    case 3:
        return QStringLiteral("Short");
    case 4:
        return QStringLiteral("Long");
    case 5:
        return QStringLiteral("Currency");
    case 6:
        return QStringLiteral("IEEESingle");
    case 7:
        return QStringLiteral("IEEEDouble");
    case 8:
        return QStringLiteral("DateTime");
    case 9:
        return QStringLiteral("Binary");
    case 10:
        return parameter.extra.value_or(0) > 0 ? QStringLiteral("Text ( %1 )").arg(*parameter.extra)
                                               : QStringLiteral("Text");
    case 11:
        return QStringLiteral("LongBinary");
    case 12:
        return QStringLiteral("Memo");
    case 15:
        return QStringLiteral("Guid");
    case 16:
        return QStringLiteral("Decimal");
    default:
        return QStringLiteral("(type %1)").arg(*parameter.flag);
    }
}

QString unionPart(const QList<QueryRow>& rows, const QString& id) {
    for (const QueryRow* r : rowsOf(rows, queryattr::Table))
        if (r->name2 == id) {
            // Access keeps the parts with bare line breaks; SQL view shows them as CR LF.
            QString part = r->expression.trimmed();
            static const QRegularExpression kBreaks(QStringLiteral("[\r\n]+"));
            return part.replace(kBreaks, kCrLf);
        }
    return QString();
}

QStringList statementLines(const QList<QueryRow>& rows, QueryKind kind) {
    const int flags = optionFlags(rows);
    QList<const QueryRow*> columns = rowsOf(rows, queryattr::Column);
    QList<const QueryRow*> type = rowsOf(rows, queryattr::Type);
    const QueryRow noType;
    const QueryRow& typeRow = type.isEmpty() ? noType : *type.first();
    QStringList lines;
    switch (kind) {
    case QueryKind::Crosstab: {
        QList<const QueryRow*> transform =
            withFlag(columns, kCrosstabPivot | kCrosstabNormal, false);
        QList<const QueryRow*> pivot = withFlag(columns, kCrosstabPivot, true);
        QList<QueryRow> groups;
        for (const QueryRow* r : withFlag(rowsOf(rows, queryattr::GroupBy), kCrosstabNormal, true))
            groups.append(*r);
        if (!transform.isEmpty())
            lines.append(QStringLiteral("TRANSFORM ") + outputList({transform.first()}, 0));
        lines.append(QStringLiteral("SELECT ") + predicates(rows) +
                     outputList(withFlag(columns, kCrosstabNormal, true), flags));
        lines += fromAndTail(rows, groups);
        if (!pivot.isEmpty())
            lines.append(QStringLiteral("PIVOT ") + pivot.first()->expression);
        return lines;
    }
    case QueryKind::Union: {
        lines.append(unionPart(rows, QStringLiteral("X7YZ_____1")));
        lines.append(
            (flags & kUnionDistinct ? QStringLiteral("UNION ") : QStringLiteral("UNION ALL ")) +
            unionPart(rows, QStringLiteral("X7YZ_____2")));
        QString order = listLine(rows, queryattr::OrderBy, QStringLiteral("ORDER BY "), true);
        if (!order.isEmpty())
            lines.append(order);
        return lines;
    }
    case QueryKind::Append: {
        QStringList targets;
        for (const QueryRow* r : columns)
            if (!r->name2.isEmpty())
                targets.append(QuoteSqlPath(r->name2));
        QString into = QStringLiteral("INSERT INTO ") + target(typeRow);
        if (!targets.isEmpty())
            into +=
                QStringLiteral(" ( ") + targets.join(QStringLiteral(", ")) + QStringLiteral(" )");
        lines.append(into);
        QList<const QueryRow*> values = withFlag(columns, kAppendValue, true);
        if (!values.isEmpty()) {
            QStringList items;
            for (const QueryRow* r : values)
                items.append(r->expression);
            lines.append(QStringLiteral("VALUES (") + items.join(QStringLiteral(", ")) +
                         QLatin1Char(')'));
            return lines;
        }
        QList<const QueryRow*> sources = withFlag(columns, kAppendValue, false);
        // The target columns are listed apart; an alias of a selected value is its own.
        QStringList outputs;
        for (const QueryRow* r : sources)
            outputs.append(output(*r));
        if (flags & option::AllFields || outputs.isEmpty())
            outputs.append(QStringLiteral("*"));
        lines.append(QStringLiteral("SELECT ") + predicates(rows) +
                     outputs.join(QStringLiteral(", ")));
        return lines + fromAndTail(rows, rows);
    }
    case QueryKind::Update: {
        QStringList sets;
        for (const QueryRow* r : columns)
            sets.append(QuoteSqlPath(r->name2) + QStringLiteral(" = ") + r->expression);
        QString from = fromLine(rows);
        lines.append(QStringLiteral("UPDATE ") + predicates(rows) +
                     from.mid(QStringLiteral("FROM ").size()) + QStringLiteral(" SET ") +
                     sets.join(QStringLiteral(", ")));
        return lines + tailLines(rows, rows);
    }
    case QueryKind::Delete:
        lines.append(QStringLiteral("DELETE ") + predicates(rows) + outputList(columns, flags));
        return lines + fromAndTail(rows, rows);
    case QueryKind::MakeTable:
        lines.append(QStringLiteral("SELECT ") + predicates(rows) + outputList(columns, flags) +
                     QStringLiteral(" INTO ") + target(typeRow));
        return lines + fromAndTail(rows, rows);
    default:
        lines.append(selectLine(rows));
        return lines + fromAndTail(rows, rows);
    }
}

} // namespace

std::optional<QueryKind> SavedQueryKind(const QList<QueryRow>& rows, qint64 objectFlags) {
    switch (objectFlags & 0xF0) {
    case 16:
        return QueryKind::Crosstab;
    case 32:
        return QueryKind::Delete;
    case 48:
        return QueryKind::Update;
    case 64:
        return QueryKind::Append;
    case 80:
        return QueryKind::MakeTable;
    case 96:
        return QueryKind::DataDefinition;
    case 112:
    case 144: // a pass-through query that returns no records
        return QueryKind::PassThrough;
    case 128:
        return QueryKind::Union;
    default:
        break;
    }
    QList<const QueryRow*> type = rowsOf(rows, queryattr::Type);
    const int typeFlag = type.isEmpty() ? 1 : type.first()->flag.value_or(0);
    constexpr std::array kByTypeRow{
        QueryKind::Select,         QueryKind::MakeTable,   QueryKind::Append,
        QueryKind::Update,         QueryKind::Delete,      QueryKind::Crosstab,
        QueryKind::DataDefinition, QueryKind::PassThrough, QueryKind::Union};
    if (typeFlag < 1 || typeFlag > static_cast<int>(kByTypeRow.size()))
        return std::nullopt;
    return kByTypeRow[static_cast<size_t>(typeFlag - 1)];
}

QList<QueryParameter> QueryParameters(const QList<QueryRow>& rows) {
    QList<QueryParameter> out;
    for (const QueryRow* r : rowsOf(rows, queryattr::Parameter))
        out.append({QuoteSqlName(r->name1), typeName(*r)});
    return out;
}

QString PassThroughConnect(const QList<QueryRow>& rows) {
    QList<const QueryRow*> type = rowsOf(rows, queryattr::Type);
    return type.isEmpty() ? QString() : WithoutPassword(type.first()->name1);
}

QString SavedQuerySql(const QList<QueryRow>& rows, QueryKind kind) {
    if (kind == QueryKind::DataDefinition || kind == QueryKind::PassThrough) {
        QList<const QueryRow*> type = rowsOf(rows, queryattr::Type);
        return type.isEmpty() ? QString() : type.first()->expression;
    }
    QStringList lines;
    QStringList parameters;
    for (const QueryParameter& p : QueryParameters(rows))
        parameters.append(p.name + QLatin1Char(' ') + p.type);
    if (!parameters.isEmpty())
        lines.append(QStringLiteral("PARAMETERS ") + parameters.join(QStringLiteral(", ")) +
                     QLatin1Char(';'));
    lines += statementLines(rows, kind);
    if (optionFlags(rows) & option::OwnerAccess)
        lines.append(QStringLiteral("WITH OWNERACCESS OPTION"));
    return lines.join(kCrLf) + QLatin1Char(';') + kCrLf;
}

bool IsPlainSelectQuery(const QList<QueryRow>& rows, qint64 objectFlags) {
    if (!rowsOf(rows, queryattr::Parameter).isEmpty())
        return false;
    QList<const QueryRow*> type = rowsOf(rows, queryattr::Type);
    if (!type.isEmpty())
        return type.first()->flag.value_or(0) == kSelectType;
    // Access leaves the type row out of some select queries; their object flags still say it.
    constexpr qint64 kKindBits = 0xff0;
    return (objectFlags & kKindBits) == 0;
}

QString SelectQuerySql(const QList<QueryRow>& rows) {
    QStringList lines;
    lines.append(selectLine(rows));
    if (!rowsOf(rows, queryattr::Table).isEmpty())
        lines.append(fromLine(rows));
    for (const QString& line :
         {conditionLine(rows, queryattr::Where, QStringLiteral("WHERE ")),
          listLine(rows, queryattr::GroupBy, QStringLiteral("GROUP BY "), false),
          conditionLine(rows, queryattr::Having, QStringLiteral("HAVING ")),
          listLine(rows, queryattr::OrderBy, QStringLiteral("ORDER BY "), true)})
        if (!line.isEmpty())
            lines.append(line);
    QList<const QueryRow*> options = rowsOf(rows, queryattr::Options);
    if (!options.isEmpty() && (options.first()->flag.value_or(0) & option::OwnerAccess))
        lines.append(QStringLiteral("WITH OWNERACCESS OPTION"));
    return lines.join(kCrLf) + QLatin1Char(';') + kCrLf;
}

QString QuoteSqlName(const QString& name) {
    if (name.startsWith(QLatin1Char('[')) && name.endsWith(QLatin1Char(']')))
        return name;
    bool plain = !name.isEmpty() && !name.front().isDigit();
    for (QChar ch : name)
        plain = plain && (ch.isLetterOrNumber() || ch == QLatin1Char('_'));
    return plain && !IsJetSqlKeyword(name) ? name : QLatin1Char('[') + name + QLatin1Char(']');
}

QString QuoteSqlPath(const QString& name) {
    QStringList parts;
    QString part;
    bool inBrackets = false;
    for (QChar ch : name) {
        if (ch == QLatin1Char('.') && !inBrackets) {
            parts.append(QuoteSqlName(part));
            part.clear();
            continue;
        }
        if (ch == QLatin1Char('['))
            inBrackets = true;
        else if (ch == QLatin1Char(']'))
            inBrackets = false;
        part += ch;
    }
    parts.append(QuoteSqlName(part));
    return parts.join(QLatin1Char('.'));
}

bool IsJetSqlKeyword(const QString& word) {
    // The words that end or start a clause of Jet SQL, and its operators and literals.
    static const QSet<QString> kKeywords = [] {
        QSet<QString> out;
        for (const char* w :
             {"ADD",      "ALL",       "ALTER",       "AND",        "ANY",        "AS",
              "ASC",      "BETWEEN",   "BY",          "COLUMN",     "CONSTRAINT", "CREATE",
              "DATABASE", "DELETE",    "DESC",        "DISALLOW",   "DISTINCT",   "DISTINCTROW",
              "DROP",     "EQV",       "EXISTS",      "FALSE",      "FOREIGN",    "FROM",
              "GROUP",    "HAVING",    "IMP",         "IN",         "INDEX",      "INNER",
              "INSERT",   "INTO",      "IS",          "JOIN",       "KEY",        "LEFT",
              "LIKE",     "MOD",       "NOT",         "NULL",       "ON",         "OR",
              "ORDER",    "OUTER",     "OWNERACCESS", "PARAMETERS", "PERCENT",    "PIVOT",
              "PRIMARY",  "PROCEDURE", "REFERENCES",  "RIGHT",      "SELECT",     "SET",
              "TABLE",    "TOP",       "TRANSFORM",   "TRUE",       "UNION",      "UNIQUE",
              "UPDATE",   "VALUES",    "VIEW",        "WHERE",      "WITH",       "XOR"})
            out.insert(QString::fromLatin1(w));
        return out;
    }();
    return kKeywords.contains(word.toUpper());
}

} // namespace vantor
