#include "engine/access/reader/MdbSchemaReader.h"

#include "engine/access/AccessCatalog.h"
#include "engine/access/JetHeader.h"
#include "engine/access/OfficeCrypto.h"
#include "engine/access/QuerySql.h"
#include "engine/access/reader/CatalogPages.h"
#include "engine/access/reader/LibraryOutput.h"
#include "engine/access/reader/SavedQueryRows.h"
#include "engine/access/reader/StoredTextChecks.h"
#include "engine/access/reader/WatchedPages.h"

#include <mdbtools.h>

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMap>
#include <QRegularExpression>
#include <QSet>
#include <iconv.h>
#include <memory>
#include <numeric>
#include <tuple>
#include <vector>

namespace vantor {

namespace {

constexpr size_t kBindSize = size_t(1) << 20;

struct HandleCloser {
    void operator()(MdbHandle* mdb) const { mdb_close(mdb); }
};
struct TableFreer {
    void operator()(MdbTableDef* table) const { mdb_free_tabledef(table); }
};
using Handle = std::unique_ptr<MdbHandle, HandleCloser>;
using TableHandle = std::unique_ptr<MdbTableDef, TableFreer>;

QString text(const char* utf8) {
    return utf8 ? QString::fromUtf8(utf8) : QString();
}

// The rows of a catalog table, each value as the text libmdb makes of it (empty for null).
class RowCursor {
public:
    RowCursor(MdbTableDef* table, const QStringList& columns) : table_(table) {
        // libmdb keeps the addresses it is given, so every Bound stays where it is made.
        bound_ = std::vector<Bound>(static_cast<size_t>(columns.size()));
        for (qsizetype i = 0; i < columns.size(); ++i) {
            Bound& b = bound_[static_cast<size_t>(i)];
            // Left uninitialised: libmdb writes only what a value needs, and pages untouched
            // stay free.
            b.buffer = std::make_unique_for_overwrite<char[]>(kBindSize + 1);
            b.buffer[0] = 0;
            QByteArray utf8 = columns[i].toUtf8();
            b.present = mdb_bind_column_by_name(table, utf8.data(), b.buffer.get(), &b.length) >= 0;
        }
        mdb_rewind_table(table);
    }

    bool Next() {
        for (Bound& b : bound_) {
            b.length = 0;
            b.buffer[0] = 0;
        }
        return mdb_fetch_row(table_) != 0;
    }
    QString Text(int i) const {
        const Bound& b = bound_[static_cast<size_t>(i)];
        if (!b.present || b.length <= 0)
            return QString();
        // libmdb cuts a value one byte short of the bind size without a word; a cut definition
        // is not one.
        if (static_cast<size_t>(b.length) >= kBindSize - 1)
            throw UnreadableFile("A catalog value is longer than the reader can take.");
        return QString::fromUtf8(b.buffer.get(), b.length);
    }
    std::optional<qint64> Number(int i) const {
        const Bound& b = bound_[static_cast<size_t>(i)];
        if (!b.present || b.length <= 0)
            return std::nullopt;
        if (static_cast<size_t>(b.length) >= kBindSize - 1)
            throw UnreadableFile("A catalog value is longer than the reader can take.");
        bool ok = false;
        const qint64 v = QByteArrayView(b.buffer.get(), b.length).toLongLong(&ok);
        return ok ? std::optional<qint64>(v) : std::nullopt;
    }

private:
    struct Bound {
        std::unique_ptr<char[]> buffer;
        int length = 0;
        bool present = false;
    };
    MdbTableDef* table_;
    std::vector<Bound> bound_;
};

TableHandle openTable(MdbCatalogEntry* entry, bool withIndexes = false) {
    TableHandle table(mdb_read_table(entry));
    if (!table || !mdb_read_columns(table.get()))
        return nullptr;
    // libmdb parses the indexes from the page left in its buffer by reading the columns, so
    // nothing may read another page in between; it leaves its answer in the table whatever it
    // returns.
    if (withIndexes)
        mdb_read_indices(table.get());
    return table;
}

MdbCatalogEntry* catalogEntry(MdbHandle* mdb, auto matches) {
    for (guint i = 0; mdb->catalog && i < mdb->catalog->len; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
        if (entry->object_type == MDB_TABLE && matches(*entry))
            return entry;
    }
    return nullptr;
}

// Forms, reports, macros and modules may share a table's name and come first in the catalog,
// so a table is found by its name together with its kind.
MdbCatalogEntry* systemTableEntry(MdbHandle* mdb, const char* name) {
    return catalogEntry(mdb, [name](const MdbCatalogEntry& e) {
        return g_ascii_strcasecmp(e.object_name, name) == 0;
    });
}

MdbCatalogEntry* tableEntryOnPage(MdbHandle* mdb, guint32 page) {
    return catalogEntry(mdb, [page](const MdbCatalogEntry& e) { return e.table_pg == page; });
}

TableHandle openCatalogTable(MdbHandle* mdb, const char* name) {
    MdbCatalogEntry* entry = systemTableEntry(mdb, name);
    return entry ? openTable(entry) : nullptr;
}

struct CatalogObject {
    qint64 id = 0;
    QString name;
    qint32 type = 0;
    qint64 flags = 0;
    QString database; // links: the other file or data source
    QString connect;
    QString foreignName;
};

[[noreturn]] void damaged(const QString& reason) {
    throw DamagedFile(reason.toStdString());
}

struct Catalog {
    QList<CatalogObject> objects; // the named rows
    CatalogAsRead asRead;
};

// Tables, Access's own included, and the queries users save follow the naming rules; Access
// names its other objects with characters users cannot type.
bool followsNamingRules(const CatalogObject& o) {
    if (TableKindOf(o.type, o.flags))
        return true;
    return o.type == kObjectTypeQuery && !o.name.startsWith(QLatin1Char('~'));
}

Catalog readObjects(MdbHandle* mdb) {
    TableHandle table = openCatalogTable(mdb, "MSysObjects");
    if (!table)
        throw UnreadableFile("The catalog table cannot be read.");
    RowCursor rows(table.get(),
                   {"Id", "Name", "Type", "Flags", "Database", "Connect", "ForeignName"});
    Catalog catalog;
    QList<CatalogObject>& out = catalog.objects;
    while (rows.Next()) {
        ++catalog.asRead.rows;
        CatalogObject o;
        o.id = rows.Number(0).value_or(0);
        o.name = rows.Text(1);
        o.type = static_cast<qint32>(rows.Number(2).value_or(0));
        o.flags = rows.Number(3).value_or(0);
        o.database = WithoutPassword(rows.Text(4));
        o.connect = WithoutPassword(rows.Text(5));
        o.foreignName = rows.Text(6);
        if (o.type == kObjectTypeTable)
            catalog.asRead.tables.append({o.name, static_cast<quint32>(o.id & 0x00FFFFFF)});
        // Every object Access keeps has a name; a row without one lost it.
        if (o.name.isEmpty())
            damaged(
                QStringLiteral("The catalog row of the object with id %1 has no name.").arg(o.id));
        if (QString why = WhyNameIsDamaged(o.name, !followsNamingRules(o)); !why.isEmpty())
            damaged(QStringLiteral("The catalog row of object '%1' (id %2) is damaged: its name "
                                   "is not one Access writes, as %3.")
                        .arg(o.name)
                        .arg(o.id)
                        .arg(why));
        out.append(o);
    }
    return catalog;
}

QHash<QString, QString> propertiesOf(const MdbProperties* props) {
    QHash<QString, QString> out;
    if (!props || !props->hash)
        return out;
    g_hash_table_foreach(
        props->hash,
        [](gpointer key, gpointer value, gpointer user) {
            static_cast<QHash<QString, QString>*>(user)->insert(
                text(static_cast<const char*>(key)), text(static_cast<const char*>(value)));
        },
        &out);
    return out;
}

// A table definition as one run of bytes: the first page whole, then each page it continues on
// without that page's 8-byte header, as Jet chains them.
QByteArray definitionBytes(MdbHandle* mdb, guint32 page, const QString& tableName) {
    const int pageSize = mdb->fmt->pg_size;
    QByteArray out;
    QList<guint32> seen;
    while (page != 0) {
        if (seen.contains(page) || mdb_read_pg(mdb, page) != pageSize)
            throw DamagedFile(
                QStringLiteral("The definition of table '%1' continues on a page that cannot be "
                               "read.")
                    .arg(tableName)
                    .toStdString());
        seen.append(page);
        const char* bytes = reinterpret_cast<const char*>(mdb->pg_buf);
        const int skip = out.isEmpty() ? 0 : 8;
        out.append(bytes + skip, pageSize - skip);
        page = static_cast<guint32>(mdb_get_int32(mdb->pg_buf, 4));
    }
    return out;
}

// Little-endian reads that refuse to run past the definition's end.
class DefinitionBytes {
public:
    DefinitionBytes(QByteArray bytes, QString tableName)
        : bytes_(std::move(bytes)), tableName_(std::move(tableName)) {}
    quint32 At(qsizetype pos, int size) const {
        if (pos < 0 || pos + size > bytes_.size())
            throw DamagedFile(QStringLiteral("The definition of table '%1' ends before its "
                                             "indexes do.")
                                  .arg(tableName_)
                                  .toStdString());
        quint32 v = 0;
        for (int i = size - 1; i >= 0; --i)
            v = (v << 8) | static_cast<quint8>(bytes_[pos + i]);
        return v;
    }

private:
    QByteArray bytes_;
    QString tableName_;
};

struct RealIndex {
    QList<std::pair<quint32, bool>> columns; // column number, descending
    int flags = 0;
};

// libmdb gives an index the columns of the physical index whose number equals the logical
// one's, which holds only until an index or column is deleted (and loses the columns of
// indexes that share one); the logical entry names its physical index, so the reader follows
// that instead and takes only names and types from libmdb.
QList<Index> indexesOf(MdbTableDef* table, const DefinitionBytes& def, const QString& tableName,
                       bool jet3) {
    MdbHandle* mdb = table->entry->mdb;
    GPtrArray* indexes = table->indices;
    if (!indexes)
        throw UnreadableFile(QStringLiteral("The indexes of table '%1' cannot be read.")
                                 .arg(tableName)
                                 .toStdString());
    const MdbFormatConstants* fmt = mdb->fmt;
    const quint32 columnCount = def.At(fmt->tab_num_cols_offset, 2);
    const quint32 logicalCount = def.At(fmt->tab_num_idxs_offset, 4);
    const quint32 realCount = def.At(fmt->tab_num_ridxs_offset, 4);
    if (logicalCount != indexes->len || realCount > logicalCount)
        throw UnreadableFile(QStringLiteral("The indexes of table '%1' do not add up.")
                                 .arg(tableName)
                                 .toStdString());
    qsizetype pos = fmt->tab_cols_start_offset + qsizetype(realCount) * fmt->tab_ridx_entry_size +
                    qsizetype(columnCount) * fmt->tab_col_entry_size;
    for (quint32 i = 0; i < columnCount; ++i) // the column names
        pos += (jet3 ? 1 : 2) + def.At(pos, jet3 ? 1 : 2);

    constexpr qsizetype kKeySlots = 10;
    constexpr quint32 kNoColumn = 0xFFFF;
    QList<RealIndex> real;
    for (quint32 i = 0; i < realCount; ++i) {
        const qsizetype block = pos + (jet3 ? 0 : 4);
        RealIndex r;
        for (qsizetype k = 0; k < kKeySlots; ++k) {
            quint32 column = def.At(block + 3 * k, 2);
            if (column != kNoColumn)
                r.columns.append({column, def.At(block + 3 * k + 2, 1) == 0});
        }
        r.flags = static_cast<int>(def.At(block + 3 * kKeySlots + (jet3 ? 8 : 12), 1));
        real.append(r);
        pos += jet3 ? 39 : 52;
    }

    QStringList names;
    for (guint i = 0; i < indexes->len; ++i)
        names.append(text(static_cast<MdbIndex*>(g_ptr_array_index(indexes, i))->name));
    if (QString why = WhyIndexNamesAreDamaged(names); !why.isEmpty())
        damaged(QStringLiteral("The indexes of table '%1' (page %2) are damaged: %3.")
                    .arg(tableName)
                    .arg(table->entry->table_pg)
                    .arg(why));

    constexpr int kForeignKeyIndex = 2;
    // Since Access 2000 every index has 0x80 set; only these bits mean anything to a user.
    constexpr int kKnownFlags = MDB_IDX_UNIQUE | MDB_IDX_IGNORENULLS | MDB_IDX_REQUIRED;
    QList<Index> out;
    for (guint i = 0; i < indexes->len; ++i, pos += jet3 ? 20 : 28) {
        auto* idx = static_cast<MdbIndex*>(g_ptr_array_index(indexes, i));
        const quint32 realNumber = def.At(pos + (jet3 ? 4 : 8), 4);
        const auto type = static_cast<int>(def.At(pos + (jet3 ? 19 : 23), 1));
        // Relationship indexes come back with the relationship itself; Access names the ones
        // it makes for itself ".rC...".
        if (type == kForeignKeyIndex || g_str_has_prefix(idx->name, ".rC"))
            continue;
        if (realNumber >= realCount)
            throw UnreadableFile(QStringLiteral("Index '%1' of table '%2' has no definition.")
                                     .arg(text(idx->name), tableName)
                                     .toStdString());
        const RealIndex& r = real[realNumber];
        const int flags = r.flags & kKnownFlags;
        Index index;
        index.name = text(idx->name);
        index.primary = type == 1;
        index.unique = index.primary || (flags & MDB_IDX_UNIQUE);
        index.ignoreNulls = flags & MDB_IDX_IGNORENULLS;
        index.required = flags & MDB_IDX_REQUIRED;
        for (const auto& [number, descending] : r.columns) {
            const MdbColumn* match = nullptr;
            for (guint c = 0; c < table->columns->len; ++c) {
                auto* col = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, c));
                // libmdb keeps one byte of the column number, which is all Access uses.
                if (static_cast<quint32>(col->col_num) == number)
                    match = col;
            }
            if (!match)
                throw UnreadableFile(
                    QStringLiteral("Index '%1' of table '%2' names a column the table lacks.")
                        .arg(index.name, tableName)
                        .toStdString());
            index.columns.append({text(match->name), descending});
        }
        if (index.columns.isEmpty())
            throw UnreadableFile(QStringLiteral("Index '%1' of table '%2' has no columns.")
                                     .arg(index.name, tableName)
                                     .toStdString());
        out.append(index);
    }
    return out;
}

struct ColumnEntries {
    QList<int> definitionOrder;     // column numbers as the definition lists them
    QHash<int, quint32> complexIds; // of attachment and multi-value columns, by column number
    // Precision and scale by column number; libmdb reads them only for a column stored as a
    // number, and a calculated Decimal is stored otherwise.
    QHash<int, std::pair<int, int>> precisionScale;
};

ColumnEntries columnEntries(MdbTableDef* table, const DefinitionBytes& def, bool jet3) {
    const MdbFormatConstants* fmt = table->entry->mdb->fmt;
    const quint32 columnCount = def.At(fmt->tab_num_cols_offset, 2);
    const quint32 realCount = def.At(fmt->tab_num_ridxs_offset, 4);
    const qsizetype start =
        fmt->tab_cols_start_offset + qsizetype(realCount) * fmt->tab_ridx_entry_size;
    // Where a Jet 4 entry keeps the complex column's id; Jet 3 has no such columns.
    constexpr qsizetype kComplexIdOffset = 11;
    ColumnEntries out;
    for (quint32 i = 0; i < columnCount; ++i) {
        const qsizetype entry = start + qsizetype(i) * fmt->tab_col_entry_size;
        // libmdb keeps one byte of the number, as the columns it lists do.
        const int number = static_cast<int>(def.At(entry + fmt->col_num_offset, 1));
        out.definitionOrder.append(number);
        out.precisionScale.insert(number,
                                  {static_cast<int>(def.At(entry + fmt->col_scale_offset, 1)),
                                   static_cast<int>(def.At(entry + fmt->col_prec_offset, 1))});
        if (!jet3 && def.At(entry, 1) == jettype::Complex)
            out.complexIds.insert(number, def.At(entry + kComplexIdOffset, 4));
    }
    return out;
}

// What one value of a multi-value column is: the hidden table Access keeps the values in names
// it, through MSysComplexColumns, and its column "value" holds them. Attachments have none.
void complexValue(MdbHandle* mdb, quint32 complexId, Column& column) {
    TableHandle complexColumns = openCatalogTable(mdb, "MSysComplexColumns");
    if (!complexColumns || complexId == 0)
        return;
    RowCursor rows(complexColumns.get(), {"ComplexID", "FlatTableID"});
    std::optional<qint64> flatTable;
    while (rows.Next())
        if (rows.Number(0) == qint64(complexId))
            flatTable = rows.Number(1);
    constexpr qint64 kPageBits = 0x00FFFFFF;
    MdbCatalogEntry* entry =
        flatTable ? tableEntryOnPage(mdb, static_cast<guint32>(*flatTable & kPageBits)) : nullptr;
    TableHandle flat = entry ? openTable(entry) : nullptr;
    if (!flat)
        throw UnreadableFile(QStringLiteral("The values of column '%1' cannot be found.")
                                 .arg(column.name)
                                 .toStdString());
    for (guint i = 0; i < flat->columns->len; ++i) {
        auto* col = static_cast<MdbColumn*>(g_ptr_array_index(flat->columns, i));
        if (g_ascii_strcasecmp(col->name, "value") != 0)
            continue;
        RawColumn raw;
        raw.name = text(col->name);
        raw.jetType = col->col_type;
        raw.sizeInBytes = col->col_size;
        raw.precision = col->col_scale;
        raw.scale = col->col_prec;
        raw.properties = propertiesOf(col->props);
        const Column value = ToSchemaColumn(raw, false, 1);
        if (value.dataType == 0)
            return; // a type of value Access added after the reader was written
        column.valueType = value.dataType;
        column.valueMaxLength = value.maxLength;
        column.allowZeroLength = value.allowZeroLength;
    }
}

// A name with its letters folded, so that names differing only in case compare equal.
QString foldedName(const QString& name) {
    std::optional<QString> ascii = AsciiFolded(name);
    return ascii ? *std::move(ascii) : name.toCaseFolded();
}

Table readTable(MdbCatalogEntry* entry, const QString& name, ObjectKind kind, bool jet3) {
    Table t;
    t.name = name;
    t.kind = kind;
    TableHandle table = openTable(entry, true);
    if (!table)
        throw DamagedFile(QStringLiteral("The definition of table '%1' (page %2) cannot be read.")
                              .arg(name)
                              .arg(entry->table_pg)
                              .toStdString());
    // Read once for the columns and the indexes, which both need what libmdb leaves out.
    const DefinitionBytes def(definitionBytes(entry->mdb, entry->table_pg, name), name);
    const ColumnEntries entries = columnEntries(table.get(), def, jet3);
    QList<int> numbers;
    QSet<QString> columnNames;
    t.columns.reserve(table->columns->len);
    for (guint i = 0; i < table->columns->len; ++i) {
        auto* col = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, i));
        numbers.append(col->col_num);
        RawColumn raw;
        raw.name = text(col->name);
        QString why = WhyNameIsDamaged(raw.name);
        QString folded = foldedName(raw.name);
        if (why.isEmpty() && columnNames.contains(folded))
            why = QStringLiteral("another column has the same name");
        if (!why.isEmpty())
            damaged(QStringLiteral("The definition of table '%1' (page %2) is damaged: the name "
                                   "of column %3 ('%4') is not one Access writes, as %5.")
                        .arg(name)
                        .arg(entry->table_pg)
                        .arg(i + 1)
                        .arg(raw.name, why));
        columnNames.insert(std::move(folded));
        raw.jetType = col->col_type;
        raw.sizeInBytes = col->col_size;
        raw.longAutoNumber = col->is_long_auto;
        raw.guidAutoNumber = col->is_uuid_auto;
        // libmdb's offsets for these are named the other way round.
        std::tie(raw.precision, raw.scale) = entries.precisionScale.value(col->col_num);
        raw.properties = propertiesOf(col->props);
        Column column = ToSchemaColumn(raw, jet3, static_cast<qint32>(i + 1));
        if (raw.jetType == jettype::Complex)
            complexValue(entry->mdb, entries.complexIds.value(col->col_num), column);
        t.columns.append(std::move(column));
    }
    // libmdb lists the columns by number; Access shows them in the order they are defined.
    QList<qsizetype> order(t.columns.size());
    std::iota(order.begin(), order.end(), 0);
    QList<qsizetype> defined(t.columns.size());
    for (qsizetype i = 0; i < defined.size(); ++i)
        defined[i] = entries.definitionOrder.indexOf(numbers[i]);
    std::stable_sort(order.begin(), order.end(),
                     [&defined](qsizetype a, qsizetype b) { return defined[a] < defined[b]; });
    QList<Column> shown;
    shown.reserve(t.columns.size());
    for (qsizetype i : order)
        shown.append(std::move(t.columns[i]));
    t.columns = std::move(shown);
    t.indexes = indexesOf(table.get(), def, name, jet3);
    TableProperties props = ToTableProperties(propertiesOf(table->props));
    t.description = props.description;
    t.validationRule = props.validationRule;
    t.validationText = props.validationText;
    return t;
}

struct SavedQueries {
    QList<View> views;
    QList<Query> queries;
};

// Record sources Access makes for forms and reports (~sq_...) and its other scratch queries
// start with '~'; the system bit marks the rest it keeps for itself.
bool isHiddenQuery(const CatalogObject& query) {
    constexpr qint64 kFlagSystem = 0x80000000LL;
    constexpr qint64 kFlagHidden = 0x8;
    return query.name.startsWith(QLatin1Char('~')) || (query.flags & kFlagSystem) ||
           (query.flags & kFlagHidden);
}

SavedQueries readQueries(MdbHandle* mdb, const QList<CatalogObject>& objects) {
    QMap<qint64, const CatalogObject*> queries; // in the catalog's order of ids
    for (const CatalogObject& o : objects)
        if (o.type == kObjectTypeQuery)
            queries.insert(o.id, &o);
    SavedQueries out;
    // A file without saved queries may lack the table; its rows are read even then, because
    // rows of a query the catalog lost are the one trace the loss leaves.
    TableHandle table = openCatalogTable(mdb, "MSysQueries");
    if (!table && queries.isEmpty())
        return out;
    if (!table)
        throw UnreadableFile("The table of saved queries cannot be read.");
    RowCursor rows(table.get(),
                   {"ObjectId", "Attribute", "Expression", "Flag", "Name1", "Name2", "LvExtra"});
    QMap<qint64, QList<QueryRow>> byQuery;
    while (rows.Next()) {
        byQuery[rows.Number(0).value_or(0)].append(QueryRowAt(rows));
    }
    QSet<qint64> ids;
    for (const CatalogObject& o : objects)
        ids.insert(o.id);
    for (auto it = byQuery.cbegin(); it != byQuery.cend(); ++it)
        if (!ids.contains(it.key()))
            damaged(QStringLiteral("MSysQueries holds the definition of a saved query (id %1) "
                                   "that the catalog lacks.")
                        .arg(it.key()));
    for (const CatalogObject* query : std::as_const(queries)) {
        auto rowsOfQuery = byQuery.constFind(query->id);
        // Every saved query keeps at least its version row; none at all means lost pages.
        if (rowsOfQuery == byQuery.cend())
            throw DamagedFile(
                QStringLiteral("The saved query '%1' has no definition in MSysQueries.")
                    .arg(query->name)
                    .toStdString());
        if (QString why = WhyQueryRowsAreIncomplete(*rowsOfQuery, query->flags); !why.isEmpty())
            damaged(QStringLiteral("The definition of the saved query '%1' in MSysQueries is "
                                   "incomplete: %2.")
                        .arg(query->name, why));
        const bool hidden = isHiddenQuery(*query);
        if (IsPlainSelectQuery(*rowsOfQuery, query->flags)) {
            out.views.append({query->name, SelectQuerySql(*rowsOfQuery), hidden});
            continue;
        }
        std::optional<QueryKind> kind = SavedQueryKind(*rowsOfQuery, query->flags);
        if (!kind)
            throw UnreadableFile(
                QStringLiteral("The saved query '%1' is of a kind the reader does not know.")
                    .arg(query->name)
                    .toStdString());
        Query q{query->name, *kind, SavedQuerySql(*rowsOfQuery, *kind)};
        q.parameters = QueryParameters(*rowsOfQuery);
        if (*kind == QueryKind::PassThrough)
            q.connect = PassThroughConnect(*rowsOfQuery);
        q.hidden = hidden;
        out.queries.append(q);
    }
    return out;
}

QList<Relationship> readRelationships(MdbHandle* mdb, const QList<CatalogObject>& objects) {
    QList<Relationship> out;
    // Every version of Jet makes this table with the file; a catalog without it lost its row.
    TableHandle table = openCatalogTable(mdb, "MSysRelationships");
    if (!table)
        damaged(QStringLiteral("The catalog lacks the table of relationships, MSysRelationships."));
    RowCursor rows(table.get(), {"szRelationship", "szObject", "szColumn", "szReferencedObject",
                                 "szReferencedColumn", "icolumn", "grbit"});
    constexpr qint64 kOneToOne = 0x1;
    constexpr qint64 kNotEnforced = 0x2;
    constexpr qint64 kCascadeUpdate = 0x100;
    constexpr qint64 kCascadeDelete = 0x1000;
    constexpr qint64 kCascadeToNull = 0x2000;
    QSet<QString> tables;
    for (const CatalogObject& o : objects)
        if (TableKindOf(o.type, o.flags))
            tables.insert(o.name.toCaseFolded());
    // Access relates its own navigation tables too; those count as hidden through their tables.
    QMap<QString, QMap<qint64, RelationshipColumn>> columns;
    QHash<QString, qsizetype> relationshipAt; // each name's place in out
    while (rows.Next()) {
        QString name = rows.Text(0);
        for (const QString& side : {rows.Text(1), rows.Text(3)})
            if (!tables.contains(side.toCaseFolded()))
                damaged(QStringLiteral("Relationship '%1' relates table '%2', which the catalog "
                                       "lacks.")
                            .arg(name, side));
        Relationship* rel = nullptr;
        if (const auto at = relationshipAt.constFind(name); at != relationshipAt.cend())
            rel = &out[*at];
        if (!rel) {
            relationshipAt.insert(name, out.size());
            qint64 grbit = rows.Number(6).value_or(0);
            out.append({name,
                        rows.Text(1),
                        rows.Text(3),
                        {},
                        !(grbit & kNotEnforced),
                        bool(grbit & kCascadeUpdate),
                        bool(grbit & kCascadeDelete),
                        bool(grbit & kOneToOne),
                        bool(grbit & kCascadeToNull)});
            rel = &out.last();
        }
        columns[name].insert(rows.Number(5).value_or(0), {rows.Text(2), rows.Text(4)});
    }
    for (Relationship& r : out)
        r.columns = columns.value(r.name).values();
    return out;
}

// libmdb reads Jet 3 text in the code page it is told; the header knows the right one.
void chooseJet3CodePage(const JetHeader& header) {
    QByteArray name = "CP" + QByteArray::number(header.codePage == 0 ? 1252 : header.codePage);
    iconv_t probe = iconv_open("UTF-8", name.constData());
    if (probe == reinterpret_cast<iconv_t>(-1))
        name = "CP1252";
    else
        iconv_close(probe);
    qputenv("MDB_JET3_CHARSET", name);
}

struct CheckedHeader {
    JetHeader header;
    std::optional<OfficePageDecryptor> decryptor; // for a file with Office encryption
};

CheckedHeader checkHeader(const QString& path, const QString& password) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw UnreadableFile("The file cannot be opened for reading.");
    const QByteArray firstPage = file.read(kOfficeEncryptionPageBytes);
    QString whyNot;
    std::optional<JetHeader> header = ParseJetHeader(firstPage, &whyNot);
    if (!header)
        throw UnreadableFile(whyNot.toStdString());
    if (!header->IsOfficeEncrypted())
        return {*header, std::nullopt};
    std::optional<OfficeEncryption> encryption = ParseOfficeEncryption(firstPage, &whyNot);
    if (!encryption)
        throw EncryptedFile(whyNot.toStdString());
    std::optional<OfficePageDecryptor> decryptor = UnlockOfficeEncryption(*encryption, password);
    if (!decryptor)
        throw WrongPassword("Not a valid password.");
    return {*header, std::move(decryptor)};
}

// The number of pages, after checking that the file is made of whole ones.
qint64 wholePages(const QString& path, const JetHeader& header) {
    const qint64 size = QFileInfo(path).size();
    if (size % header.pageSize != 0)
        throw DamagedFile(
            QStringLiteral("The file ends in the middle of page %1: it was cut short.")
                .arg(size / header.pageSize)
                .toStdString());
    return size / header.pageSize;
}

const char kCutShort[] =
    "A page that the schema needs lies beyond the end of the file: the file was cut short.";

Schema readSchema(const QString& path, const CheckedHeader& checked, qint64 pageCount,
                  const std::function<void(const QString&)>& onDamage,
                  const std::function<void(const Table&)>& onTable) {
    const JetHeader& header = checked.header;
    Handle mdb(mdb_open(QFile::encodeName(path).constData(), MDB_NOFLAGS));
    if (!mdb)
        throw UnreadableFile("libmdb cannot open the file.");
    auto reads = std::make_shared<PageReads>();
    if (onDamage)
        reads->onPastEnd = [&onDamage] { onDamage(QString::fromLatin1(kCutShort)); };
    if (const std::optional<OfficePageDecryptor>& decryptor = checked.decryptor) {
        const int pageSize = header.pageSize;
        reads->decodePage = [&decryptor, pageSize](quint32 page, char* bytes) {
            decryptor->DecryptPage(page, bytes, pageSize);
        };
    }
    if (!WatchPageReads(mdb.get(), reads))
        throw UnreadableFile("The reader cannot watch its reads of the file.");
    // The pages come decrypted; libmdb must not apply its own page decoding on top.
    if (checked.decryptor)
        mdb->f->db_key = 0;
    mdb_set_bind_size(mdb.get(), kBindSize);
    // Before libmdb reads a row of the catalog, so that a catalog it would read short is caught.
    const PagesInUse pagesInUse = ScanCatalogPages(mdb.get(), pageCount, reads.get());
    if (!mdb_read_catalog(mdb.get(), MDB_ANY))
        throw UnreadableFile("The catalog cannot be read.");

    Schema schema;
    schema.sourceFormat = header.FormatName();
    const Catalog catalog = readObjects(mdb.get());
    const QList<CatalogObject>& objects = catalog.objects;
    for (const CatalogTablePage& table : catalog.asRead.tables)
        if (table.page >= pageCount)
            throw DamagedFile(QStringLiteral("The catalog places table '%1' on page %2, beyond "
                                             "the end of the file: the file was cut short.")
                                  .arg(table.name)
                                  .arg(table.page)
                                  .toStdString());
    CheckCatalogAgainstPages(mdb.get(), pageCount, pagesInUse, catalog.asRead, reads.get());
    // The first table entry on each page, as tableEntryOnPage finds it, without a search each.
    QHash<guint32, MdbCatalogEntry*> entryOnPage;
    entryOnPage.reserve(mdb->catalog ? mdb->catalog->len : 0);
    for (guint i = 0; mdb->catalog && i < mdb->catalog->len; ++i) {
        auto* e = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
        if (e->object_type == MDB_TABLE && !entryOnPage.contains(static_cast<guint32>(e->table_pg)))
            entryOnPage.insert(static_cast<guint32>(e->table_pg), e);
    }
    for (const CatalogObject& o : objects) {
        std::optional<ObjectKind> kind = TableKindOf(o.type, o.flags);
        if (!kind)
            continue;
        if (o.type != kObjectTypeTable) { // a link keeps its definition in the other file
            Table link{o.name, *kind, {}, {}};
            link.linkedDatabase = o.database;
            link.connect = o.connect;
            link.foreignName = o.foreignName;
            if (onTable)
                onTable(link);
            else
                schema.tables.append(link);
            continue;
        }
        const auto page = static_cast<guint32>(o.id & 0x00FFFFFF);
        MdbCatalogEntry* entry = entryOnPage.value(page);
        if (!entry)
            throw UnreadableFile("The catalog changed while it was read.");
        Table table = readTable(entry, o.name, *kind, header.IsJet3());
        if (onTable)
            onTable(table);
        else
            schema.tables.append(std::move(table));
    }
    SavedQueries saved = readQueries(mdb.get(), objects);
    schema.views = saved.views;
    schema.queries = saved.queries;
    schema.relationships = readRelationships(mdb.get(), objects);
    if (reads->pastEnd)
        throw DamagedFile(kCutShort);
    return schema;
}

} // namespace

Schema ReadMdbSchema(const QString& path, const QString& password,
                     std::function<void(const QString&)> onDamage,
                     const std::function<void(const Table&)>& onTable) {
    const CheckedHeader checked = checkHeader(path, password);
    const JetHeader& header = checked.header;
    const qint64 pageCount = wholePages(path, header);
    if (header.IsJet3())
        chooseJet3CodePage(header);
    qputenv("MDBICONV", "UTF-8");

    LibraryOutputCapture libraryOutput([&onDamage](const QByteArray& line) {
        if (!onDamage)
            return;
        if (QString damage = DamageInLibraryOutput(line); !damage.isEmpty())
            onDamage(damage);
    });
    try {
        Schema schema = readSchema(path, checked, pageCount, onDamage, onTable);
        if (QString damage = DamageInLibraryOutput(libraryOutput.Finish()); !damage.isEmpty())
            throw DamagedFile(damage.toStdString());
        return schema;
    } catch (const DamagedFile&) {
        throw;
    } catch (const UnreadableFile&) {
        // A failure libmdb explained says more than the reader's own summary of it.
        if (QString damage = DamageInLibraryOutput(libraryOutput.Finish()); !damage.isEmpty())
            throw DamagedFile(damage.toStdString());
        throw;
    }
}

QString DamageInLibraryOutput(const QByteArray& said) {
    static const QRegularExpression kPage(QStringLiteral("[Pp]age (\\d+)"));
    struct Sign {
        const char* marker;
        const char* reason; // %1 is the page number the line names, where it names one
    };
    // Only read failures count: libmdb also complains about index and property layouts it does
    // not know, and those are its limits, not damage.
    static const Sign kSigns[] = {
        {"beyond EOF", kCutShort},
        {"is not a valid table definition page",
         "The catalog places a table on page %1, which holds no table definition."},
        {"Unable to find page row", "A table definition refers to a row its page does not hold."},
        {"reading page", "Page %1 cannot be read."},
        {"Unable to read page", "Page %1 cannot be read."},
        {"Unable to seek", "A page of the file cannot be reached."},
        {"didn't get a full page", "A page of the file is incomplete."},
        {"read: ", "The file cannot be read from the disk."},
        {"Unable to read", "The catalog cannot be read."},
        {"incorrect memo length", "A long text value is shorter than it says."},
        {"Unhandled memo field flags", "A long text value is stored in a way that makes no sense."},
        {"Unrecognized format", "A block of object properties is unreadable."},
    };
    const QList<QByteArray> lines = said.split('\n');
    for (const Sign& sign : kSigns)
        for (const QByteArray& line : lines)
            if (line.contains(sign.marker)) {
                QString reason = QString::fromLatin1(sign.reason);
                return reason.contains(QLatin1String("%1"))
                           ? reason.arg(kPage.match(QString::fromUtf8(line)).captured(1))
                           : reason;
            }
    return QString();
}

} // namespace vantor
