#include "engine/access/reader/RowDigest.h"

#include "engine/access/ReaderProtocol.h"
#include "engine/access/reader/MdbSchemaReader.h"
#include "engine/access/reader/ReaderRun.h"

#include <QCryptographicHash>
#include <QFile>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <new>
#include <unistd.h>
#include <vector>

// After the standard headers: glib pulls in C++ headers of its own inside libmdb's extern "C".
#include <mdbtools.h>

namespace vantor {

namespace {

constexpr size_t kBindSize = size_t(1) << 20;

struct HandleCloser {
    void operator()(MdbHandle* mdb) const { mdb_close(mdb); }
};
struct TableFreer {
    void operator()(MdbTableDef* table) const { mdb_free_tabledef(table); }
};

// Every value goes in with its length, so that no two different rows feed the same bytes.
void addValue(QCryptographicHash& hash, const char* bytes, qint64 length) {
    const qint64 size = qMax<qint64>(0, length);
    hash.addData(QByteArrayView(reinterpret_cast<const char*>(&size), sizeof size));
    if (size > 0)
        hash.addData(QByteArrayView(bytes, size));
}

// One buffer per column, as large as the longest value libmdb hands over, kept from table to
// table: clearing megabytes for every column of every table made a large file take minutes.
class BindBuffers {
public:
    char* operator[](unsigned column) {
        while (buffers_.size() <= column)
            buffers_.push_back(std::make_unique_for_overwrite<char[]>(kBindSize + 1));
        return buffers_[column].get();
    }

private:
    std::vector<std::unique_ptr<char[]>> buffers_;
};

TableRowDigest digestTable(MdbHandle* mdb, MdbCatalogEntry* entry, BindBuffers& buffers) {
    std::unique_ptr<MdbTableDef, TableFreer> table(mdb_read_table(entry));
    if (!table || !mdb_read_columns(table.get()))
        throw UnreadableFile(QStringLiteral("The rows of table '%1' cannot be read.")
                                 .arg(QString::fromUtf8(entry->object_name))
                                 .toStdString());
    const unsigned columns = table->num_cols;
    std::vector<int> lengths(columns, 0);
    for (unsigned i = 0; i < columns; ++i)
        mdb_bind_column(table.get(), static_cast<int>(i + 1), buffers[i], &lengths[i]);
    mdb_rewind_table(table.get());
    std::vector<QByteArray> rowHashes;
    while (mdb_fetch_row(table.get())) {
        QCryptographicHash row(QCryptographicHash::Sha256);
        for (unsigned i = 0; i < columns; ++i) {
            auto* column = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, i));
            if (column->col_type == MDB_OLE && lengths[i] > 0) {
                size_t size = 0;
                void* whole = mdb_ole_read_full(mdb, column, &size);
                addValue(row, static_cast<const char*>(whole), static_cast<qint64>(size));
                g_free(whole);
            } else {
                addValue(row, buffers[i], lengths[i]);
            }
            lengths[i] = 0;
        }
        rowHashes.push_back(row.result());
    }
    // Sorted, so that a table whose rows moved to other pages keeps its digest.
    std::sort(rowHashes.begin(), rowHashes.end());
    QCryptographicHash whole(QCryptographicHash::Sha256);
    for (const QByteArray& h : rowHashes)
        whole.addData(h);
    return {QString::fromUtf8(entry->object_name), static_cast<qint64>(rowHashes.size()),
            whole.result().toHex()};
}

} // namespace

QList<TableRowDigest> DigestMdbRows(const QString& path) {
    qputenv("MDBICONV", "UTF-8");
    std::unique_ptr<MdbHandle, HandleCloser> mdb(
        mdb_open(QFile::encodeName(path).constData(), MDB_NOFLAGS));
    if (!mdb)
        throw UnreadableFile("libmdb cannot open the file.");
    mdb_set_bind_size(mdb.get(), kBindSize);
    if (!mdb_read_catalog(mdb.get(), MDB_TABLE))
        throw UnreadableFile("The catalog cannot be read.");
    QList<TableRowDigest> out;
    BindBuffers buffers;
    for (guint i = 0; i < mdb->catalog->len; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
        if (entry->object_type == MDB_TABLE && mdb_is_user_table(entry))
            out.append(digestTable(mdb.get(), entry, buffers));
    }
    return out;
}

int RunRowDigest(const QString& path, int answerFd) {
    try {
        if (!WriteAll(answerFd, RowDigestsToJson(DigestMdbRows(path)))) {
            std::fputs("The answer could not be written.\n", stderr);
            return readerexit::Unreadable;
        }
        return readerexit::Ok;
    } catch (const std::bad_alloc&) {
        std::fputs("out of memory\n", stderr);
        return readerexit::OutOfMemory;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return readerexit::Unreadable;
    }
}

} // namespace vantor
