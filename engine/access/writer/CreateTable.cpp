#include "engine/access/writer/CreateTable.h"

#include "engine/access/writer/CatalogRows.h"
#include "engine/access/writer/ColumnProperties.h"
#include "engine/access/writer/Constraints.h"
#include "engine/access/writer/DataPage.h"
#include "engine/access/writer/IndexBuild.h"
#include "engine/access/writer/IndexStatements.h"
#include "engine/access/writer/PageAllocator.h"
#include "engine/access/writer/PageFile.h"
#include "engine/access/writer/RowWriter.h"
#include "engine/access/writer/TableScan.h"

#include <QDateTime>
#include <cstring>

namespace vantor::jet {

namespace {

constexpr qint32 kDatabaseObjectId = 0x10000000;
constexpr int kHeaderBytes = 56; // offsets 8..63 of the first page
constexpr int kMapRowSize = 69;
constexpr int kMaxColumns = 255;
constexpr int kMaxNameLength = 64;
constexpr int kMaxBinaryBytes = 510; // as Access itself stores them (MSysCompactError.ErrorRecid)
constexpr int kMaxPropertyBlob = 2000;
constexpr quint8 kUserTable = 0x4e;
constexpr quint8 kFixedFlag = 0x01;
constexpr quint8 kAlwaysSetFlag = 0x02;
constexpr quint8 kAutoNumberFlag = 0x04;
constexpr quint16 kGeneralLcid = 1033;
// The Tables container's entry for whoever creates an object; Access gives a new table the
// container's other inheritable entries, not this one.
constexpr qint32 kCreatorAccess = 983294;

// ADO type codes as the statement parser gives them.
enum AdoType : qint32 {
    AdoSmallInt = 2,
    AdoInteger = 3,
    AdoSingle = 4,
    AdoDouble = 5,
    AdoCurrency = 6,
    AdoDate = 7,
    AdoBoolean = 11,
    AdoUnsignedTinyInt = 17,
    AdoGuid = 72,
    AdoBinary = 128,
    AdoWChar = 130,
    AdoNumeric = 131,
};

struct StoredType {
    quint8 type = 0;
    quint16 length = 0;
    bool fixed = true;
};

std::optional<StoredType> storedType(const Column& c) {
    const qint32 length = c.maxLength.value_or(0);
    if (c.autoNumber && c.dataType != AdoInteger)
        return std::nullopt;
    switch (c.dataType) {
    case AdoBoolean:
        return StoredType{TypeBoolean, 1, true};
    case AdoUnsignedTinyInt:
        return StoredType{TypeByte, 1, true};
    case AdoSmallInt:
        return StoredType{TypeInteger, 2, true};
    case AdoInteger:
        return StoredType{TypeLong, 4, true};
    case AdoSingle:
        return StoredType{TypeSingle, 4, true};
    case AdoDouble:
        return StoredType{TypeDouble, 8, true};
    case AdoCurrency:
        return StoredType{TypeCurrency, 8, true};
    case AdoDate:
        return StoredType{TypeDateTime, 8, true};
    case AdoGuid:
        return StoredType{TypeGuid, 16, true};
    case AdoNumeric:
        return StoredType{TypeNumeric, 17, true};
    case AdoWChar:
        if (length == 0)
            return StoredType{TypeMemo, 0, false};
        return StoredType{TypeText, static_cast<quint16>(2 * length), false};
    case AdoBinary:
        if (length == 0)
            return StoredType{TypeOle, 0, false};
        if (length > kMaxBinaryBytes)
            return std::nullopt;
        return StoredType{TypeBinary, static_cast<quint16>(length), false};
    default:
        return std::nullopt;
    }
}

void insertRows(PageFile& file, PageAllocator& allocator, TableDef& def,
                const QList<RowValues>& rows, KeyFormat format) {
    for (const RowValues& values : rows)
        InsertRow(file, allocator, def, EncodeRow(def, values));
    for (int i = 0; i < def.realIndexes.size(); ++i)
        FillIndexFromRows(file, allocator, def, i, format);
    WriteTableDef(file, allocator, def);
}

QByteArray emptyInlineMap() {
    return QByteArray(kMapRowSize, '\0');
}

TableDef buildDefinition(const CreateTableStmt& s, quint8 sortVersion) {
    TableDef def;
    def.header = QByteArray(kHeaderBytes, '\0');
    PutU32(def.header, 12 - 8, 1625);
    PutU8(def.header, 24 - 8, 1); // AutoNumber columns need it; every file has it
    def.tableType = kUserTable;
    quint16 fixedOffset = 0;
    quint16 slot = 0;
    for (const DdlColumn& ddl : s.columns) {
        ColumnDef c = *NewColumnDef(ddl.column, sortVersion);
        c.number = static_cast<quint16>(def.columns.size());
        c.spareNumber = c.number;
        c.varIndex = slot;
        if (!c.IsFixed()) {
            ++slot;
        } else if (c.type != TypeBoolean) {
            c.fixedOffset = fixedOffset;
            fixedOffset = static_cast<quint16>(fixedOffset + c.length);
        }
        def.columns.append(c);
    }
    def.maxColumns = static_cast<quint16>(def.columns.size());
    def.varColumns = slot;
    return def;
}

} // namespace

void RequireValidName(const QString& name) {
    bool valid = !name.isEmpty() && name.size() <= kMaxNameLength && !name.startsWith(' ');
    for (QChar ch : name)
        valid = valid && ch.unicode() >= 0x20 && !QStringLiteral(".![]`").contains(ch);
    if (!valid)
        RaiseDdlError(QStringLiteral("'%1' is not a valid name.").arg(name));
}

std::optional<ColumnDef> NewColumnDef(const Column& column, quint8 sortVersion) {
    const std::optional<StoredType> stored = storedType(column);
    if (!stored)
        return std::nullopt;
    ColumnDef c;
    c.type = stored->type;
    c.name = column.name;
    c.length = stored->length;
    c.flags = kAlwaysSetFlag | (stored->fixed ? kFixedFlag : 0) |
              (column.autoNumber ? kAutoNumberFlag : 0);
    if (stored->type == TypeText || stored->type == TypeMemo)
        c.typeInfo = {quint8(kGeneralLcid & 0xff), quint8(kGeneralLcid >> 8), 0, sortVersion};
    if (stored->type == TypeNumeric)
        c.typeInfo = {quint8(column.precision.value_or(18)), quint8(column.scale.value_or(0)), 0,
                      0};
    return c;
}

std::optional<QString> WhyCreateTableNotWritable(const CreateTableStmt& s) {
    for (const DdlColumn& c : s.columns) {
        if (!storedType(c.column))
            return QStringLiteral("Vantor cannot create the column '%1' in an Access file: its "
                                  "type is not one it writes yet.")
                .arg(c.column.name);
    }
    return std::nullopt;
}

void CreateTable(PageFile& file, PageAllocator& allocator, const CreateTableStmt& s,
                 KeyFormat format, quint8 sortVersion) {
    RequireValidName(s.table);
    if (s.columns.isEmpty() || s.columns.size() > kMaxColumns)
        RaiseDdlError(QStringLiteral("A table has 1 to 255 fields; '%1' has %2.")
                          .arg(s.table)
                          .arg(s.columns.size()));
    for (qsizetype i = 0; i < s.columns.size(); ++i) {
        RequireValidName(s.columns[i].column.name);
        for (qsizetype j = 0; j < i; ++j)
            if (SameName(s.columns[i].column.name, s.columns[j].column.name))
                RaiseDdlError(QStringLiteral("Field '%1' already exists in table '%2'.")
                                  .arg(s.columns[i].column.name, s.table));
    }
    if (std::optional<QString> why = WhyCreateTableNotWritable(s))
        RaiseDdlError(*why);

    const QList<CatalogObject> catalog = ReadCatalog(file);
    qint32 container = 0;
    bool haveContainer = false;
    for (const CatalogObject& o : catalog)
        if (o.parentId == kTopParentId && o.name == QLatin1String("Tables")) {
            container = o.id;
            haveContainer = true;
        }
    if (!haveContainer)
        RaiseDamaged(QStringLiteral("the catalog has no Tables container"));
    for (const CatalogObject& o : catalog)
        if (o.parentId == container && SameName(o.name, s.table))
            RaiseDdlError(QStringLiteral("Table '%1' already exists.").arg(o.name));

    QList<ColumnProperties> properties;
    for (const DdlColumn& c : s.columns)
        properties.append(
            {c.column.name, !c.alwaysRequired && c.nullable == false, c.column.defaultValue});
    const QByteArray blob = BuildPropertyBlob(properties);
    if (blob.size() > kMaxPropertyBlob)
        RaiseDdlError(QStringLiteral("Vantor cannot store this many field properties for table "
                                     "'%1' yet.")
                          .arg(s.table));

    // The definition and its usage maps.
    TableDef def = buildDefinition(s, sortVersion);
    QByteArray blank(file.PageSize(), '\0');
    PutU8(blank, 0, kTableDefPageType);
    PutU8(blank, 1, 0x01);
    def.page = allocator.NewPage(blank);
    def.ownedMap = AddMapRow(file, allocator, def, emptyInlineMap()).Raw();
    def.freeMap = AddMapRow(file, allocator, def, emptyInlineMap()).Raw();
    for (const ColumnDef& c : def.columns)
        if (c.IsLongValue()) {
            const quint32 owned = AddMapRow(file, allocator, def, emptyInlineMap()).Raw();
            const quint32 free = AddMapRow(file, allocator, def, emptyInlineMap()).Raw();
            def.longValueMaps.append({c.number, owned, free});
        }
    WriteTableDef(file, allocator, def);

    // The catalog row, owned as the database is.
    TableDef objects = ReadTableDef(file, kCatalogPage);
    QByteArray owner;
    const qsizetype ownerColumn = ColumnPosition(objects, "Owner");
    const qsizetype idColumn = ColumnPosition(objects, "Id");
    ForEachRow(file, objects, [&](RowPointer, const QByteArray& row) {
        const RowValues values = DecodeRow(objects, row);
        const std::optional<QByteArray>& id = values.value(idColumn);
        if (id && *id == Le32(quint32(kDatabaseObjectId)) && values.value(ownerColumn))
            owner = *values.value(ownerColumn);
    });
    RowValues object(objects.columns.size());
    const QByteArray now = JetNow();
    object[idColumn] = Le32(def.page);
    object[ColumnPosition(objects, "ParentId")] = Le32(quint32(container));
    object[ColumnPosition(objects, "Name")] = Utf16(s.table);
    object[ColumnPosition(objects, "Type")] = QByteArray("\x01\x00", 2);
    object[ColumnPosition(objects, "DateCreate")] = now;
    object[ColumnPosition(objects, "DateUpdate")] = now;
    if (!owner.isEmpty())
        object[ownerColumn] = owner;
    object[ColumnPosition(objects, "Flags")] = Le32(0);
    if (!blob.isEmpty())
        object[ColumnPosition(objects, "LvProp")] = InlineLongValue(blob);
    insertRows(file, allocator, objects, {object}, format);

    // The permissions every new table inherits from the Tables container.
    for (const CatalogObject& o : catalog) {
        if (o.parentId != container || o.name != QLatin1String("MSysACEs"))
            continue;
        TableDef aces = ReadTableDef(file, quint32(o.id));
        const qsizetype objectColumn = ColumnPosition(aces, "ObjectId");
        const qsizetype accessColumn = ColumnPosition(aces, "ACM");
        const qsizetype inheritColumn = ColumnPosition(aces, "FInheritable");
        QList<RowValues> rows;
        ForEachRow(file, aces, [&](RowPointer, const QByteArray& row) {
            RowValues values = DecodeRow(aces, row);
            const std::optional<QByteArray>& id = values.value(objectColumn);
            const std::optional<QByteArray>& access = values.value(accessColumn);
            const std::optional<QByteArray>& inherit = values.value(inheritColumn);
            if (!id || *id != Le32(quint32(container)) || !inherit || inherit->isEmpty() ||
                inherit->at(0) == 0 || (access && *access == Le32(quint32(kCreatorAccess))))
                return;
            values[objectColumn] = Le32(def.page);
            values[inheritColumn] = QByteArray(1, '\0');
            rows.append(values);
        });
        insertRows(file, allocator, aces, rows, format);
    }

    AddConstraints(file, allocator, s.table, ConstraintsInOrder(s.columns, s.constraints), format);
}

} // namespace vantor::jet
