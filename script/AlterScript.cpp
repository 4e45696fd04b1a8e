#include "script/AlterScript.h"

#include "engine/SchemaOrder.h"
#include "engine/SqlDataType.h"
#include "engine/SqlText.h"

#include <QHash>
#include <QStringList>

namespace vantor {

namespace {

const QString kGo = QStringLiteral("GO");

bool isTable(const Table* table) {
    return table && table->kind == ObjectKind::Table;
}

bool sameDefinition(const Column& a, const Column& b) {
    return a.dataType == b.dataType && a.maxLength.value_or(0) == b.maxLength.value_or(0) &&
           a.nullable == b.nullable;
}

// A table's columns by folded name.
QHash<QString, const Column*> columnsByFoldedName(const Table& table) {
    QHash<QString, const Column*> columns;
    for (const Column& c : table.columns)
        columns.insert(FoldKey(c.name), &c);
    return columns;
}

// The type of a changed column with the nullability of the source column; empty for a type
// without SQL spelling.
QString alteredType(const Column& column) {
    QString clause = column.nullable ? QStringLiteral("NULL") : QStringLiteral("NOT NULL");
    // Only the text type ends its own spelling in a blank; the others would run into the clause.
    if (column.dataType != adWChar)
        clause.prepend(QLatin1Char(' '));
    QString type = SqlDataType(column.dataType, column.maxLength.value_or(0), clause);
    ChopListSeparator(type);
    return type;
}

} // namespace

QString AlterTableScript(const Table* source, const Table* target, const QString& tableName) {
    if (!isTable(source) || !isTable(target) || source == target)
        return QString();
    const QHash<QString, const Column*> sourceColumns = columnsByFoldedName(*source);
    const QHash<QString, const Column*> targetColumns = columnsByFoldedName(*target);
    const QString header = QStringLiteral("ALTER TABLE ") + SqlBracket(tableName) + CrLf;

    QString added;
    QString altered;
    for (const Column* column : ColumnsByName(*source)) {
        const Column* existing = targetColumns.value(FoldKey(column->name));
        if (!existing) {
            QString type =
                SqlDataType(column->dataType, column->maxLength.value_or(0), ColumnSuffix(*column));
            if (!type.isEmpty())
                added += QStringLiteral("   ") + SqlBracket(column->name) + QLatin1Char(' ') + type;
            continue;
        }
        if (sameDefinition(*column, *existing))
            continue;
        QString type = alteredType(*column);
        if (type.isEmpty())
            continue;
        altered += header + QStringLiteral(" ALTER COLUMN ") + CrLf + QStringLiteral("  ") +
                   SqlBracket(column->name) + QLatin1Char(' ') + type + CrLf + kGo + CrLf;
    }

    QStringList surplus;
    for (const Column* column : ColumnsByName(*target))
        if (!sourceColumns.contains(FoldKey(column->name)))
            surplus << QStringLiteral("   ") + SqlBracket(column->name);

    QString addStatement;
    if (BlankTrimmedLength(added) > 3) {
        ChopListSeparator(added);
        addStatement = header + QStringLiteral(" ADD ") + CrLf + added;
    }
    QString dropBatch;
    if (!surplus.isEmpty())
        dropBatch = header + QStringLiteral(" DROP COLUMN ") + CrLf +
                    surplus.join(QStringLiteral(", ") + CrLf) + CrLf + kGo + CrLf;

    return addStatement + CrLf + (addStatement.isEmpty() ? QString() : kGo) + CrLf + dropBatch +
           altered + CrLf + (altered.isEmpty() ? QString() : kGo) + CrLf;
}

QString AlterScriptFor(const Diff& diff, const QString& tableName, Side target) {
    const DiffEntry* entry = diff.find(tableName);
    if (!entry)
        return QString();
    return AlterTableScript(entry->table(OtherSide(target)), entry->table(target), tableName);
}

} // namespace vantor
