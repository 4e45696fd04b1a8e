#include "engine/SqlText.h"

#include "engine/SchemaOrder.h"
#include "engine/SqlDataType.h"

namespace vantor {

QString SqlBracket(const QString& text) {
    return QLatin1Char('[') + text + QLatin1Char(']');
}

QString SqlParen(const QString& text) {
    return QLatin1Char('(') + text + QLatin1Char(')');
}

QString SqlDrop(ObjectKind kind, const QString& name) {
    if (kind == ObjectKind::Table)
        return QStringLiteral("DROP TABLE ") + SqlBracket(name);
    if (kind == ObjectKind::View)
        return QStringLiteral("DROP VIEW ") + SqlBracket(name);
    return QString();
}

QString ColumnSuffix(const Column& column) {
    return column.nullable ? QString() : QStringLiteral(" not null");
}

namespace {

QString createTableOf(const Table& table, const std::vector<const Column*>& columns) {
    QString list;
    list.reserve(table.columns.size() * 40);
    // Appended piece by piece: the comparison makes this text for every table of both sides.
    for (const Column* column : columns) {
        list += QLatin1String("   [");
        list += column->name;
        list += QLatin1String("] ");
        list += SqlDataType(column->dataType, column->maxLength.value_or(0), ColumnSuffix(*column));
    }
    ChopListSeparator(list);
    if (BlankTrimmedLength(list) <= 1)
        return QString();
    return QStringLiteral("CREATE TABLE ") + SqlBracket(table.name) + CrLf + SqlParen(list + CrLf) +
           CrLf + QStringLiteral("GO") + CrLf;
}

} // namespace

QString CreateTableText(const Table& table) {
    return createTableOf(table, ColumnsByName(table));
}

QString CreateTableTextInDesignOrder(const Table& table) {
    std::vector<const Column*> columns;
    columns.reserve(static_cast<size_t>(table.columns.size()));
    for (const Column& column : table.columns)
        columns.push_back(&column);
    return createTableOf(table, columns);
}

QString CreateViewText(const View& view) {
    return QStringLiteral("CREATE VIEW [") + view.name + QStringLiteral("] AS ") + CrLf +
           view.definition + CrLf + QStringLiteral("GO");
}

void ChopListSeparator(QString& list) {
    if (list.endsWith(QLatin1String(", \r\n")))
        list.chop(4);
    else if (list.endsWith(QLatin1String(",\r\n")))
        list.chop(3);
}

qsizetype BlankTrimmedLength(const QString& text) {
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text[first] == QLatin1Char(' '))
        ++first;
    while (last > first && text[last - 1] == QLatin1Char(' '))
        --last;
    return last - first;
}

} // namespace vantor
