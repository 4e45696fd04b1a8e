#include "engine/access/writer/Relationships.h"

#include "engine/access/writer/CatalogRows.h"
#include "engine/access/writer/DataPage.h"
#include "engine/access/writer/DropTable.h"
#include "engine/access/writer/IndexStatements.h"
#include "engine/access/writer/PageAllocator.h"
#include "engine/access/writer/PageFile.h"
#include "engine/access/writer/TableScan.h"
#include "model/Error.h"

#include <QSet>
#include <algorithm>

namespace vantor::jet {

namespace {

constexpr quint8 kPrimaryKeyKind = 1;
constexpr quint8 kForeignKeyKind = 2;
constexpr quint8 kPrimarySide = 1;
constexpr quint8 kForeignSide = 2;
constexpr qint16 kRelationshipObjectType = 8;
constexpr quint32 kCascadeUpdateBit = 0x100;
constexpr quint32 kCascadeDeleteBit = 0x1000;
constexpr quint32 kCascadeToNullBit = 0x2000;
constexpr quint8 kCascadeDeleteSetsNull = 2;

// The columns named, in the order named, or Jet's error for one the table lacks.
QList<const ColumnDef*> requireColumns(const TableDef& def, const QStringList& names,
                                       const QString& table) {
    QList<const ColumnDef*> out;
    for (const QString& name : names) {
        const auto found = std::find_if(def.columns.begin(), def.columns.end(),
                                        [&](const ColumnDef& c) { return SameName(c.name, name); });
        if (found == def.columns.end())
            RaiseDdlError(
                QStringLiteral("Field '%1' does not exist in table '%2'.").arg(name, table));
        out.append(&*found);
    }
    return out;
}

QStringList columnNames(const TableDef& def, const RealIndexDef& index) {
    QStringList names;
    for (const IndexColumnRef& ref : index.UsedColumns())
        if (const ColumnDef* column = def.ColumnByNumber(ref.number))
            names.append(column->name);
    return names;
}

// The unique index over exactly these columns in this order that the relationship enforces
// itself by, the primary key's when it is one of them; -1 when there is none.
int uniqueIndexOver(const TableDef& def, const QStringList& columns) {
    int found = -1;
    for (int i = 0; i < def.realIndexes.size(); ++i) {
        const QStringList names = columnNames(def, def.realIndexes[i]);
        if (!def.realIndexes[i].Unique() || names.size() != columns.size())
            continue;
        bool same = true;
        for (qsizetype n = 0; n < names.size(); ++n)
            same = same && SameName(names[n], columns[n]);
        if (!same)
            continue;
        const bool primary = std::any_of(
            def.logicalIndexes.begin(), def.logicalIndexes.end(), [&](const LogicalIndexDef& l) {
                return l.kind == kPrimaryKeyKind && l.realIndex == quint32(i);
            });
        if (found < 0 || primary)
            found = i;
    }
    return found;
}

QStringList primaryKeyColumns(const TableDef& def) {
    for (const LogicalIndexDef& l : def.logicalIndexes)
        if (l.kind == kPrimaryKeyKind && l.realIndex < quint32(def.realIndexes.size()))
            return columnNames(def, def.realIndexes[l.realIndex]);
    return {};
}

// Jet refuses a relationship that existing rows already break: every row of the foreign table
// whose key has no null in it must find its row in the referenced table. Keys are compared as the
// unique index encodes them, so text matches as Jet matches it (case and accents as the sort
// order folds them).
void requireRelatedRows(const PageFile& file, const TableDef& foreign,
                        const QList<const ColumnDef*>& foreignColumns, const TableDef& primary,
                        const RealIndexDef& unique, KeyFormat format, const QString& foreignName) {
    QList<qsizetype> from, to;
    for (qsizetype i = 0; i < foreignColumns.size(); ++i) {
        from.append(foreignColumns[i] - foreign.columns.constData());
        const ColumnDef* target = primary.ColumnByNumber(unique.UsedColumns()[i].number);
        to.append(target - primary.columns.constData());
    }
    QSet<QByteArray> keys;
    ForEachRow(file, primary, [&](RowPointer, const QByteArray& row) {
        keys.insert(EncodeIndexKey(file, primary, unique, DecodeRow(primary, row), format));
    });
    ForEachRow(file, foreign, [&](RowPointer, const QByteArray& row) {
        const RowValues values = DecodeRow(foreign, row);
        RowValues asPrimary(primary.columns.size());
        for (qsizetype i = 0; i < from.size(); ++i) {
            if (!values.value(from[i]))
                return;
            asPrimary[to[i]] = values.value(from[i]);
        }
        if (!keys.contains(EncodeIndexKey(file, primary, unique, asPrimary, format)))
            RaiseDdlError(QStringLiteral("Data in the table '%1' violates referential integrity "
                                         "rules.")
                              .arg(foreignName));
    });
}

// Access names the primary side's index of a relationship ".rC", ".rD" and so on.
QString freePrimarySideName(const TableDef& def) {
    for (int n = 0;; ++n) {
        const QString name =
            n < 24 ? QStringLiteral(".r") + QChar(u'C' + n) : QStringLiteral(".rZ%1").arg(n - 23);
        if (std::none_of(def.logicalIndexes.begin(), def.logicalIndexes.end(),
                         [&](const LogicalIndexDef& l) { return SameName(l.name, name); }))
            return name;
    }
}

void sortByName(TableDef& def) {
    // Access keeps a table's indexes in name order; their numbers, not places, identify them.
    std::stable_sort(def.logicalIndexes.begin(), def.logicalIndexes.end(),
                     [](const LogicalIndexDef& a, const LogicalIndexDef& b) {
                         return a.name.compare(b.name, Qt::CaseInsensitive) < 0;
                     });
}

LogicalIndexDef* logicalNumbered(TableDef& def, quint32 number) {
    for (LogicalIndexDef& l : def.logicalIndexes)
        if (l.number == number)
            return &l;
    return nullptr;
}

// Takes a logical index out of the definition, and its storage with its pages when no other
// logical index uses it; the caller writes the definition back.
void removeLogicalIndex(PageFile& file, PageAllocator& allocator, TableDef& def,
                        qsizetype position) {
    const LogicalIndexDef dropped = def.logicalIndexes.takeAt(position);
    if (std::any_of(def.logicalIndexes.begin(), def.logicalIndexes.end(),
                    [&](const LogicalIndexDef& l) { return l.realIndex == dropped.realIndex; }) ||
        dropped.realIndex >= quint32(def.realIndexes.size()))
        return;
    const RealIndexDef real = def.realIndexes[dropped.realIndex];
    QSet<quint32> freed;
    const quint32 tablePage = def.page;
    auto ownsPage = [tablePage](const QByteArray& page) {
        const quint8 type = U8(page, 0);
        return (type == kIndexLeafPageType || type == kIndexNodePageType) &&
               U32(page, 4) == tablePage;
    };
    FreeMappedPages(file, allocator, real.ownedMap, ownsPage, freed);
    if (!freed.contains(real.rootPage)) {
        allocator.FreePage(real.rootPage);
        freed.insert(real.rootPage);
    }
    DropMapRow(file, allocator, RowPointer::FromRaw(real.ownedMap), freed);
    def.realIndexes.removeAt(dropped.realIndex);
    for (LogicalIndexDef& l : def.logicalIndexes)
        if (l.realIndex > dropped.realIndex)
            --l.realIndex;
}

TableDef relationshipsTable(const PageFile& file, const QList<CatalogObject>& catalog) {
    const CatalogObject* table =
        FindObject(catalog, ContainerId(catalog, "Tables"), QStringLiteral("MSysRelationships"));
    if (!table)
        RaiseDamaged(QStringLiteral("the catalog has no MSysRelationships table"));
    return ReadTableDef(file, quint32(table->id));
}

} // namespace

void CreateRelationship(PageFile& file, PageAllocator& allocator, const QString& foreignTable,
                        const DdlConstraint& k, KeyFormat format) {
    const QList<CatalogObject> catalog = ReadCatalog(file);
    const CatalogObject foreign = RequireUserTable(catalog, foreignTable);
    TableDef foreignDef = ReadTableDef(file, quint32(foreign.id));
    const QList<const ColumnDef*> foreignColumns =
        requireColumns(foreignDef, k.columns, foreign.name);
    const CatalogObject primary = RequireUserTable(catalog, k.referencedTable);
    const bool self = primary.id == foreign.id;
    const TableDef primaryDef = self ? foreignDef : ReadTableDef(file, quint32(primary.id));
    const QStringList targets =
        k.referencedColumns.isEmpty() ? primaryKeyColumns(primaryDef) : k.referencedColumns;
    const int unique =
        targets.size() == k.columns.size() ? uniqueIndexOver(primaryDef, targets) : -1;
    if (unique < 0)
        RaiseDdlError(QStringLiteral("No unique index found for the referenced field of the "
                                     "primary table."));
    const RealIndexDef& uniqueIndex = primaryDef.realIndexes[unique];
    const QList<const ColumnDef*> primaryColumns =
        requireColumns(primaryDef, columnNames(primaryDef, uniqueIndex), primary.name);
    for (qsizetype i = 0; i < foreignColumns.size(); ++i) {
        if (foreignColumns[i]->type != primaryColumns[i]->type)
            RaiseDdlError(QStringLiteral("Relationship must be on the same number of fields with "
                                         "the same data types."));
        if (!CanEncodeKeyColumn(*foreignColumns[i]))
            RaiseDdlError(QStringLiteral("Vantor cannot index the field '%1' of table '%2'.")
                              .arg(foreignColumns[i]->name, foreign.name));
    }

    const QString name = k.name.isEmpty() ? primary.name + foreign.name : k.name;
    RequireValidObjectName(name);
    const qint32 container = ContainerId(catalog, "Relationships");
    TableDef rows = relationshipsTable(file, catalog);
    const qsizetype nameColumn = ColumnPosition(rows, "szRelationship");
    bool taken = FindObject(catalog, container, name) != nullptr;
    ForEachRow(file, rows, [&](RowPointer, const QByteArray& row) {
        taken = taken || SameName(TextAt(DecodeRow(rows, row), nameColumn), name);
    });
    if (taken)
        RaiseDdlError(QStringLiteral("Relationship '%1' already exists.").arg(name));
    requireRelatedRows(file, foreignDef, foreignColumns, primaryDef, uniqueIndex, format,
                       foreign.name);

    QStringList foreignNames, primaryNames;
    for (qsizetype i = 0; i < foreignColumns.size(); ++i) {
        foreignNames.append(foreignColumns[i]->name);
        primaryNames.append(primaryColumns[i]->name);
    }

    // The foreign side's index, a plain one over the foreign key that CREATE INDEX would make,
    // then marked as the relationship's.
    CreateIndexStmt index;
    index.index = name;
    index.table = foreign.name;
    for (const QString& column : foreignNames)
        index.columns.append({column, false});
    CreateIndex(file, allocator, index, format);
    foreignDef = ReadTableDef(file, quint32(foreign.id));
    quint32 foreignNumber = 0;
    for (const LogicalIndexDef& l : foreignDef.logicalIndexes)
        if (l.name == name)
            foreignNumber = l.number;
    TableDef primarySide = self ? foreignDef : ReadTableDef(file, quint32(primary.id));

    const quint8 cascadeUpdate = k.cascadeUpdate ? 1 : 0;
    const quint8 cascadeDelete =
        k.cascadeDelete ? 1 : (k.cascadeToNull ? kCascadeDeleteSetsNull : 0);
    LogicalIndexDef primaryLogical;
    for (const LogicalIndexDef& l : primarySide.logicalIndexes)
        primaryLogical.number = std::max(primaryLogical.number, l.number + 1);
    primaryLogical.realIndex = quint32(unique);
    primaryLogical.foreignKeySide = kPrimarySide;
    primaryLogical.partnerIndex = foreignNumber;
    primaryLogical.partnerTable = quint32(foreign.id);
    primaryLogical.cascadeUpdate = cascadeUpdate;
    primaryLogical.cascadeDelete = cascadeDelete;
    primaryLogical.kind = kForeignKeyKind;
    primaryLogical.name = freePrimarySideName(primarySide);
    primarySide.logicalIndexes.append(primaryLogical);
    sortByName(primarySide);

    TableDef& foreignSide = self ? primarySide : foreignDef;
    LogicalIndexDef* foreignLogical = logicalNumbered(foreignSide, foreignNumber);
    if (!foreignLogical)
        RaiseDamaged(QStringLiteral("the relationship's new index is missing"));
    foreignLogical->foreignKeySide = kForeignSide;
    foreignLogical->partnerIndex = primaryLogical.number;
    foreignLogical->partnerTable = quint32(primary.id);
    foreignLogical->cascadeUpdate = cascadeUpdate;
    foreignLogical->cascadeDelete = cascadeDelete;
    foreignLogical->kind = kForeignKeyKind;
    WriteTableDef(file, allocator, primarySide);
    if (!self)
        WriteTableDef(file, allocator, foreignDef);

    // One row per pair of columns, as Access stores them.
    const quint32 grbit = (k.cascadeUpdate ? kCascadeUpdateBit : 0) |
                          (k.cascadeDelete ? kCascadeDeleteBit : 0) |
                          (k.cascadeToNull ? kCascadeToNullBit : 0);
    QList<RowValues> pairs;
    for (qsizetype i = 0; i < foreignNames.size(); ++i) {
        RowValues pair(rows.columns.size());
        pair[nameColumn] = Utf16(name);
        pair[ColumnPosition(rows, "grbit")] = Le32(grbit);
        pair[ColumnPosition(rows, "ccolumn")] = Le32(quint32(foreignNames.size()));
        pair[ColumnPosition(rows, "icolumn")] = Le32(quint32(i));
        pair[ColumnPosition(rows, "szObject")] = Utf16(foreign.name);
        pair[ColumnPosition(rows, "szColumn")] = Utf16(foreignNames[i]);
        pair[ColumnPosition(rows, "szReferencedObject")] = Utf16(primary.name);
        pair[ColumnPosition(rows, "szReferencedColumn")] = Utf16(primaryNames[i]);
        pairs.append(pair);
    }
    InsertRows(file, allocator, rows, pairs, format);

    const qint32 id =
        AddSyntheticObject(file, allocator, container, name, kRelationshipObjectType, format);
    InheritPermissions(file, allocator, ReadCatalog(file), container, id, format);
}

bool DropRelationship(PageFile& file, PageAllocator& allocator, const QString& foreignTable,
                      const QString& name, KeyFormat format) {
    const QList<CatalogObject> catalog = ReadCatalog(file);
    const CatalogObject foreign = RequireUserTable(catalog, foreignTable);
    TableDef rows = relationshipsTable(file, catalog);
    const qsizetype nameColumn = ColumnPosition(rows, "szRelationship");
    const qsizetype objectColumn = ColumnPosition(rows, "szObject");
    auto ours = [&](const RowValues& values) {
        return SameName(TextAt(values, nameColumn), name) &&
               SameName(TextAt(values, objectColumn), foreign.name);
    };
    QString storedName;
    ForEachRow(file, rows, [&](RowPointer, const QByteArray& row) {
        const RowValues values = DecodeRow(rows, row);
        if (ours(values))
            storedName = TextAt(values, nameColumn);
    });
    if (storedName.isEmpty())
        return false;
    DeleteRowsWhere(file, allocator, rows, format, ours);
    const qint32 container = ContainerId(catalog, "Relationships");
    if (const CatalogObject* object = FindObject(catalog, container, storedName))
        RemoveObject(file, allocator, catalog, object->id, format);

    // An enforced relationship's pair of indexes; one Access never enforced has none.
    TableDef foreignDef = ReadTableDef(file, quint32(foreign.id));
    const auto foreignLogical =
        std::find_if(foreignDef.logicalIndexes.begin(), foreignDef.logicalIndexes.end(),
                     [&](const LogicalIndexDef& l) {
                         return l.kind == kForeignKeyKind && l.foreignKeySide == kForeignSide &&
                                SameName(l.name, storedName);
                     });
    if (foreignLogical == foreignDef.logicalIndexes.end())
        return true;
    const quint32 partnerNumber = foreignLogical->partnerIndex;
    const quint32 partnerTable = foreignLogical->partnerTable;
    removeLogicalIndex(file, allocator, foreignDef,
                       foreignLogical - foreignDef.logicalIndexes.begin());
    WriteTableDef(file, allocator, foreignDef);
    if (!std::any_of(catalog.begin(), catalog.end(), [&](const CatalogObject& o) {
            return o.type == kTableObjectType && quint32(o.id) == partnerTable;
        }))
        return true;
    TableDef primaryDef = ReadTableDef(file, partnerTable);
    for (qsizetype i = 0; i < primaryDef.logicalIndexes.size(); ++i) {
        const LogicalIndexDef& l = primaryDef.logicalIndexes[i];
        if (l.number == partnerNumber && l.foreignKeySide == kPrimarySide &&
            l.partnerTable == quint32(foreign.id)) {
            removeLogicalIndex(file, allocator, primaryDef, i);
            WriteTableDef(file, allocator, primaryDef);
            break;
        }
    }
    return true;
}

} // namespace vantor::jet
