// Real files made unusual or damaged by changing bytes of a copy: the reader gives exactly the
// intact schema or fails, naming the file; it never gives part of one.
#include "engine/SnapshotJson.h"
#include "engine/Source.h"
#include "model/Error.h"
#include "tests/access/AccessTestFiles.h"
#include "tests/support/QtPrinters.h"

#include <QtEndian>
#include <gtest/gtest.h>
#include <set>

using namespace vantor;
using namespace vantor::test;

namespace {

constexpr int kDataPage = 0x01;
constexpr quint32 kCatalogPage = 2; // MSysObjects' definition

QByteArray schemaText(const QString& path) {
    return WriteSnapshotJson(OpenDatabaseFile({path, {}, {}})->schema());
}

int pageSizeOf(const QByteArray& bytes) {
    return bytes.at(0x14) == 0 ? 2048 : 4096;
}

// The pages that hold the catalog: its definition and every data page it owns.
std::set<qsizetype> catalogPages(const QByteArray& bytes) {
    const int pageSize = pageSizeOf(bytes);
    std::set<qsizetype> pages{kCatalogPage};
    for (qsizetype page = 1; (page + 1) * pageSize <= bytes.size(); ++page) {
        const char* start = bytes.constData() + page * pageSize;
        if (start[0] == kDataPage && qFromLittleEndian<quint32>(start + 4) == kCatalogPage)
            pages.insert(page);
    }
    return pages;
}

// Replaces a name inside the catalog's data pages only, so that no other object changes; Jet 3
// stores names in one byte a character, later versions in UTF-16.
int renameInCatalog(QByteArray& bytes, const QString& fromName, const QString& toName) {
    const int pageSize = pageSizeOf(bytes);
    auto stored = [pageSize](const QString& name) {
        return pageSize == 2048 ? name.toLatin1() : Utf16Le(name);
    };
    const QByteArray from = stored(fromName), to = stored(toName);
    int replaced = 0;
    for (qsizetype page : catalogPages(bytes)) {
        if (page == kCatalogPage)
            continue;
        for (qsizetype at = bytes.indexOf(from, page * pageSize);
             at >= 0 && at + from.size() <= (page + 1) * pageSize;
             at = bytes.indexOf(from, at + 1)) {
            bytes.replace(at, to.size(), to);
            ++replaced;
        }
    }
    return replaced;
}

} // namespace

// Forms, reports, macros and modules live in their own name spaces, so an application often has
// a form named like its table, stored first. Here the catalog's "Tables" container is renamed to
// the name of a table; the file must still read as before.
TEST(DamagedFiles, AnObjectNamedLikeATableDoesNotHideIt) {
    for (const char* file : {"testV2003.mdb", "testV1997.mdb"}) {
        SCOPED_TRACE(file);
        REQUIRE_SHARED_FILE(original, file);
        QByteArray bytes = FileBytes(original);
        ASSERT_EQ(renameInCatalog(bytes, "Tables", "Table1"), 1);
        QTemporaryDir dir;
        EXPECT_EQ(schemaText(WriteFile(dir, "renamed.mdb", bytes)), schemaText(original));
    }
}

// Files cut at every page of their catalog, in the middle of one, and at half: each either
// fails naming the file, or reads exactly as the whole file does.
TEST(DamagedFiles, ACutFileFailsOrReadsWhole) {
    for (const char* file : {"testV1997.mdb", "testV2003.mdb", "queryTestV2010.accdb"}) {
        SCOPED_TRACE(file);
        REQUIRE_SHARED_FILE(original, file);
        const QByteArray bytes = FileBytes(original);
        const QByteArray whole = schemaText(original);
        const int pageSize = pageSizeOf(bytes);
        std::set<qsizetype> cuts{bytes.size() / 2, bytes.size() / 2 / pageSize * pageSize};
        for (qsizetype page : catalogPages(bytes)) {
            cuts.insert(page * pageSize);
            cuts.insert(page * pageSize + pageSize / 2);
            cuts.insert((page + 1) * pageSize);
        }
        QTemporaryDir dir;
        int failed = 0;
        for (qsizetype cut : cuts) {
            if (cut >= bytes.size())
                continue;
            SCOPED_TRACE(cut);
            QString path = WriteFile(dir, QStringLiteral("cut-%1.mdb").arg(cut), bytes.left(cut));
            try {
                EXPECT_EQ(schemaText(path), whole);
            } catch (const Error& e) {
                ++failed;
                EXPECT_TRUE(e.description().contains(path)) << e.description().toStdString();
            }
        }
        EXPECT_GT(failed, 0);
    }
}
