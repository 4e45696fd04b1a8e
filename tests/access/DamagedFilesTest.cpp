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

struct RealFile {
    const char* name;
    int pageSize;
};

QByteArray schemaText(const QString& path) {
    return WriteSnapshotJson(OpenDatabaseFile({path, {}, {}})->schema());
}

// The pages that hold the catalog: its definition and every data page it owns.
std::set<qsizetype> catalogPages(const QByteArray& bytes, int pageSize) {
    std::set<qsizetype> pages{kCatalogPage};
    for (qsizetype page = 1; (page + 1) * pageSize <= bytes.size(); ++page) {
        const char* start = bytes.constData() + page * pageSize;
        if (start[0] == kDataPage && qFromLittleEndian<quint32>(start + 4) == kCatalogPage)
            pages.insert(page);
    }
    return pages;
}

// Replaces a name inside the catalog's data pages only, so that no other object changes.
int renameInCatalog(QByteArray& bytes, int pageSize, const QByteArray& from, const QByteArray& to) {
    int replaced = 0;
    for (qsizetype page : catalogPages(bytes, pageSize)) {
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

QByteArray utf16(const char16_t* text) {
    return QByteArray(reinterpret_cast<const char*>(text),
                      2 * std::char_traits<char16_t>::length(text));
}

} // namespace

// Forms, reports, macros and modules live in their own name spaces, so an application often has
// a form named like its table, stored first. Here the catalog's "Tables" container is renamed to
// the name of a table; the file must still read as before.
TEST(DamagedFiles, AnObjectNamedLikeATableDoesNotHideIt) {
    struct Case {
        RealFile file;
        QByteArray from;
        QByteArray to;
    };
    const Case cases[] = {
        {{"testV2003.mdb", 4096}, utf16(u"Tables"), utf16(u"Table1")},
        {{"testV1997.mdb", 2048}, "Tables", "Table1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file.name);
        REQUIRE_SHARED_FILE(original, c.file.name);
        QByteArray bytes = FileBytes(original);
        ASSERT_EQ(renameInCatalog(bytes, c.file.pageSize, c.from, c.to), 1);
        QTemporaryDir dir;
        QString renamed = WriteFile(dir, "renamed.mdb", bytes);
        EXPECT_EQ(schemaText(renamed), schemaText(original));
    }
}

// Files cut at every page of their catalog, in the middle of one, and at half: each either
// fails naming the file, or reads exactly as the whole file does.
TEST(DamagedFiles, ACutFileFailsOrReadsWhole) {
    const RealFile files[] = {
        {"testV1997.mdb", 2048},
        {"testV2003.mdb", 4096},
        {"queryTestV2010.accdb", 4096},
    };
    for (const RealFile& file : files) {
        SCOPED_TRACE(file.name);
        REQUIRE_SHARED_FILE(original, file.name);
        const QByteArray bytes = FileBytes(original);
        const QByteArray whole = schemaText(original);
        std::set<qsizetype> cuts{bytes.size() / 2,
                                 bytes.size() / 2 / file.pageSize * file.pageSize};
        for (qsizetype page : catalogPages(bytes, file.pageSize)) {
            cuts.insert(page * file.pageSize);
            cuts.insert(page * file.pageSize + file.pageSize / 2);
            cuts.insert((page + 1) * file.pageSize);
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
