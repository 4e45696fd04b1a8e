#include "engine/access/QuerySql.h"

#include "model/Kinds.h"

#include <QStringList>

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

QString selectLine(const QList<QueryRow>& rows) {
    QList<const QueryRow*> options = rowsOf(rows, queryattr::Options);
    int flags = options.isEmpty() ? 0 : options.first()->flag.value_or(0);
    QString line = QStringLiteral("SELECT ");
    if (flags & option::DistinctRow)
        line += QStringLiteral("DISTINCTROW ");
    else if (flags & option::Distinct)
        line += QStringLiteral("DISTINCT ");
    if ((flags & option::Top) && !options.isEmpty()) {
        line += QStringLiteral("TOP ") + options.first()->name1 + QLatin1Char(' ');
        if (flags & option::Percent)
            line += QStringLiteral("PERCENT ");
    }
    QStringList outputs;
    for (const QueryRow* r : rowsOf(rows, queryattr::Column)) {
        QString out = r->expression;
        if (!r->name1.isEmpty())
            out += QStringLiteral(" AS ") + QuoteSqlName(r->name1);
        outputs.append(out);
    }
    if (flags & option::AllFields || outputs.isEmpty())
        outputs.append(QStringLiteral("*"));
    return line + outputs.join(QStringLiteral(", "));
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

qsizetype sourceHolding(const QList<Source>& sources, const QString& key) {
    for (qsizetype i = 0; i < sources.size(); ++i)
        if (sources[i].keys.contains(key))
            return i;
    return -1;
}

QString fromLine(const QList<QueryRow>& rows) {
    QList<Source> sources;
    for (const QueryRow* r : rowsOf(rows, queryattr::Table)) {
        QString sql = r->name1.isEmpty() ? r->expression : QuoteSqlName(r->name1);
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
    if (!remote.isEmpty()) {
        line += QStringLiteral(" IN '") + remote.first()->name1 + QLatin1Char('\'');
        if (!remote.first()->expression.isEmpty())
            line += QStringLiteral(" [") + remote.first()->expression + QLatin1Char(']');
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
    return plain ? name : QLatin1Char('[') + name + QLatin1Char(']');
}

} // namespace vantor
