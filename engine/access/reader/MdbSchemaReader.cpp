#include "engine/access/reader/MdbSchemaReader.h"

#include "engine/access/AccessCatalog.h"
#include "engine/access/JetHeader.h"
#include "engine/access/OfficeCrypto.h"
#include "engine/access/QuerySql.h"
#include "engine/access/reader/LibraryOutput.h"
#include "engine/access/reader/WatchedPages.h"

#include <mdbtools.h>

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMap>
#include <QRegularExpression>
#include <iconv.h>
#include <memory>
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
        return QString::fromUtf8(b.buffer.get(),
                                 qMin<qsizetype>(b.length, static_cast<qsizetype>(kBindSize)));
    }
    std::optional<qint64> Number(int i) const {
        bool ok = false;
        qint64 v = Text(i).toLongLong(&ok);
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

TableHandle openTable(MdbCatalogEntry* entry) {
    TableHandle table(mdb_read_table(entry));
    if (!table || !mdb_read_columns(table.get()))
        return nullptr;
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
};

QList<CatalogObject> readObjects(MdbHandle* mdb) {
    TableHandle table = openCatalogTable(mdb, "MSysObjects");
    if (!table)
        throw UnreadableFile("The catalog table cannot be read.");
    RowCursor rows(table.get(), {"Id", "Name", "Type", "Flags"});
    QList<CatalogObject> out;
    while (rows.Next()) {
        CatalogObject o;
        o.id = rows.Number(0).value_or(0);
        o.name = rows.Text(1);
        o.type = static_cast<qint32>(rows.Number(2).value_or(0));
        o.flags = rows.Number(3).value_or(0);
        if (!o.name.isEmpty())
            out.append(o);
    }
    return out;
}

QHash<QString, QString> propertiesOf(const MdbColumn* col) {
    QHash<QString, QString> out;
    if (!col->props || !col->props->hash)
        return out;
    g_hash_table_foreach(
        col->props->hash,
        [](gpointer key, gpointer value, gpointer user) {
            static_cast<QHash<QString, QString>*>(user)->insert(
                text(static_cast<const char*>(key)), text(static_cast<const char*>(value)));
        },
        &out);
    return out;
}

QList<Index> indexesOf(MdbTableDef* table) {
    QList<Index> out;
    // libmdb leaves its answer in the table, whatever it returns.
    mdb_read_indices(table);
    GPtrArray* indexes = table->indices;
    if (!indexes)
        return out;
    constexpr int kForeignKeyIndex = 2;
    for (guint i = 0; i < indexes->len; ++i) {
        auto* idx = static_cast<MdbIndex*>(g_ptr_array_index(indexes, i));
        // Relationship indexes come back with the relationship itself.
        if (idx->index_type == kForeignKeyIndex)
            continue;
        Index index;
        index.name = text(idx->name);
        index.primary = idx->index_type == 1;
        index.unique = index.primary || (idx->flags & MDB_IDX_UNIQUE);
        for (unsigned k = 0; k < idx->num_keys && k < MDB_MAX_IDX_COLS; ++k) {
            int colNum = idx->key_col_num[k];
            if (colNum < 1 || static_cast<guint>(colNum) > table->columns->len)
                continue;
            auto* col = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, colNum - 1));
            index.columns.append({text(col->name), idx->key_col_order[k] == MDB_DESC});
        }
        if (!index.columns.isEmpty()) // libmdb loses the columns of some indexes after deletes
            out.append(index);
    }
    return out;
}

Table readTable(MdbCatalogEntry* entry, const QString& name, ObjectKind kind, bool jet3) {
    Table t;
    t.name = name;
    t.kind = kind;
    TableHandle table = openTable(entry);
    if (!table)
        throw DamagedFile(QStringLiteral("The definition of table '%1' (page %2) cannot be read.")
                              .arg(name)
                              .arg(entry->table_pg)
                              .toStdString());
    for (guint i = 0; i < table->columns->len; ++i) {
        auto* col = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, i));
        RawColumn raw;
        raw.name = text(col->name);
        raw.jetType = col->col_type;
        raw.sizeInBytes = col->col_size;
        raw.longAutoNumber = col->is_long_auto;
        raw.precision = col->col_prec;
        raw.scale = col->col_scale;
        raw.properties = propertiesOf(col);
        t.columns.append(ToSchemaColumn(raw, jet3, static_cast<qint32>(i + 1)));
    }
    t.indexes = indexesOf(table.get());
    return t;
}

QList<View> readViews(MdbHandle* mdb, const QList<CatalogObject>& objects) {
    QMap<qint64, const CatalogObject*> queries; // in the catalog's order of ids
    for (const CatalogObject& o : objects)
        if (o.type == kObjectTypeQuery)
            queries.insert(o.id, &o);
    QList<View> views;
    if (queries.isEmpty())
        return views;
    TableHandle table = openCatalogTable(mdb, "MSysQueries");
    if (!table)
        throw UnreadableFile("The table of saved queries cannot be read.");
    RowCursor rows(table.get(), {"ObjectId", "Attribute", "Expression", "Flag", "Name1", "Name2"});
    QMap<qint64, QList<QueryRow>> byQuery;
    while (rows.Next()) {
        QueryRow r;
        r.attribute = static_cast<int>(rows.Number(1).value_or(-1));
        r.expression = rows.Text(2);
        if (std::optional<qint64> flag = rows.Number(3))
            r.flag = static_cast<int>(*flag);
        r.name1 = rows.Text(4);
        r.name2 = rows.Text(5);
        byQuery[rows.Number(0).value_or(0)].append(r);
    }
    for (const CatalogObject* query : std::as_const(queries)) {
        auto rowsOfQuery = byQuery.constFind(query->id);
        // Every saved query keeps at least its version row; none at all means lost pages.
        if (rowsOfQuery == byQuery.cend())
            throw DamagedFile(
                QStringLiteral("The saved query '%1' has no definition in MSysQueries.")
                    .arg(query->name)
                    .toStdString());
        if (IsPlainSelectQuery(*rowsOfQuery, query->flags))
            views.append({query->name, SelectQuerySql(*rowsOfQuery)});
    }
    return views;
}

QList<Relationship> readRelationships(MdbHandle* mdb) {
    QList<Relationship> out;
    TableHandle table = openCatalogTable(mdb, "MSysRelationships");
    if (!table)
        return out;
    RowCursor rows(table.get(), {"szRelationship", "szObject", "szColumn", "szReferencedObject",
                                 "szReferencedColumn", "icolumn", "grbit"});
    constexpr qint64 kNotEnforced = 0x2;
    constexpr qint64 kCascadeUpdate = 0x100;
    constexpr qint64 kCascadeDelete = 0x1000;
    QMap<QString, QMap<qint64, RelationshipColumn>> columns;
    while (rows.Next()) {
        QString name = rows.Text(0);
        Relationship* rel = nullptr;
        for (Relationship& r : out)
            if (r.name == name)
                rel = &r;
        if (!rel) {
            qint64 grbit = rows.Number(6).value_or(0);
            out.append({name,
                        rows.Text(1),
                        rows.Text(3),
                        {},
                        !(grbit & kNotEnforced),
                        bool(grbit & kCascadeUpdate),
                        bool(grbit & kCascadeDelete)});
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
                  const std::function<void(const QString&)>& onDamage) {
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
    if (!mdb_read_catalog(mdb.get(), MDB_ANY))
        throw UnreadableFile("The catalog cannot be read.");

    Schema schema;
    schema.sourceFormat = header.FormatName();
    QList<CatalogObject> objects = readObjects(mdb.get());
    for (const CatalogObject& o : objects) {
        std::optional<ObjectKind> kind = TableKindOf(o.type, o.flags);
        if (!kind)
            continue;
        if (o.type != kObjectTypeTable) { // a link keeps its definition in the other file
            schema.tables.append({o.name, *kind, {}, {}});
            continue;
        }
        const auto page = static_cast<guint32>(o.id & 0x00FFFFFF);
        if (page >= pageCount)
            throw DamagedFile(QStringLiteral("The catalog places table '%1' on page %2, beyond "
                                             "the end of the file: the file was cut short.")
                                  .arg(o.name)
                                  .arg(page)
                                  .toStdString());
        MdbCatalogEntry* entry = tableEntryOnPage(mdb.get(), page);
        if (!entry)
            throw UnreadableFile("The catalog changed while it was read.");
        schema.tables.append(readTable(entry, o.name, *kind, header.IsJet3()));
    }
    schema.views = readViews(mdb.get(), objects);
    schema.relationships = readRelationships(mdb.get());
    if (reads->pastEnd)
        throw DamagedFile(kCutShort);
    return schema;
}

} // namespace

Schema ReadMdbSchema(const QString& path, const QString& password,
                     std::function<void(const QString&)> onDamage) {
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
        Schema schema = readSchema(path, checked, pageCount, onDamage);
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
