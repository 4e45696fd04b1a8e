#include "engine/access/writer/IndexStatements.h"

#include "engine/access/writer/DataPage.h"
#include "engine/access/writer/DropTable.h"
#include "engine/access/writer/IndexBuild.h"
#include "engine/access/writer/PageAllocator.h"
#include "engine/access/writer/PageFile.h"
#include "engine/access/writer/TableScan.h"
#include "engine/access/writer/UsageMap.h"
#include "model/Error.h"

#include <algorithm>

namespace vantor::jet {

namespace {

constexpr qint32 kTopParentId = 0x0F000000;
constexpr int kMapRowSize = 69;
constexpr int kSlotTableOffset = 14;
constexpr quint16 kOffsetMask = 0x1fff;
constexpr quint8 kUniqueFlag = 0x01;
constexpr quint8 kIgnoreNullsFlag = 0x02;
constexpr quint8 kRequiredFlag = 0x08;
constexpr quint8 kAlwaysSetFlag = 0x80;
constexpr quint8 kPrimaryKeyKind = 1;
// Access writes 4 into both cascade bytes of an index that backs no relationship.
constexpr quint8 kNoCascade = 4;
constexpr int kMaxIndexColumns = 10;

bool sameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

} // namespace

CatalogObject RequireUserTable(const PageFile& file, const QString& name) {
    const QList<CatalogObject> catalog = ReadCatalog(file);
    qint32 tables = 0;
    for (const CatalogObject& o : catalog)
        if (o.parentId == kTopParentId && o.name == QLatin1String("Tables"))
            tables = o.id;
    for (const CatalogObject& o : catalog) {
        if (o.parentId != tables || !sameName(o.name, name))
            continue;
        if (o.type != kTableObjectType)
            RaiseDdlError(
                QStringLiteral("Vantor cannot change the linked table '%1' yet.").arg(o.name));
        if (IsSystemTable(o))
            RaiseDdlError(
                QStringLiteral("'%1' is a system table and cannot be changed.").arg(o.name));
        return o;
    }
    RaiseDdlError(QStringLiteral("Table '%1' does not exist.").arg(name));
}

RowPointer AddMapRow(PageFile& file, PageAllocator& allocator, const TableDef& def,
                     const QByteArray& row) {
    auto tryPage = [&](quint32 number) -> std::optional<RowPointer> {
        QByteArray page = file.Page(number);
        if (U8(page, 0) != kDataPageType || U32(page, 4) != 0)
            return std::nullopt;
        const int slots = SlotCount(page);
        if (slots >= 255 || U16(page, 2) < row.size() + 2)
            return std::nullopt;
        const int lowest = slots == 0
                               ? file.PageSize()
                               : (U16(page, kSlotTableOffset + 2 * (slots - 1)) & kOffsetMask);
        const int start = lowest - int(row.size());
        if (start < kSlotTableOffset + 2 * (slots + 1))
            return std::nullopt;
        page.replace(start, row.size(), row);
        PutU16(page, kSlotTableOffset + 2 * slots, static_cast<quint16>(start));
        PutU16(page, 12, static_cast<quint16>(slots + 1));
        PutU16(page, 2, static_cast<quint16>(start - (kSlotTableOffset + 2 * (slots + 1))));
        file.WritePage(number, page);
        return RowPointer{number, static_cast<quint8>(slots)};
    };
    if (auto where = tryPage(RowPointer::FromRaw(def.ownedMap).page))
        return *where;
    QByteArray holder(file.PageSize(), '\0');
    PutU8(holder, 0, kDataPageType);
    PutU8(holder, 1, 0x01);
    PutU16(holder, 2, static_cast<quint16>(file.PageSize() - kSlotTableOffset));
    if (auto where = tryPage(allocator.NewPage(holder)))
        return *where;
    RaiseDamaged(QStringLiteral("a new page has no room for a usage map"));
}

void CreateIndex(PageFile& file, PageAllocator& allocator, const CreateIndexStmt& s,
                 KeyFormat format) {
    const CatalogObject table = RequireUserTable(file, s.table);
    TableDef def = ReadTableDef(file, quint32(table.id));
    for (const LogicalIndexDef& l : def.logicalIndexes) {
        if (sameName(l.name, s.index))
            RaiseDdlError(QStringLiteral("Table '%1' already has an index named '%2'.")
                              .arg(table.name, s.index));
        if (s.primary && l.kind == kPrimaryKeyKind)
            RaiseDdlError(QStringLiteral("Primary key already exists."));
    }
    if (s.columns.isEmpty() || s.columns.size() > kMaxIndexColumns)
        RaiseDdlError(QStringLiteral("An index has 1 to 10 fields; '%1' has %2.")
                          .arg(s.index)
                          .arg(s.columns.size()));

    RealIndexDef real;
    for (qsizetype i = 0; i < s.columns.size(); ++i) {
        const ColumnDef* column = nullptr;
        for (const ColumnDef& c : def.columns)
            if (sameName(c.name, s.columns[i].name))
                column = &c;
        if (!column)
            RaiseDdlError(QStringLiteral("Field '%1' does not exist in table '%2'.")
                              .arg(s.columns[i].name, table.name));
        real.columns[size_t(i)] = {column->number,
                                   static_cast<quint8>(s.columns[i].descending ? 0 : 1)};
    }
    real.flags = kAlwaysSetFlag | ((s.unique || s.primary) ? kUniqueFlag : 0) |
                 (s.ignoreNulls ? kIgnoreNullsFlag : 0) |
                 ((s.required || s.primary) ? kRequiredFlag : 0);

    // A required index refuses rows whose key has a null in it.
    if (real.flags & kRequiredFlag) {
        ForEachRow(file, def, [&](RowPointer, const QByteArray& row) {
            const RowValues values = DecodeRow(def, row);
            for (const IndexColumnRef& ref : real.UsedColumns()) {
                const ColumnDef* column = def.ColumnByNumber(ref.number);
                if (!values.value(column - def.columns.constData()))
                    throw Error(
                        ErrorCode::Provider,
                        QStringLiteral("Index or primary key cannot contain a Null value."));
            }
        });
    }

    int realIndex = -1;
    for (int i = 0; i < def.realIndexes.size(); ++i) {
        const RealIndexDef& existing = def.realIndexes[i];
        bool same = existing.flags == real.flags;
        for (int c = 0; c < kMaxIndexColumns && same; ++c)
            same = existing.columns[size_t(c)].number == real.columns[size_t(c)].number &&
                   (existing.columns[size_t(c)].number == 0xffff ||
                    existing.columns[size_t(c)].flags == real.columns[size_t(c)].flags);
        if (same)
            realIndex = i;
    }
    if (realIndex < 0) {
        QByteArray leaf(file.PageSize(), '\0');
        PutU8(leaf, 0, kIndexLeafPageType);
        PutU8(leaf, 1, 0x01);
        PutU16(leaf, 2, 3616);
        PutU32(leaf, 4, def.page);
        real.rootPage = allocator.NewPage(leaf);
        QByteArray map(kMapRowSize, '\0');
        const quint32 start = (real.rootPage / 8) * 8;
        PutU32(map, 1, start);
        PutU8(map, 5 + (real.rootPage - start) / 8, quint8(1u << ((real.rootPage - start) % 8)));
        real.ownedMap = AddMapRow(file, allocator, def, map).Raw();
        def.realIndexes.append(real);
        realIndex = int(def.realIndexes.size() - 1);
        FillIndexFromRows(file, allocator, def, realIndex, format);
    }

    LogicalIndexDef logical;
    for (const LogicalIndexDef& l : def.logicalIndexes)
        logical.number = std::max(logical.number, l.number + 1);
    logical.realIndex = quint32(realIndex);
    logical.cascadeUpdate = kNoCascade;
    logical.cascadeDelete = kNoCascade;
    logical.kind = s.primary ? kPrimaryKeyKind : 0;
    logical.name = s.index;
    def.logicalIndexes.append(logical);
    // Access keeps a table's indexes in name order; their numbers, not places, identify them.
    std::stable_sort(def.logicalIndexes.begin(), def.logicalIndexes.end(),
                     [](const LogicalIndexDef& a, const LogicalIndexDef& b) {
                         return a.name.compare(b.name, Qt::CaseInsensitive) < 0;
                     });
    WriteTableDef(file, allocator, def);
}

void DropIndex(PageFile& file, PageAllocator& allocator, const DropIndexStmt& s) {
    const CatalogObject table = RequireUserTable(file, s.table);
    TableDef def = ReadTableDef(file, quint32(table.id));
    qsizetype position = -1;
    for (qsizetype i = 0; i < def.logicalIndexes.size(); ++i)
        if (sameName(def.logicalIndexes[i].name, s.index))
            position = i;
    if (position < 0)
        RaiseDdlError(
            QStringLiteral("Index '%1' does not exist on table '%2'.").arg(s.index, table.name));
    const LogicalIndexDef dropped = def.logicalIndexes[position];
    bool shared = false;
    for (const LogicalIndexDef& l : def.logicalIndexes) {
        if (&l == &def.logicalIndexes[position] || l.realIndex != dropped.realIndex)
            continue;
        shared = true;
        // The primary side of a relationship keeps its integrity by this storage.
        if (l.foreignKeySide != 0 &&
            (dropped.kind == kPrimaryKeyKind || dropped.foreignKeySide == 0))
            RaiseDdlError(QStringLiteral("Cannot delete this index or table. It is either the "
                                         "current index or is used in a relationship."));
    }
    if (dropped.foreignKeySide != 0)
        RaiseDdlError(QStringLiteral("Cannot delete this index or table. It is either the "
                                     "current index or is used in a relationship."));
    def.logicalIndexes.removeAt(position);
    if (!shared) {
        const RealIndexDef real = def.realIndexes[dropped.realIndex];
        QSet<quint32> freed;
        auto ownsPage = [&def](const QByteArray& page) {
            const quint8 type = U8(page, 0);
            return (type == kIndexLeafPageType || type == kIndexNodePageType) &&
                   U32(page, 4) == def.page;
        };
        FreeMappedPages(file, allocator, real.ownedMap, ownsPage, freed);
        if (!freed.contains(real.rootPage)) {
            allocator.FreePage(real.rootPage);
            freed.insert(real.rootPage);
        }
        DropMapRow(file, allocator, RowPointer::FromRaw(real.ownedMap), freed);
        def.realIndexes.removeAt(dropped.realIndex);
        // Logical numbers stay (other tables' relationships name them); storage positions move.
        for (LogicalIndexDef& l : def.logicalIndexes)
            if (l.realIndex > dropped.realIndex)
                --l.realIndex;
    }
    WriteTableDef(file, allocator, def);
}

} // namespace vantor::jet
