#include "script/AlterScript.h"

#include "engine/DefinitionText.h"
#include "engine/SchemaDdl.h"
#include "engine/SchemaOrder.h"
#include "engine/SqlDataType.h"
#include "engine/SqlText.h"
#include "script/SyncScript.h"

#include <QHash>
#include <QStringList>
#include <algorithm>
#include <array>

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

QString typeWords(const Column& column) {
    QString type = SqlDataType(column.dataType, column.maxLength.value_or(0), QString());
    ChopListSeparator(type);
    return type.trimmed();
}

// Jet's text types, where a length of 0 means the longest, 255.
bool isText(qint32 type) {
    return type == adWChar || type == 202 || type == 129 || type == 200;
}

qint32 textLength(const Column& column) {
    const qint32 length = column.maxLength.value_or(0);
    return length > 0 ? length : 255;
}

// The type changes that keep every value: whole numbers into wider ones or into floating
// point that represents them exactly, single into double, dates into doubles, text into memo.
bool widens(qint32 from, qint32 to) {
    static const std::array<std::pair<qint32, std::array<qint32, 7>>, 6> kWider{{
        {17, {2, 3, 20, 4, 5, 14, 131}},
        {2, {3, 20, 4, 5, 14, 131, 0}},
        {3, {20, 5, 14, 131, 0, 0, 0}},
        {4, {5, 0, 0, 0, 0, 0, 0}},
        {7, {5, 0, 0, 0, 0, 0, 0}},
        {11, {2, 3, 20, 0, 0, 0, 0}},
    }};
    if (isText(from) && (to == 203 || to == 201))
        return true;
    for (const auto& [type, wider] : kWider)
        if (type == from)
            return std::find(wider.begin(), wider.end(), to) != wider.end();
    return false;
}

} // namespace

bool HoldsEveryValue(const Column& from, const Column& to) {
    if (from.dataType == to.dataType)
        return !isText(from.dataType) || textLength(to) >= textLength(from);
    return widens(from.dataType, to.dataType);
}

QString AlterTableScript(const Table* source, const Table* target, const QString& tableName,
                         QStringList* losses) {
    if (!isTable(source) || !isTable(target) || source == target)
        return QString();
    const QHash<QString, const Column*> sourceColumns = columnsByFoldedName(*source);
    const QHash<QString, const Column*> targetColumns = columnsByFoldedName(*target);
    const QString header = QStringLiteral("ALTER TABLE ") + SqlBracket(tableName) + CrLf;
    QStringList alteredLosses; // listed after the drop, as the batches run
    auto lose = [](QStringList& list, const QString& what) {
        list << what;
        return QStringLiteral("-- Data loss: ") + what + CrLf;
    };

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
        if (!HoldsEveryValue(*existing, *column))
            altered += lose(alteredLosses,
                            QStringLiteral("ALTER COLUMN %1.%2 from %3 to %4 may cut or refuse "
                                           "values")
                                .arg(SqlBracket(tableName), SqlBracket(column->name),
                                     typeWords(*existing), typeWords(*column)));
        altered += header + QStringLiteral(" ALTER COLUMN ") + CrLf + QStringLiteral("  ") +
                   SqlBracket(column->name) + QLatin1Char(' ') + type + CrLf + kGo + CrLf;
    }

    QStringList surplus;
    QStringList surplusNames;
    for (const Column* column : ColumnsByName(*target)) {
        if (!sourceColumns.contains(FoldKey(column->name))) {
            surplus << QStringLiteral("   ") + SqlBracket(column->name);
            surplusNames << SqlBracket(tableName) + u'.' + SqlBracket(column->name);
        }
    }

    QString addStatement;
    if (BlankTrimmedLength(added) > 3) {
        ChopListSeparator(added);
        addStatement = header + QStringLiteral(" ADD ") + CrLf + added;
    }
    QStringList dropLosses;
    QString dropBatch;
    if (!surplus.isEmpty())
        dropBatch = lose(dropLosses, QStringLiteral("DROP COLUMN %1 and the data in %2")
                                         .arg(surplusNames.join(QStringLiteral(", ")),
                                              surplus.size() == 1 ? QStringLiteral("it")
                                                                  : QStringLiteral("them"))) +
                    header + QStringLiteral(" DROP COLUMN ") + CrLf +
                    surplus.join(QStringLiteral(", ") + CrLf) + CrLf + kGo + CrLf;

    if (losses)
        *losses << dropLosses << alteredLosses;
    return addStatement + CrLf + (addStatement.isEmpty() ? QString() : kGo) + CrLf + dropBatch +
           altered + CrLf + (altered.isEmpty() ? QString() : kGo) + CrLf;
}

QString AlterScriptFor(const Diff& diff, const QString& name, Side target) {
    const DiffEntry* entry = diff.find(name);
    if (!entry || !entry->inPrimary() || !entry->inSecondary())
        return QString();
    if (entry->isTable() || entry->isView() || entry->kindOn(Side::Primary) != entry->kind ||
        entry->kindOn(Side::Secondary) != entry->kind)
        return AlterTableScript(entry->table(OtherSide(target)), entry->table(target), name);
    if (entry->state == ObjectState::Equal)
        return QString();
    const SyncScript script = BuildSyncScript(diff, target, name);
    QString text;
    bool missingNeeds = false;
    for (const SyncNote& note : script.notes) {
        text += QStringLiteral("-- ") + note.reason + CrLf;
        missingNeeds = missingNeeds || note.cause == SyncNote::Cause::Dependency;
    }
    // Dropping the old definition when the new one cannot follow would leave the database
    // worse than before; the whole-database script adds what the object needs first.
    if (missingNeeds)
        return text +
               QStringLiteral("-- Nothing is dropped or changed: this object alone cannot be put "
                              "in place. The script for the whole database adds what it needs "
                              "first.") +
               CrLf;
    return text + script.Text();
}

QString CreateScriptFor(const Diff& diff, const QString& name, Side side) {
    const DiffEntry* entry = diff.find(name);
    if (!entry || !entry->kindOn(side))
        return QString();
    const QString& text = entry->text(side);
    switch (*entry->kindOn(side)) {
    case ObjectKind::Properties:
        return QStringLiteral("-- Field and table properties are set in the table's design in "
                              "Access:") +
               CrLf + Commented(text);
    case ObjectKind::LinkSource:
        return QStringLiteral(
                   "-- A link is made in Access (External Data, Linked Table Manager):") +
               CrLf + Commented(text);
    default:
        return text;
    }
}

QString DropScriptFor(const Diff& diff, const QString& name, Side side) {
    const DiffEntry* entry = diff.find(name);
    if (!entry || !entry->kindOn(side))
        return QString();
    const ObjectKind kind = *entry->kindOn(side);
    QString statement;
    QString warning;
    switch (kind) {
    case ObjectKind::Table:
        warning = QStringLiteral("-- Data loss: DROP TABLE %1 and every row in it")
                      .arg(SqlBracket(entry->table(side)->name)) +
                  CrLf;
        statement = SqlDrop(kind, entry->table(side)->name);
        break;
    case ObjectKind::View:
        statement = SqlDrop(kind, entry->view(side)->name);
        break;
    case ObjectKind::Query:
        statement = DropProcedureText(entry->query(side)->name);
        break;
    case ObjectKind::Index:
        statement = DropIndexText(entry->owner(side)->name, entry->index(side)->name);
        break;
    case ObjectKind::Relationship:
        statement = DropRelationshipText(*entry->relationship(side));
        break;
    default:
        return QString();
    }
    return warning + statement + CrLf + kGo + CrLf;
}

} // namespace vantor
