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
    // Made in one string, piece by piece: the comparison makes this text for every table of both
    // sides.
    QString text;
    text.reserve(32 + table.name.size() + static_cast<qsizetype>(columns.size()) * 48);
    text += QLatin1String("CREATE TABLE [");
    text += table.name;
    text += QLatin1String("]\r\n(");
    const qsizetype listStart = text.size();
    for (const Column* column : columns) {
        text += QLatin1String("   [");
        text += column->name;
        text += QLatin1String("] ");
        AppendSqlDataType(text, column->dataType, column->maxLength.value_or(0),
                          ColumnSuffix(*column));
    }
    ChopListSeparator(text);
    // At most one character besides blanks between the parentheses: no table to create.
    if (BlankTrimmedLength(QStringView(text).sliced(listStart)) <= 1)
        return QString();
    text += CrLf;
    text += u')';
    text += CrLf;
    text += QLatin1String("GO");
    text += CrLf;
    return text;
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

qsizetype BlankTrimmedLength(QStringView text) {
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text[first] == QLatin1Char(' '))
        ++first;
    while (last > first && text[last - 1] == QLatin1Char(' '))
        --last;
    return last - first;
}

} // namespace vantor
