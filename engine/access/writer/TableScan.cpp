#include "engine/access/writer/TableScan.h"

#include "engine/access/AccessCatalog.h"
#include "engine/access/writer/DataPage.h"
#include "engine/access/writer/PageFile.h"
#include "engine/access/writer/RowCodec.h"
#include "engine/access/writer/UsageMap.h"

namespace vantor::jet {

namespace {

constexpr int kOwnerOffset = 4;

qint32 longValue(const std::optional<QByteArray>& value) {
    return value && value->size() == 4 ? qint32(U32(*value, 0)) : 0;
}

} // namespace

void ForEachRow(const PageFile& file, const TableDef& def,
                const std::function<void(RowPointer, const QByteArray&)>& visit) {
    const UsageMap owned = ReadUsageMap(file, RowPointer::FromRaw(def.ownedMap));
    for (quint32 number : owned.pages) {
        const QByteArray page = file.Page(number);
        // Freed pages stay in some maps with stale contents; only this table's data pages count.
        if (U8(page, 0) != kDataPageType || U32(page, kOwnerOffset) != def.page)
            continue;
        const int slots = SlotCount(page);
        for (int row = 0; row < slots; ++row) {
            const RowPointer where{number, static_cast<quint8>(row)};
            std::optional<QByteArray> bytes = ReadRow(file, where);
            if (bytes)
                visit(where, *bytes);
        }
    }
}

QList<CatalogObject> ReadCatalog(const PageFile& file) {
    const TableDef def = ReadTableDef(file, kCatalogPage);
    auto position = [&def](const char* name) {
        for (qsizetype i = 0; i < def.columns.size(); ++i)
            if (def.columns[i].name == QLatin1String(name))
                return i;
        RaiseDamaged(QStringLiteral("the catalog has no column %1").arg(QLatin1String(name)));
    };
    const qsizetype id = position("Id"), parent = position("ParentId"), name = position("Name"),
                    type = position("Type"), flags = position("Flags");
    QList<CatalogObject> objects;
    ForEachRow(file, def, [&](RowPointer where, const QByteArray& row) {
        const RowValues values = DecodeRow(def, row);
        CatalogObject object;
        object.where = where;
        object.id = longValue(values.value(id));
        object.parentId = longValue(values.value(parent));
        object.name = values.value(name) ? DecodeText(*values.value(name)) : QString();
        const std::optional<QByteArray> typeValue = values.value(type);
        object.type = typeValue && typeValue->size() == 2 ? qint16(U16(*typeValue, 0)) : 0;
        object.flags = longValue(values.value(flags));
        objects.append(object);
    });
    return objects;
}

bool IsSystemTable(const CatalogObject& object) {
    const std::optional<ObjectKind> kind = TableKindOf(object.type, object.flags);
    return kind && IsSystemKind(*kind);
}

} // namespace vantor::jet
