#include "engine/access/writer/SavedQueries.h"

#include "engine/access/writer/CatalogRows.h"
#include "engine/access/writer/ColumnProperties.h"
#include "engine/access/writer/DataPage.h"
#include "engine/access/writer/IndexBuild.h"
#include "engine/access/writer/PageAllocator.h"
#include "engine/access/writer/PageFile.h"
#include "engine/access/writer/RowWriter.h"
#include "engine/access/writer/TableScan.h"
#include "engine/access/writer/UsageMap.h"
#include "model/Error.h"

#include <QDateTime>
#include <QHash>
#include <cstring>
#include <limits>

namespace vantor::jet {

namespace {

constexpr qint32 kDatabaseObjectId = 0x10000000;
constexpr qint16 kQueryObjectType = 5;
constexpr int kMaxNameLength = 64;
constexpr int kMaxTextField = 255;
// The Tables container's entry for whoever creates an object; Access gives a new object the
// container's other inheritable entries, not this one.
constexpr qint32 kCreatorAccess = 983294;
// Room a row needs beside its bytes on a data page: the page header and its slot.
constexpr int kRowOverhead = 16;
constexpr int kFreeSpaceOffset = 2;
constexpr int kOwnerOffset = 4;
constexpr int kSlotCountOffset = 12;
constexpr int kSlotTableOffset = 14;
constexpr int kMaxRowsPerPage = 255;

void requireValidName(const QString& name) {
    bool valid = !name.isEmpty() && name.size() <= kMaxNameLength && !name.startsWith(' ');
    for (QChar ch : name)
        valid = valid && ch.unicode() >= 0x20 && !QStringLiteral(".![]`").contains(ch);
    if (!valid)
        RaiseDdlError(QStringLiteral("'%1' is not a valid name. Make sure that it does not include "
                                     "invalid characters or punctuation and that it is not too "
                                     "long.")
                          .arg(name));
}

QByteArray le16(quint16 value) {
    QByteArray out;
    AppendU16(out, value);
    return out;
}

qint32 longAt(const RowValues& values, qsizetype position) {
    const std::optional<QByteArray>& value = values.value(position);
    return value && value->size() == 4 ? qint32(U32(*value, 0)) : 0;
}

int objectFlags(QueryKind kind) {
    switch (kind) {
    case QueryKind::Crosstab:
        return 16;
    case QueryKind::Delete:
        return 32;
    case QueryKind::Update:
        return 48;
    case QueryKind::Append:
        return 64;
    case QueryKind::MakeTable:
        return 80;
    case QueryKind::Union:
        return 128;
    default:
        return 0;
    }
}

void refillIndexes(PageFile& file, PageAllocator& allocator, TableDef& def, KeyFormat format) {
    for (int i = 0; i < def.realIndexes.size(); ++i)
        FillIndexFromRows(file, allocator, def, i, format);
    WriteTableDef(file, allocator, def);
}

void deleteRowsOf(PageFile& file, PageAllocator& allocator, TableDef& def, qsizetype idColumn,
                  qint32 id, KeyFormat format) {
    QList<RowPointer> doomed;
    ForEachRow(file, def, [&](RowPointer where, const QByteArray& row) {
        if (longAt(DecodeRow(def, row), idColumn) == id)
            doomed.append(where);
    });
    if (doomed.isEmpty())
        return;
    for (RowPointer where : doomed)
        DeleteRow(file, def, where);
    refillIndexes(file, allocator, def, format);
}

struct Catalog {
    QList<CatalogObject> objects;
    qint32 tables = 0;

    const CatalogObject* find(const QString& name) const {
        for (const CatalogObject& o : objects)
            if (o.parentId == tables && SameName(o.name, name))
                return &o;
        return nullptr;
    }

    quint32 systemTablePage(const char* name) const {
        const CatalogObject* table = find(QLatin1String(name));
        if (!table || table->type != kTableObjectType)
            RaiseDamaged(QStringLiteral("the catalog has no table %1").arg(QLatin1String(name)));
        return quint32(table->id);
    }
};

Catalog readCatalog(const PageFile& file) {
    Catalog catalog{ReadCatalog(file), 0};
    bool found = false;
    for (const CatalogObject& o : catalog.objects)
        if (o.parentId == kTopParentId && o.name == QLatin1String("Tables")) {
            catalog.tables = o.id;
            found = true;
        }
    if (!found)
        RaiseDamaged(QStringLiteral("the catalog has no Tables container"));
    return catalog;
}

// Objects other than tables take ids counting up from the smallest Long.
qint32 nextObjectId(const Catalog& catalog) {
    qint32 largest = std::numeric_limits<qint32>::min();
    bool any = false;
    for (const CatalogObject& o : catalog.objects)
        if (o.id < 0) {
            largest = any ? std::max(largest, o.id) : o.id;
            any = true;
        }
    if (!any)
        return std::numeric_limits<qint32>::min();
    if (largest == -1)
        RaiseDdlError(QStringLiteral("The database has no object number left for a new query."));
    return largest + 1;
}

// The stored form of each row, by the MSysQueries columns.
QList<RowValues> encodeQueryRows(const TableDef& def, qint32 id, const jetsql::QueryRows& rows,
                                 int pageSize) {
    const qsizetype object = ColumnPosition(def, "ObjectId");
    const qsizetype attribute = ColumnPosition(def, "Attribute");
    const qsizetype order = ColumnPosition(def, "Order");
    const qsizetype name1 = ColumnPosition(def, "Name1");
    const qsizetype name2 = ColumnPosition(def, "Name2");
    const qsizetype expression = ColumnPosition(def, "Expression");
    const qsizetype flag = ColumnPosition(def, "Flag");
    const qsizetype extra = ColumnPosition(def, "LvExtra");
    QHash<int, quint32> counters;
    QList<RowValues> out;
    for (const QueryRow& r : rows) {
        for (const QString* name : {&r.name1, &r.name2})
            if (name->size() > kMaxTextField)
                RaiseDdlError(QStringLiteral("Vantor cannot store the name '%1…' in a saved "
                                             "query: Access keeps at most 255 characters there.")
                                  .arg(name->left(20)));
        RowValues values(def.columns.size());
        values[object] = Le32(quint32(id));
        values[attribute] = QByteArray(1, char(quint8(r.attribute)));
        const quint32 n = ++counters[r.attribute];
        QByteArray bigEndian;
        for (int shift : {24, 16, 8, 0})
            bigEndian.append(char(quint8(n >> shift)));
        values[order] = bigEndian;
        if (!r.name1.isEmpty())
            values[name1] = Utf16(r.name1);
        if (!r.name2.isEmpty())
            values[name2] = Utf16(r.name2);
        if (!r.expression.isEmpty())
            values[expression] = InlineLongValue(Utf16(r.expression));
        if (r.flag)
            values[flag] = le16(quint16(qint16(*r.flag)));
        if (r.extra)
            values[extra] = Le32(quint32(*r.extra));
        // Access moves a long clause out of the row; Vantor keeps every clause in its row.
        bool fits = true;
        try {
            fits = EncodeRow(def, values).size() <= pageSize - kRowOverhead;
        } catch (const Error&) {
            fits = false;
        }
        if (!fits)
            RaiseDdlError(QStringLiteral("Vantor cannot store a clause of more than about %1 "
                                         "characters in a saved query yet.")
                              .arg((pageSize - kRowOverhead) / 2 - 100));
        out.append(values);
    }
    return out;
}

// Makes sure the next row of the table lands after every row it has: on its last page when the
// row fits there (InsertRow tries that page first), else on a new page at the file's end.
void roomAfterLastRow(PageFile& file, PageAllocator& allocator, const TableDef& def,
                      qsizetype rowSize) {
    const RowPointer ownedMap = RowPointer::FromRaw(def.ownedMap);
    const RowPointer freeMap = RowPointer::FromRaw(def.freeMap);
    const UsageMap owned = ReadUsageMap(file, ownedMap);
    if (!owned.pages.isEmpty() && ReadUsageMap(file, freeMap).Contains(owned.pages.last())) {
        const QByteArray last = file.Page(owned.pages.last());
        if (U8(last, 0) == kDataPageType && U32(last, kOwnerOffset) == def.page &&
            U16(last, kSlotCountOffset) < kMaxRowsPerPage &&
            U16(last, kFreeSpaceOffset) >= rowSize + 2)
            return;
    }
    QByteArray fresh(file.PageSize(), '\0');
    PutU8(fresh, 0, kDataPageType);
    PutU8(fresh, 1, 0x01);
    PutU16(fresh, kFreeSpaceOffset, static_cast<quint16>(file.PageSize() - kSlotTableOffset));
    PutU32(fresh, kOwnerOffset, def.page);
    const quint32 page = allocator.PageAtEnd(fresh);
    AddPageToMap(file, allocator, ownedMap, page);
    AddPageToMap(file, allocator, freeMap, page);
}

// The reader puts a query together from its rows in the order they lie in the file: the last
// check that every row of the query was stored, each after the one before it.
void requireStoredOrder(const PageFile& file, const TableDef& def, qint32 id,
                        const jetsql::QueryRows& rows, const QString& name) {
    const qsizetype object = ColumnPosition(def, "ObjectId");
    const qsizetype attribute = ColumnPosition(def, "Attribute");
    const qsizetype order = ColumnPosition(def, "Order");
    QHash<int, quint32> last;
    bool inOrder = true;
    qsizetype count = 0;
    ForEachRow(file, def, [&](RowPointer, const QByteArray& row) {
        const RowValues values = DecodeRow(def, row);
        if (longAt(values, object) != id)
            return;
        const std::optional<QByteArray>& a = values.value(attribute);
        const std::optional<QByteArray>& o = values.value(order);
        if (!a || a->size() != 1 || !o || o->size() != 4) {
            inOrder = false;
            return;
        }
        const quint32 n = (quint32(quint8(o->at(0))) << 24) | (quint32(quint8(o->at(1))) << 16) |
                          (quint32(quint8(o->at(2))) << 8) | quint32(quint8(o->at(3)));
        quint32& previous = last[quint8(a->at(0))];
        inOrder = inOrder && n == previous + 1;
        previous = n;
        ++count;
    });
    if (!inOrder || count != rows.size())
        RaiseDdlError(QStringLiteral("Vantor cannot store the saved query '%1' in this file yet: "
                                     "its rows would not lie in their order.")
                          .arg(name));
}

// The permissions a new object inherits from the Tables container.
void inheritPermissions(PageFile& file, PageAllocator& allocator, const Catalog& catalog, qint32 id,
                        KeyFormat format) {
    const CatalogObject* table = catalog.find(QStringLiteral("MSysACEs"));
    if (!table)
        return;
    TableDef aces = ReadTableDef(file, quint32(table->id));
    const qsizetype objectColumn = ColumnPosition(aces, "ObjectId");
    const qsizetype accessColumn = ColumnPosition(aces, "ACM");
    const qsizetype inheritColumn = ColumnPosition(aces, "FInheritable");
    QList<RowValues> rows;
    ForEachRow(file, aces, [&](RowPointer, const QByteArray& row) {
        RowValues values = DecodeRow(aces, row);
        const std::optional<QByteArray>& inherit = values.value(inheritColumn);
        if (longAt(values, objectColumn) != catalog.tables || !inherit || inherit->isEmpty() ||
            inherit->at(0) == 0 || longAt(values, accessColumn) == kCreatorAccess)
            return;
        values[objectColumn] = Le32(quint32(id));
        values[inheritColumn] = QByteArray(1, '\0');
        rows.append(values);
    });
    for (const RowValues& values : rows)
        InsertRow(file, allocator, aces, EncodeRow(aces, values));
    refillIndexes(file, allocator, aces, format);
}

void addCatalogRow(PageFile& file, PageAllocator& allocator, const Catalog& catalog, qint32 id,
                   const QString& name, QueryKind kind, KeyFormat format) {
    TableDef objects = ReadTableDef(file, kCatalogPage);
    const qsizetype idColumn = ColumnPosition(objects, "Id");
    const qsizetype ownerColumn = ColumnPosition(objects, "Owner");
    QByteArray owner;
    ForEachRow(file, objects, [&](RowPointer, const QByteArray& row) {
        const RowValues values = DecodeRow(objects, row);
        if (longAt(values, idColumn) == kDatabaseObjectId && values.value(ownerColumn))
            owner = *values.value(ownerColumn);
    });
    RowValues object(objects.columns.size());
    const QByteArray now = JetNow();
    object[idColumn] = Le32(quint32(id));
    object[ColumnPosition(objects, "ParentId")] = Le32(quint32(catalog.tables));
    object[ColumnPosition(objects, "Name")] = Utf16(name);
    object[ColumnPosition(objects, "Type")] = le16(quint16(kQueryObjectType));
    object[ColumnPosition(objects, "DateCreate")] = now;
    object[ColumnPosition(objects, "DateUpdate")] = now;
    if (!owner.isEmpty())
        object[ownerColumn] = owner;
    object[ColumnPosition(objects, "Flags")] = Le32(quint32(objectFlags(kind)));
    InsertRow(file, allocator, objects, EncodeRow(objects, object));
    refillIndexes(file, allocator, objects, format);
}

// Whether the stored rows make a select query without parameters: what the reader shows as a
// view.
bool storedAsView(const PageFile& file, const TableDef& def, const CatalogObject& query) {
    const qsizetype object = ColumnPosition(def, "ObjectId");
    const qsizetype attribute = ColumnPosition(def, "Attribute");
    const qsizetype flag = ColumnPosition(def, "Flag");
    QList<QueryRow> rows;
    ForEachRow(file, def, [&](RowPointer, const QByteArray& row) {
        const RowValues values = DecodeRow(def, row);
        if (longAt(values, object) != query.id)
            return;
        QueryRow r;
        const std::optional<QByteArray>& a = values.value(attribute);
        r.attribute = a && a->size() == 1 ? quint8(a->at(0)) : -1;
        const std::optional<QByteArray>& f = values.value(flag);
        if (f && f->size() == 2)
            r.flag = qint16(U16(*f, 0));
        rows.append(r);
    });
    return IsPlainSelectQuery(rows, query.flags);
}

std::variant<jetsql::StorableQuery, QString>
viewOnly(std::variant<jetsql::StorableQuery, QString> q) {
    if (const auto* query = std::get_if<jetsql::StorableQuery>(&q); query && !query->plainSelect)
        return QStringLiteral("Only simple SELECT queries are allowed in VIEWS.");
    return q;
}

} // namespace

std::variant<jetsql::StorableQuery, QString> StoredQueryOf(const CreateViewStmt& statement) {
    return viewOnly(jetsql::StoreQuery(statement.definition));
}

std::variant<jetsql::StorableQuery, QString> StoredQueryOf(const CreateProcedureStmt& statement) {
    QString sql;
    if (!statement.parameters.isEmpty()) {
        QStringList declared;
        for (const QueryParameter& p : statement.parameters)
            declared << p.name + u' ' + p.type;
        sql = QStringLiteral("PARAMETERS ") + declared.join(QStringLiteral(", ")) +
              QStringLiteral(";\r\n");
    }
    return jetsql::StoreQuery(sql + statement.statement);
}

void CreateSavedQuery(PageFile& file, PageAllocator& allocator, const QString& name,
                      const jetsql::StorableQuery& query, KeyFormat format) {
    requireValidName(name);
    const Catalog catalog = readCatalog(file);
    if (const CatalogObject* taken = catalog.find(name))
        RaiseDdlError(QStringLiteral("Table '%1' already exists.").arg(taken->name));
    const qint32 id = nextObjectId(catalog);

    TableDef queries = ReadTableDef(file, catalog.systemTablePage("MSysQueries"));
    for (const RowValues& values : encodeQueryRows(queries, id, query.rows, file.PageSize())) {
        const QByteArray row = EncodeRow(queries, values);
        roomAfterLastRow(file, allocator, queries, row.size());
        InsertRow(file, allocator, queries, row);
    }
    refillIndexes(file, allocator, queries, format);
    requireStoredOrder(file, queries, id, query.rows, name);

    addCatalogRow(file, allocator, catalog, id, name, query.kind, format);
    inheritPermissions(file, allocator, catalog, id, format);
}

void DropSavedQuery(PageFile& file, PageAllocator& allocator, const QString& name, bool view,
                    KeyFormat format) {
    const Catalog catalog = readCatalog(file);
    const CatalogObject* query = catalog.find(name);
    TableDef queries = ReadTableDef(file, catalog.systemTablePage("MSysQueries"));
    if (!query || query->type != kQueryObjectType || (view && !storedAsView(file, queries, *query)))
        RaiseDdlError((view ? QStringLiteral("View '%1' does not exist.")
                            : QStringLiteral("Procedure '%1' does not exist."))
                          .arg(name));
    const qint32 id = query->id;
    deleteRowsOf(file, allocator, queries, ColumnPosition(queries, "ObjectId"), id, format);
    TableDef objects = ReadTableDef(file, kCatalogPage);
    deleteRowsOf(file, allocator, objects, ColumnPosition(objects, "Id"), id, format);
    if (const CatalogObject* table = catalog.find(QStringLiteral("MSysACEs"))) {
        TableDef aces = ReadTableDef(file, quint32(table->id));
        deleteRowsOf(file, allocator, aces, ColumnPosition(aces, "ObjectId"), id, format);
    }
}

} // namespace vantor::jet
