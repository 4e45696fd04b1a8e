#include "engine/access/writer/DropTable.h"

#include "engine/access/writer/DataPage.h"
#include "engine/access/writer/IndexBuild.h"
#include "engine/access/writer/PageAllocator.h"
#include "engine/access/writer/PageFile.h"
#include "engine/access/writer/RowWriter.h"
#include "engine/access/writer/TableScan.h"
#include "engine/access/writer/UsageMap.h"
#include "engine/snapshot/JetDdlStatements.h"

#include <QSet>

namespace vantor::jet {

namespace {

constexpr qint32 kTopParentId = 0x0F000000;
constexpr int kOwnerOffset = 4;
constexpr int kNextPageOffset = 4;

bool sameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

const CatalogObject* findObject(const QList<CatalogObject>& catalog, qint32 parentId,
                                const QString& name) {
    for (const CatalogObject& object : catalog)
        if (object.parentId == parentId && sameName(object.name, name))
            return &object;
    return nullptr;
}

qint32 tablesContainer(const QList<CatalogObject>& catalog) {
    const CatalogObject* tables = findObject(catalog, kTopParentId, QStringLiteral("Tables"));
    if (!tables)
        RaiseDamaged(QStringLiteral("the catalog has no Tables container"));
    return tables->id;
}

qsizetype columnPosition(const TableDef& def, const char* name) {
    for (qsizetype i = 0; i < def.columns.size(); ++i)
        if (sameName(def.columns[i].name, QLatin1String(name)))
            return i;
    RaiseDamaged(QStringLiteral("a system table lacks its column %1").arg(QLatin1String(name)));
}

QString textAt(const RowValues& values, qsizetype position) {
    const std::optional<QByteArray>& value = values.value(position);
    return value ? DecodeText(*value) : QString();
}

// Deletes the rows of a table that `match` picks, and refills the table's indexes.
void deleteRowsWhere(PageFile& file, PageAllocator& allocator, TableDef& def, KeyFormat format,
                     const std::function<bool(const RowValues&)>& match) {
    QList<RowPointer> doomed;
    ForEachRow(file, def, [&](RowPointer where, const QByteArray& row) {
        if (match(DecodeRow(def, row)))
            doomed.append(where);
    });
    if (doomed.isEmpty())
        return;
    for (RowPointer where : doomed)
        DeleteRow(file, def, where);
    for (int i = 0; i < def.realIndexes.size(); ++i)
        FillIndexFromRows(file, allocator, def, i, format);
    WriteTableDef(file, allocator, def);
}

} // namespace

void DropMapRow(PageFile& file, PageAllocator& allocator, RowPointer where, QSet<quint32>& freed) {
    if (where.page == 0)
        return; // some Access files point unused maps at page 0
    const UsageMap map = ReadUsageMap(file, where);
    for (quint32 bitmap : map.referencePages)
        if (bitmap != 0 && !freed.contains(bitmap)) {
            allocator.FreePage(bitmap);
            freed.insert(bitmap);
        }
    QByteArray page = file.Page(where.page);
    const RowSlot slot = SlotOf(page, where.row);
    if (slot.deleted)
        return;
    const qsizetype at = 14 + 2 * where.row;
    PutU16(page, at, U16(page, at) | 0xc000);
    file.WritePage(where.page, page);
    const int slots = SlotCount(page);
    for (int row = 0; row < slots; ++row)
        if (!SlotOf(page, row).deleted)
            return;
    if (U32(page, kOwnerOffset) == 0 && !freed.contains(where.page)) {
        allocator.FreePage(where.page);
        freed.insert(where.page);
    }
}

void FreeMappedPages(PageFile& file, PageAllocator& allocator, quint32 mapPointer,
                     const std::function<bool(const QByteArray&)>& owned, QSet<quint32>& freed) {
    const RowPointer where = RowPointer::FromRaw(mapPointer);
    if (where.page == 0)
        return;
    for (quint32 page : ReadUsageMap(file, where).pages) {
        if (freed.contains(page) || page <= 1 || !owned(file.Page(page)))
            continue;
        allocator.FreePage(page);
        freed.insert(page);
    }
}

void DropTable(PageFile& file, PageAllocator& allocator, const QString& name, KeyFormat format) {
    const QList<CatalogObject> catalog = ReadCatalog(file);
    const CatalogObject* object = findObject(catalog, tablesContainer(catalog), name);
    if (!object)
        RaiseDdlError(QStringLiteral("Table '%1' does not exist.").arg(name));
    if (object->type != kTableObjectType)
        RaiseDdlError(
            QStringLiteral("Vantor cannot drop the linked table '%1' yet.").arg(object->name));
    if (IsSystemTable(*object))
        RaiseDdlError(
            QStringLiteral("'%1' is a system table and cannot be changed.").arg(object->name));
    const QString tableName = object->name;
    const qint32 tableId = object->id;
    const auto tablePage = quint32(tableId);

    const qint32 container = tablesContainer(catalog);
    if (const CatalogObject* relationships = findObject(catalog, container, "MSysRelationships")) {
        const TableDef def = ReadTableDef(file, quint32(relationships->id));
        const qsizetype foreign = columnPosition(def, "szObject");
        const qsizetype primary = columnPosition(def, "szReferencedObject");
        ForEachRow(file, def, [&](RowPointer, const QByteArray& row) {
            const RowValues values = DecodeRow(def, row);
            if (sameName(textAt(values, foreign), tableName) ||
                sameName(textAt(values, primary), tableName))
                RaiseDdlError(QStringLiteral("Cannot delete table '%1'; it participates in one "
                                             "or more relationships.")
                                  .arg(tableName));
        });
    }

    // The table's own pages: rows, index trees, long values, maps, and its definition.
    const TableDef def = ReadTableDef(file, tablePage);
    QSet<quint32> freed;
    auto ownsPage = [tablePage](const QByteArray& page) {
        const quint8 type = U8(page, 0);
        return (type == kDataPageType || type == kIndexLeafPageType ||
                type == kIndexNodePageType) &&
               U32(page, kOwnerOffset) == tablePage;
    };
    auto isLongValuePage = [](const QByteArray& page) {
        return U8(page, 0) == kDataPageType && page.mid(kOwnerOffset, 4) == "LVAL";
    };
    FreeMappedPages(file, allocator, def.ownedMap, ownsPage, freed);
    for (const RealIndexDef& index : def.realIndexes) {
        FreeMappedPages(file, allocator, index.ownedMap, ownsPage, freed);
        if (!freed.contains(index.rootPage)) {
            allocator.FreePage(index.rootPage);
            freed.insert(index.rootPage);
        }
    }
    for (const LongValueMaps& maps : def.longValueMaps)
        FreeMappedPages(file, allocator, maps.ownedMap, isLongValuePage, freed);
    DropMapRow(file, allocator, RowPointer::FromRaw(def.ownedMap), freed);
    DropMapRow(file, allocator, RowPointer::FromRaw(def.freeMap), freed);
    for (const RealIndexDef& index : def.realIndexes)
        DropMapRow(file, allocator, RowPointer::FromRaw(index.ownedMap), freed);
    for (const LongValueMaps& maps : def.longValueMaps) {
        DropMapRow(file, allocator, RowPointer::FromRaw(maps.ownedMap), freed);
        DropMapRow(file, allocator, RowPointer::FromRaw(maps.freeMap), freed);
    }
    QSet<quint32> chain;
    for (quint32 page = tablePage; page != 0 && !chain.contains(page);
         page = U32(file.Page(page), kNextPageOffset))
        chain.insert(page);
    for (quint32 page : chain)
        if (!freed.contains(page))
            allocator.FreePage(page);

    // The catalog's row and the table's permissions.
    TableDef objects = ReadTableDef(file, kCatalogPage);
    const qsizetype idColumn = columnPosition(objects, "Id");
    deleteRowsWhere(file, allocator, objects, format, [&](const RowValues& values) {
        const std::optional<QByteArray>& id = values.value(idColumn);
        return id && id->size() == 4 && qint32(U32(*id, 0)) == tableId;
    });
    if (const CatalogObject* aces = findObject(catalog, container, "MSysACEs")) {
        TableDef def = ReadTableDef(file, quint32(aces->id));
        const qsizetype objectColumn = columnPosition(def, "ObjectId");
        deleteRowsWhere(file, allocator, def, format, [&](const RowValues& values) {
            const std::optional<QByteArray>& id = values.value(objectColumn);
            return id && id->size() == 4 && qint32(U32(*id, 0)) == tableId;
        });
    }
}

} // namespace vantor::jet
