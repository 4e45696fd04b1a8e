#include "engine/access/writer/CatalogRows.h"

#include "engine/access/writer/IndexBuild.h"
#include "engine/access/writer/PageFile.h"
#include "engine/access/writer/RowWriter.h"
#include "engine/snapshot/JetDdlStatements.h"

#include <QDateTime>
#include <cstring>

namespace vantor::jet {

namespace {

constexpr qint32 kDatabaseObjectId = 0x10000000;
constexpr qint32 kFirstSyntheticId = qint32(0x80000000);
// The container's entry for whoever creates an object; Access gives a new object the container's
// other inheritable entries, not this one.
constexpr qint32 kCreatorAccess = 983294;

} // namespace

// Jet's date: days since 30 December 1899, the time of day as the fraction, local time.
QByteArray JetNow() {
    const QDateTime now = QDateTime::currentDateTime();
    const double days = double(QDate(1899, 12, 30).daysTo(now.date())) +
                        double(now.time().msecsSinceStartOfDay()) / 86400000.0;
    quint64 bits = 0;
    std::memcpy(&bits, &days, sizeof bits);
    QByteArray out;
    AppendU32(out, quint32(bits));
    AppendU32(out, quint32(bits >> 32));
    return out;
}

bool SameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

void RequireValidObjectName(const QString& name) {
    constexpr qsizetype kMaxNameLength = 64;
    bool valid = !name.isEmpty() && name.size() <= kMaxNameLength && !name.startsWith(u' ');
    for (QChar ch : name)
        valid = valid && ch.unicode() >= 0x20 && !QStringLiteral(".![]`").contains(ch);
    if (!valid)
        RaiseDdlError(QStringLiteral("'%1' is not a valid name. Make sure that it does not include "
                                     "invalid characters or punctuation and that it is not too "
                                     "long.")
                          .arg(name));
}

qsizetype ColumnPosition(const TableDef& def, const char* name) {
    for (qsizetype i = 0; i < def.columns.size(); ++i)
        if (SameName(def.columns[i].name, QLatin1String(name)))
            return i;
    RaiseDamaged(QStringLiteral("a system table lacks its column %1").arg(QLatin1String(name)));
}

QByteArray Le32(quint32 value) {
    QByteArray out;
    AppendU32(out, value);
    return out;
}

QByteArray Utf16(const QString& text) {
    return QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
}

QString TextAt(const RowValues& values, qsizetype position) {
    const std::optional<QByteArray>& value = values.value(position);
    return value ? DecodeText(*value) : QString();
}

std::optional<qint32> LongAt(const RowValues& values, qsizetype position) {
    const std::optional<QByteArray>& value = values.value(position);
    if (!value || value->size() != 4)
        return std::nullopt;
    return qint32(U32(*value, 0));
}

const CatalogObject* FindObject(const QList<CatalogObject>& catalog, qint32 parentId,
                                const QString& name) {
    for (const CatalogObject& object : catalog)
        if (object.parentId == parentId && SameName(object.name, name))
            return &object;
    return nullptr;
}

qint32 ContainerId(const QList<CatalogObject>& catalog, const char* name) {
    const CatalogObject* container = FindObject(catalog, kTopParentId, QLatin1String(name));
    if (!container)
        RaiseDamaged(QStringLiteral("the catalog has no %1 container").arg(QLatin1String(name)));
    return container->id;
}

CatalogObject RequireUserTable(const QList<CatalogObject>& catalog, const QString& name) {
    const CatalogObject* o = FindObject(catalog, ContainerId(catalog, "Tables"), name);
    if (!o)
        RaiseDdlError(QStringLiteral("Table '%1' does not exist.").arg(name));
    if (o->type != kTableObjectType)
        RaiseDdlError(
            QStringLiteral("Vantor cannot change the linked table '%1' yet.").arg(o->name));
    if (IsSystemTable(*o))
        RaiseDdlError(QStringLiteral("'%1' is a system table and cannot be changed.").arg(o->name));
    return *o;
}

void InsertRows(PageFile& file, PageAllocator& allocator, TableDef& def,
                const QList<RowValues>& rows, KeyFormat format) {
    if (rows.isEmpty())
        return;
    for (const RowValues& values : rows)
        InsertRow(file, allocator, def, EncodeRow(def, values));
    for (int i = 0; i < def.realIndexes.size(); ++i)
        FillIndexFromRows(file, allocator, def, i, format);
    WriteTableDef(file, allocator, def);
}

void DeleteRowsWhere(PageFile& file, PageAllocator& allocator, TableDef& def, KeyFormat format,
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

qint32 AddSyntheticObject(PageFile& file, PageAllocator& allocator, qint32 container,
                          const QString& name, qint16 type, KeyFormat format) {
    TableDef objects = ReadTableDef(file, kCatalogPage);
    const qsizetype idColumn = ColumnPosition(objects, "Id");
    const qsizetype ownerColumn = ColumnPosition(objects, "Owner");
    QByteArray owner;
    std::optional<qint32> largest;
    ForEachRow(file, objects, [&](RowPointer, const QByteArray& row) {
        const RowValues values = DecodeRow(objects, row);
        const std::optional<qint32> id = LongAt(values, idColumn);
        if (id && *id == kDatabaseObjectId && values.value(ownerColumn))
            owner = *values.value(ownerColumn);
        if (id && *id < 0 && (!largest || *id > *largest))
            largest = *id;
    });
    if (largest == -1)
        RaiseDamaged(QStringLiteral("the catalog has used up its object numbers"));
    const qint32 id = largest ? *largest + 1 : kFirstSyntheticId;
    RowValues object(objects.columns.size());
    const QByteArray now = JetNow();
    QByteArray typeBytes;
    AppendU16(typeBytes, quint16(type));
    object[idColumn] = Le32(quint32(id));
    object[ColumnPosition(objects, "ParentId")] = Le32(quint32(container));
    object[ColumnPosition(objects, "Name")] = Utf16(name);
    object[ColumnPosition(objects, "Type")] = typeBytes;
    object[ColumnPosition(objects, "DateCreate")] = now;
    object[ColumnPosition(objects, "DateUpdate")] = now;
    if (!owner.isEmpty())
        object[ownerColumn] = owner;
    object[ColumnPosition(objects, "Flags")] = Le32(0);
    InsertRows(file, allocator, objects, {object}, format);
    return id;
}

void InheritPermissions(PageFile& file, PageAllocator& allocator,
                        const QList<CatalogObject>& catalog, qint32 container, qint32 object,
                        KeyFormat format) {
    const CatalogObject* aces =
        FindObject(catalog, ContainerId(catalog, "Tables"), QStringLiteral("MSysACEs"));
    if (!aces)
        return;
    TableDef def = ReadTableDef(file, quint32(aces->id));
    const qsizetype objectColumn = ColumnPosition(def, "ObjectId");
    const qsizetype accessColumn = ColumnPosition(def, "ACM");
    const qsizetype inheritColumn = ColumnPosition(def, "FInheritable");
    QList<RowValues> rows;
    ForEachRow(file, def, [&](RowPointer, const QByteArray& row) {
        RowValues values = DecodeRow(def, row);
        const std::optional<QByteArray>& inherit = values.value(inheritColumn);
        if (LongAt(values, objectColumn) != container || !inherit || inherit->isEmpty() ||
            inherit->at(0) == 0 || LongAt(values, accessColumn) == kCreatorAccess)
            return;
        values[objectColumn] = Le32(quint32(object));
        values[inheritColumn] = QByteArray(1, '\0');
        rows.append(values);
    });
    InsertRows(file, allocator, def, rows, format);
}

void RemoveObject(PageFile& file, PageAllocator& allocator, const QList<CatalogObject>& catalog,
                  qint32 object, KeyFormat format) {
    TableDef objects = ReadTableDef(file, kCatalogPage);
    const qsizetype idColumn = ColumnPosition(objects, "Id");
    DeleteRowsWhere(file, allocator, objects, format,
                    [&](const RowValues& values) { return LongAt(values, idColumn) == object; });
    const CatalogObject* aces =
        FindObject(catalog, ContainerId(catalog, "Tables"), QStringLiteral("MSysACEs"));
    if (!aces)
        return;
    TableDef def = ReadTableDef(file, quint32(aces->id));
    const qsizetype objectColumn = ColumnPosition(def, "ObjectId");
    DeleteRowsWhere(file, allocator, def, format, [&](const RowValues& values) {
        return LongAt(values, objectColumn) == object;
    });
}

} // namespace vantor::jet
