#include "engine/access/reader/SavedQueryRows.h"

#include <mdbtools.h>

#include <QMap>
#include <memory>
#include <stdexcept>
#include <vector>

namespace vantor {

namespace {

constexpr int kValueSize = 1 << 20;
constexpr qint64 kObjectTypeQuery = 5;

struct Closer {
    void operator()(MdbHandle* mdb) const { mdb_close(mdb); }
    void operator()(MdbTableDef* table) const { mdb_free_tabledef(table); }
};

// The rows of one catalog table, every value as libmdb's text of it.
class Rows {
public:
    Rows(MdbHandle* mdb, const char* table, const std::vector<const char*>& columns) {
        for (guint i = 0; mdb->catalog && i < mdb->catalog->len; ++i) {
            auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
            if (entry->object_type == MDB_TABLE &&
                g_ascii_strcasecmp(entry->object_name, table) == 0)
                table_.reset(mdb_read_table(entry));
        }
        if (!table_ || !mdb_read_columns(table_.get()))
            throw std::runtime_error(std::string("cannot read ") + table);
        values_.resize(columns.size());
        for (size_t i = 0; i < columns.size(); ++i) {
            values_[i].buffer.resize(kValueSize + 1);
            mdb_bind_column_by_name(table_.get(), const_cast<char*>(columns[i]),
                                    values_[i].buffer.data(), &values_[i].length);
        }
        mdb_rewind_table(table_.get());
    }
    bool Next() {
        for (Value& v : values_)
            v.length = 0;
        return mdb_fetch_row(table_.get()) != 0;
    }
    QString Text(size_t i) const {
        return QString::fromUtf8(values_[i].buffer.data(), values_[i].length);
    }
    std::optional<qint64> Number(size_t i) const {
        bool ok = false;
        const qint64 v = Text(i).toLongLong(&ok);
        return ok ? std::optional<qint64>(v) : std::nullopt;
    }

private:
    struct Value {
        std::vector<char> buffer;
        int length = 0;
    };
    std::unique_ptr<MdbTableDef, Closer> table_;
    std::vector<Value> values_;
};

} // namespace

QList<StoredQuery> ReadStoredQueries(const QString& path) {
    std::unique_ptr<MdbHandle, Closer> mdb(mdb_open(path.toUtf8().constData(), MDB_NOFLAGS));
    if (!mdb || !mdb_read_catalog(mdb.get(), MDB_ANY))
        throw std::runtime_error("cannot open " + path.toStdString());
    // A long expression is cut at libmdb's bind size, which is far smaller by default.
    mdb_set_bind_size(mdb.get(), kValueSize);
    QMap<qint64, StoredQuery> byId;
    Rows objects(mdb.get(), "MSysObjects", {"Id", "Name", "Type", "Flags"});
    while (objects.Next())
        if (objects.Number(2) == kObjectTypeQuery)
            byId.insert(objects.Number(0).value_or(0),
                        {objects.Text(1), objects.Number(3).value_or(0), {}});
    if (byId.isEmpty())
        return {};
    Rows rows(mdb.get(), "MSysQueries",
              {"ObjectId", "Attribute", "Expression", "Flag", "Name1", "Name2", "LvExtra"});
    while (rows.Next()) {
        auto query = byId.find(rows.Number(0).value_or(0));
        if (query == byId.end())
            continue;
        query->rows.append(QueryRowAt(rows));
    }
    return byId.values();
}

} // namespace vantor
