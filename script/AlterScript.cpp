#include "script/AlterScript.h"

#include "engine/Globals.h"
#include "engine/clsEngine.h"
#include "script/SqlDataType.h"
#include "script/SqlText.h"

#include <QStringList>

namespace vantor {

namespace {

const QString kGo = QStringLiteral("GO");

bool isTable(const clsObject* object) {
    return object && object->xType() == QLatin1String("TABLE") && object->Fields();
}

bool sameDefinition(const clsField& a, const clsField& b) {
    return a.FieldType() == b.FieldType() && a.FieldSize() == b.FieldSize() &&
           a.IsNullable() == b.IsNullable();
}

// The type of a changed column with the nullability of the source column; empty for a type
// without SQL spelling.
QString alteredType(const clsField& column) {
    QString clause = column.IsNullable() ? QStringLiteral("NULL") : QStringLiteral("NOT NULL");
    // Only the text type ends its own spelling in a blank; the others would run into the clause.
    if (column.FieldType() != adWChar)
        clause.prepend(QLatin1Char(' '));
    QString type = SqlDataType(column.FieldType(), column.FieldSize(), clause);
    ChopListSeparator(type);
    return type;
}

const clsObject* lookUp(const std::shared_ptr<clsObjects>& side, const QString& tableName) {
    return side ? side->Item(QLatin1Char(':') + tableName).get() : nullptr;
}

} // namespace

QString AlterTableScript(const clsObject* source, const clsObject* target,
                         const QString& tableName) {
    // The same object on both sides is a table that only the secondary database has, which
    // Refresh appended to the primary list.
    if (!isTable(source) || !isTable(target) || source == target)
        return QString();
    const clsFields& sourceColumns = *source->Fields();
    const clsFields& targetColumns = *target->Fields();
    const QString header = QStringLiteral("ALTER TABLE ") + SqlBracket(tableName) + CrLf;

    QString added;
    QString altered;
    for (const auto& column : sourceColumns) {
        if (!column)
            continue;
        auto existing = targetColumns.Item(column->FieldName());
        if (!existing) {
            QString type =
                SqlDataType(column->FieldType(), column->FieldSize(), ColumnSuffix(*column));
            if (!type.isEmpty())
                added += QStringLiteral("   ") + SqlBracket(column->FieldName()) +
                         QLatin1Char(' ') + type;
            continue;
        }
        if (sameDefinition(*column, *existing))
            continue;
        QString type = alteredType(*column);
        if (type.isEmpty())
            continue;
        altered += header + QStringLiteral(" ALTER COLUMN ") + CrLf + QStringLiteral("  ") +
                   SqlBracket(column->FieldName()) + QLatin1Char(' ') + type + CrLf + kGo + CrLf;
    }

    QStringList surplus;
    for (const auto& column : targetColumns)
        if (column && !sourceColumns.Item(column->FieldName()))
            surplus << QStringLiteral("   ") + SqlBracket(column->FieldName());

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

QString AlterScriptPrimary(const QString& tableName) {
    if (!Engine)
        return QString();
    return AlterTableScript(lookUp(Engine->TablesSec, tableName),
                            lookUp(Engine->TablesPri, tableName), tableName);
}

QString AlterScriptSecondary(const QString& tableName) {
    if (!Engine)
        return QString();
    return AlterTableScript(lookUp(Engine->TablesPri, tableName),
                            lookUp(Engine->TablesSec, tableName), tableName);
}

} // namespace vantor
