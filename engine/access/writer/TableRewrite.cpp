#include "engine/access/writer/TableRewrite.h"

#include "engine/access/writer/DataPage.h"
#include "engine/access/writer/IndexBuild.h"
#include "engine/access/writer/PageAllocator.h"
#include "engine/access/writer/PageFile.h"
#include "engine/access/writer/RowCodec.h"
#include "engine/access/writer/RowWriter.h"
#include "engine/access/writer/TableScan.h"
#include "engine/access/writer/UsageMap.h"

#include <QHash>
#include <QSet>

namespace vantor::jet {

namespace {

constexpr qint32 kTopParentId = 0x0F000000;

bool sameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

constexpr int kSlotTableOffset = 14;
constexpr int kMaxRowsPerPage = 255;

QByteArray emptyDataPage(int pageSize, quint32 tablePage) {
    QByteArray page(pageSize, '\0');
    PutU8(page, 0, kDataPageType);
    PutU8(page, 1, 0x01);
    PutU16(page, 2, static_cast<quint16>(pageSize - kSlotTableOffset));
    PutU32(page, 4, tablePage);
    return page;
}

// Puts a row after a page's last one when it has room.
bool appendRow(QByteArray& page, const QByteArray& row) {
    const int slots = U16(page, 12);
    const int free = U16(page, 2);
    if (slots >= kMaxRowsPerPage || free < row.size() + 2)
        return false;
    const int lowest =
        slots == 0 ? int(page.size()) : (U16(page, kSlotTableOffset + 2 * (slots - 1)) & 0x1fff);
    const int start = lowest - int(row.size());
    page.replace(start, row.size(), row);
    PutU16(page, kSlotTableOffset + 2 * slots, static_cast<quint16>(start));
    PutU16(page, 12, static_cast<quint16>(slots + 1));
    PutU16(page, 2, static_cast<quint16>(free - row.size() - 2));
    return true;
}

} // namespace

qsizetype RowsOf(const PageFile& file, const TableDef& def) {
    qsizetype rows = 0;
    ForEachRow(file, def, [&rows](RowPointer, const QByteArray&) { ++rows; });
    return rows;
}

void RewriteRows(PageFile& file, PageAllocator& allocator, const TableDef& before, TableDef& after,
                 KeyFormat format, const std::function<RowValues(const RowValues&)>& convert) {
    QList<QByteArray> rows;
    // Every row is encoded before any is touched, so a row that no longer fits fails first.
    ForEachRow(file, before, [&](RowPointer, const QByteArray& row) {
        rows.append(EncodeRow(after, convert(DecodeRow(before, row))));
    });
    if (rows.isEmpty())
        return;
    // Nothing but the table's indexes points at its rows, and those are filled again below.
    const RowPointer ownedMap = RowPointer::FromRaw(after.ownedMap);
    const RowPointer freeMap = RowPointer::FromRaw(after.freeMap);
    QList<quint32> pages;
    for (quint32 number : ReadUsageMap(file, ownedMap).pages) {
        const QByteArray page = file.Page(number);
        if (U8(page, 0) == kDataPageType && U32(page, 4) == after.page)
            pages.append(number);
    }
    const UsageMap withSpace = ReadUsageMap(file, freeMap);
    after.rowCount = 0;
    qsizetype next = 0;
    for (quint32 number : pages) {
        QByteArray page = emptyDataPage(file.PageSize(), after.page);
        while (next < rows.size() && appendRow(page, rows[next])) {
            ++next;
            ++after.rowCount;
        }
        if (U16(page, 12) == 0) {
            RemovePageFromMap(file, ownedMap, number);
            RemovePageFromMap(file, freeMap, number);
            allocator.FreePage(number);
            continue;
        }
        file.WritePage(number, page);
        if (!withSpace.Contains(number))
            AddPageToMap(file, allocator, freeMap, number);
    }
    for (; next < rows.size(); ++next)
        InsertRow(file, allocator, after, rows[next]);
    for (int i = 0; i < after.realIndexes.size(); ++i)
        FillIndexFromRows(file, allocator, after, i, format);
}

quint16 FixedAreaEnd(const TableDef& def) {
    int end = 0;
    for (const ColumnDef& c : def.columns)
        if (c.IsFixed() && c.type != TypeBoolean)
            end = std::max(end, c.fixedOffset + c.length);
    return static_cast<quint16>(end);
}

bool InRelationship(const PageFile& file, const QString& table, const QString& column) {
    const QList<CatalogObject> catalog = ReadCatalog(file);
    qint32 tables = 0;
    for (const CatalogObject& o : catalog)
        if (o.parentId == kTopParentId && o.name == QLatin1String("Tables"))
            tables = o.id;
    for (const CatalogObject& o : catalog) {
        if (o.parentId != tables || o.name != QLatin1String("MSysRelationships"))
            continue;
        const TableDef def = ReadTableDef(file, quint32(o.id));
        QHash<QString, qsizetype> at;
        for (qsizetype i = 0; i < def.columns.size(); ++i)
            at.insert(def.columns[i].name.toLower(), i);
        auto text = [&](const RowValues& values, const char* name) {
            const std::optional<QByteArray> value = values.value(at.value(name, -1));
            return value ? DecodeText(*value) : QString();
        };
        bool used = false;
        ForEachRow(file, def, [&](RowPointer, const QByteArray& row) {
            const RowValues values = DecodeRow(def, row);
            used = used ||
                   (sameName(text(values, "szobject"), table) &&
                    sameName(text(values, "szcolumn"), column)) ||
                   (sameName(text(values, "szreferencedobject"), table) &&
                    sameName(text(values, "szreferencedcolumn"), column));
        });
        return used;
    }
    return false;
}

} // namespace vantor::jet
