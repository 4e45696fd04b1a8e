// Real files made unusual or damaged by changing bytes of a copy: the reader gives exactly the
// intact schema or fails, naming the file; it never gives part of one.
#include "engine/SnapshotJson.h"
#include "engine/Source.h"
#include "model/Error.h"
#include "tests/access/AccessTestFiles.h"
#include "tests/support/ErrorOf.h"
#include "tests/support/QtPrinters.h"

#include <QtEndian>
#include <gtest/gtest.h>
#include <random>
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

// Where a catalog row lies in a Jet 4 file: its page, its number there and its slot word.
struct CatalogRow {
    qsizetype page = 0;
    int row = 0;
    qsizetype slot = 0;  // file offset of the slot word
    qsizetype start = 0; // file offset of the row
};

constexpr int kJet4PageSize = 4096;
constexpr qsizetype kJet4SlotCount = 12;
constexpr qsizetype kRowIdOffset = 2; // Id is the catalog's first fixed column
constexpr qsizetype kRowTypeOffset = 10;
const std::set<quint16> kTableOrQuery{1, 5};

// The catalog row of the named object, found by its stored name on the catalog's data pages.
std::optional<CatalogRow> catalogRowOf(const QByteArray& bytes, const QString& name) {
    const QByteArray stored = Utf16Le(name);
    for (qsizetype page : catalogPages(bytes)) {
        if (page == kCatalogPage)
            continue;
        const qsizetype base = page * kJet4PageSize;
        const int rows = qFromLittleEndian<quint16>(bytes.constData() + base + kJet4SlotCount);
        for (int row = 0; row < rows; ++row) {
            const qsizetype slot = base + kJet4SlotCount + 2 + 2 * row;
            const int start = qFromLittleEndian<quint16>(bytes.constData() + slot) & 0x1FFF;
            const int end = row == 0
                                ? kJet4PageSize
                                : qFromLittleEndian<quint16>(bytes.constData() + slot - 2) & 0x1FFF;
            const QByteArray content = bytes.mid(base + start, end - start);
            // Relationship rows may carry a table's name inside their own.
            if (content.size() > kRowTypeOffset + 2 &&
                kTableOrQuery.contains(
                    qFromLittleEndian<quint16>(content.constData() + kRowTypeOffset)) &&
                content.contains(stored))
                return CatalogRow{page, row, slot, base + start};
        }
    }
    return std::nullopt;
}

void setId(QByteArray& bytes, const CatalogRow& row, qint32 id) {
    qToLittleEndian(id, bytes.data() + row.start + kRowIdOffset);
}

qint32 idOf(const QByteArray& bytes, const CatalogRow& row) {
    return qFromLittleEndian<qint32>(bytes.constData() + row.start + kRowIdOffset);
}

void zeroPage(QByteArray& bytes, qsizetype page) {
    const int pageSize = pageSizeOf(bytes);
    bytes.replace(page * pageSize, pageSize, QByteArray(pageSize, '\0'));
}

// Whether text holds part, saying what it holds when it does not.
::testing::AssertionResult Says(const QString& text, const QString& part) {
    if (text.contains(part))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "'" << text.toStdString() << "' does not say '" << part.toStdString() << "'";
}

// The message a damaged copy is refused with, which names the copy; what the reader said
// instead when it read the copy.
QString refusalOf(const QTemporaryDir& dir, const QByteArray& bytes) {
    const QString path = WriteFile(dir, QStringLiteral("damaged.mdb"), bytes);
    const QString said = ErrorOf([&] { schemaText(path); }).description();
    return said.contains(path) ? said : QStringLiteral("(the copy is not named) ") + said;
}

// The first object of the intact schema that the other lacks, or whose text it holds cut short;
// empty when it has them all whole.
QString lostFrom(const Schema& intact, const Schema& read) {
    auto cut = [](const QString& whole, const QString& part) {
        return part.size() < whole.size() && whole.startsWith(part);
    };
    for (const Table& t : intact.tables) {
        auto it = std::find_if(read.tables.begin(), read.tables.end(),
                               [&](const Table& r) { return r.name == t.name; });
        if (it == read.tables.end())
            return QStringLiteral("table ") + t.name;
        for (const Column& c : t.columns)
            if (std::none_of(it->columns.begin(), it->columns.end(),
                             [&](const Column& r) { return r.name == c.name; }))
                return QStringLiteral("column %1 of %2").arg(c.name, t.name);
    }
    for (const View& v : intact.views) {
        auto it = std::find_if(read.views.begin(), read.views.end(),
                               [&](const View& r) { return r.name == v.name; });
        if (it == read.views.end() || cut(v.definition, it->definition))
            return QStringLiteral("view ") + v.name;
    }
    for (const Query& q : intact.queries) {
        auto it = std::find_if(read.queries.begin(), read.queries.end(),
                               [&](const Query& r) { return r.name == q.name; });
        if (it == read.queries.end() || cut(q.sql, it->sql))
            return QStringLiteral("query ") + q.name;
    }
    for (const Relationship& r : intact.relationships)
        if (std::none_of(read.relationships.begin(), read.relationships.end(),
                         [&](const Relationship& o) { return o.name == r.name; }))
            return QStringLiteral("relationship ") + r.name;
    return QString();
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
// fails naming the file and the cut, or reads exactly as the whole file does.
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
                // Whichever page the cut reaches, the reason is the cut, not another check.
                EXPECT_TRUE(Says(e.description(), path));
                EXPECT_TRUE(Says(e.description(), QStringLiteral("was cut short")));
            }
        }
        EXPECT_GT(failed, 0);
    }
}

// Each way a catalog can lose or gain rows that its own indexes contradict, caught by the check
// meant for it: the message names the page and row the pages disagree on.
TEST(DamagedFiles, CatalogRowsAndTheirIndexEntriesMustAgree) {
    REQUIRE_SHARED_FILE(original, "testV2003.mdb");
    const QByteArray intact = FileBytes(original);
    std::optional<CatalogRow> table1 = catalogRowOf(intact, QStringLiteral("Table1"));
    ASSERT_TRUE(table1.has_value());
    QTemporaryDir dir;
    {
        SCOPED_TRACE("a live row marked deleted");
        QByteArray bytes = intact;
        bytes[table1->slot + 1] = static_cast<char>(bytes[table1->slot + 1] | 0xC0);
        EXPECT_TRUE(Says(refusalOf(dir, bytes),
                         QStringLiteral("lists row %1 of page %2, which the catalog lacks.")
                             .arg(table1->row)
                             .arg(table1->page)));
    }
    {
        SCOPED_TRACE("the page of rows zeroed");
        QByteArray bytes = intact;
        zeroPage(bytes, table1->page);
        EXPECT_TRUE(Says(
            refusalOf(dir, bytes),
            QStringLiteral("lists row 0 of page %1, which the catalog lacks.").arg(table1->page)));
    }
    {
        SCOPED_TRACE("a deleted row brought back");
        QByteArray bytes = intact;
        int revived = -1;
        const qsizetype base = table1->page * kJet4PageSize;
        for (int row = 0; revived < 0 && row < table1->row; ++row) {
            const qsizetype slot = base + kJet4SlotCount + 2 + 2 * row;
            if (static_cast<quint8>(bytes[slot + 1]) & 0x80) {
                bytes[slot + 1] = static_cast<char>(bytes[slot + 1] & 0x1F);
                revived = row;
            }
        }
        ASSERT_GE(revived, 0);
        EXPECT_TRUE(Says(refusalOf(dir, bytes),
                         QStringLiteral("Row %1 of catalog page %2 is missing from the catalog's "
                                        "index")
                             .arg(revived)
                             .arg(table1->page)));
    }
    {
        SCOPED_TRACE("an index page zeroed");
        QByteArray bytes = intact;
        constexpr qsizetype kIdIndexRoot = 7;
        zeroPage(bytes, kIdIndexRoot);
        EXPECT_TRUE(Says(refusalOf(dir, bytes),
                         QStringLiteral("The catalog's index that starts on page 7 is broken at "
                                        "page 7.")));
    }
    {
        SCOPED_TRACE("the map of pages in use zeroed");
        QByteArray bytes = intact;
        zeroPage(bytes, 1);
        EXPECT_TRUE(Says(refusalOf(dir, bytes),
                         QStringLiteral("The map of the pages in use (page 1) is unreadable.")));
    }
}

// A catalog row that points its table at the wrong page leaves a definition without a table, or
// a table without a definition; either way a table would go missing or read as another.
TEST(DamagedFiles, EveryTableDefinitionBelongsToATableOfTheCatalog) {
    REQUIRE_SHARED_FILE(original, "testV2003.mdb");
    const QByteArray intact = FileBytes(original);
    std::optional<CatalogRow> table1 = catalogRowOf(intact, QStringLiteral("Table1"));
    ASSERT_TRUE(table1.has_value());
    const qint32 definition = idOf(intact, *table1);
    QTemporaryDir dir;
    {
        SCOPED_TRACE("pointed at another table's definition");
        QByteArray bytes = intact;
        setId(bytes, *table1, kCatalogPage);
        EXPECT_TRUE(Says(refusalOf(dir, bytes),
                         QStringLiteral("Page %1 holds a table definition that no catalog row "
                                        "owns.")
                             .arg(definition)));
    }
    {
        SCOPED_TRACE("pointed at a page of rows");
        QByteArray bytes = intact;
        setId(bytes, *table1, static_cast<qint32>(table1->page));
        EXPECT_TRUE(Says(refusalOf(dir, bytes),
                         QStringLiteral("The catalog places table 'Table1' on page %1, which "
                                        "holds no table definition.")
                             .arg(table1->page)));
    }
}

// Rows of other system tables that name an object the catalog lacks show a lost catalog row.
TEST(DamagedFiles, QueriesAndRelationshipsNeedTheirCatalogRows) {
    QTemporaryDir dir;
    {
        REQUIRE_SHARED_FILE(original, "queryTestV2003.mdb");
        QByteArray bytes = FileBytes(original);
        std::optional<CatalogRow> query = catalogRowOf(bytes, QStringLiteral("SelectQuery"));
        ASSERT_TRUE(query.has_value());
        const qint32 id = idOf(bytes, *query);
        setId(bytes, *query, id + 1000);
        EXPECT_TRUE(Says(refusalOf(dir, bytes),
                         QStringLiteral("MSysQueries holds the definition of a saved query (id "
                                        "%1) that the catalog lacks.")
                             .arg(id)));
    }
    {
        REQUIRE_SHARED_FILE(original, "indexTestV2000.mdb");
        QByteArray bytes = FileBytes(original);
        ASSERT_GE(renameInCatalog(bytes, "Table3", "Tablf3"), 1);
        EXPECT_TRUE(Says(refusalOf(dir, bytes),
                         QStringLiteral("Relationship 'Table3Table1' relates table 'Table3', "
                                        "which the catalog lacks.")));
    }
    {
        // Its relationships would otherwise be lost without a word.
        REQUIRE_SHARED_FILE(original, "indexTestV2000.mdb");
        QByteArray bytes = FileBytes(original);
        ASSERT_EQ(renameInCatalog(bytes, "MSysRelationships", "MSysRelationshipz"), 1);
        EXPECT_TRUE(Says(refusalOf(dir, bytes),
                         QStringLiteral("The catalog lacks the table of relationships, "
                                        "MSysRelationships.")));
    }
}

// Names Access cannot have written and statements cut in two are damage, not a schema.
TEST(DamagedFiles, NamesAndQueriesMustBeWhole) {
    QTemporaryDir dir;
    {
        REQUIRE_SHARED_FILE(original, "testV2003.mdb");
        const QByteArray intact = FileBytes(original);
        for (const auto& [renamed, why] :
             {std::pair{"Tab\x01"
                        "e1",
                        "as it holds the control character U+0001."},
              std::pair{"Tab.e1", "as it holds '.', which Access forbids in names."}}) {
            SCOPED_TRACE(renamed);
            QByteArray bytes = intact;
            ASSERT_GE(renameInCatalog(bytes, "Table1", QString::fromLatin1(renamed)), 1);
            const QString said = refusalOf(dir, bytes);
            EXPECT_TRUE(Says(said, QStringLiteral("The catalog row of object '%1'")
                                       .arg(QString::fromLatin1(renamed))));
            EXPECT_TRUE(Says(said, QString::fromLatin1(why)));
        }
    }
    {
        SCOPED_TRACE("a name marked null");
        REQUIRE_SHARED_FILE(original, "testV2003.mdb");
        QByteArray bytes = FileBytes(original);
        std::optional<CatalogRow> table1 = catalogRowOf(bytes, QStringLiteral("Table1"));
        ASSERT_TRUE(table1.has_value());
        // The row's null mask is its last bytes, one bit a column; Name is column 2.
        const qsizetype rowEnd =
            table1->page * kJet4PageSize +
            (qFromLittleEndian<quint16>(bytes.constData() + table1->slot - 2) & 0x1FFF);
        const int columns = qFromLittleEndian<quint16>(bytes.constData() + table1->start);
        const qsizetype mask = rowEnd - (columns + 7) / 8;
        bytes[mask] = static_cast<char>(bytes[mask] & ~0x04);
        EXPECT_TRUE(Says(refusalOf(dir, bytes),
                         QStringLiteral("The catalog row of the object with id %1 has no name.")
                             .arg(idOf(bytes, *table1))));
    }
    {
        SCOPED_TRACE("half a surrogate pair");
        REQUIRE_SHARED_FILE(original, "testV2003.mdb");
        QByteArray bytes = FileBytes(original);
        std::optional<CatalogRow> table1 = catalogRowOf(bytes, QStringLiteral("Table1"));
        ASSERT_TRUE(table1.has_value());
        ASSERT_GE(renameInCatalog(bytes, "Table1", QChar(0xD800) + QStringLiteral("able1")), 1);
        EXPECT_TRUE(Says(refusalOf(dir, bytes),
                         QStringLiteral("Row %1 of catalog page %2 holds a name that is not text")
                             .arg(table1->row)
                             .arg(table1->page)));
    }
    {
        REQUIRE_SHARED_FILE(original, "queryTestV2003.mdb");
        QByteArray bytes = FileBytes(original);
        const QByteArray part2 = Utf16Le(QStringLiteral("X7YZ_____2"));
        const qsizetype at = bytes.indexOf(part2);
        ASSERT_GE(at, 0);
        bytes.replace(at, part2.size(), Utf16Le(QStringLiteral("X7YZ_____3")));
        EXPECT_TRUE(Says(refusalOf(dir, bytes),
                         QStringLiteral("The definition of the saved query 'UnionQuery' in "
                                        "MSysQueries is incomplete: the union has no part 2.")));
    }
}

// Two indexes of one table with one name made one command print the index twice and another
// fail on the duplicate key; the reader refuses the file for every command alike.
TEST(DamagedFiles, IndexNamesOfATableAreDistinct) {
    REQUIRE_SHARED_FILE(original, "indexTestV2000.mdb");
    QByteArray bytes = FileBytes(original);
    constexpr qsizetype kTable1Definition = 24;
    const QByteArray from = Utf16Le(QStringLiteral("Table3Table1"));
    const qsizetype at = bytes.indexOf(from, kTable1Definition * kJet4PageSize);
    ASSERT_GE(at, 0);
    ASSERT_LT(at, (kTable1Definition + 1) * kJet4PageSize);
    bytes.replace(at, from.size(), Utf16Le(QStringLiteral("Table2Table1")));
    QTemporaryDir dir;
    EXPECT_TRUE(Says(refusalOf(dir, bytes),
                     QStringLiteral("The indexes of table 'Table1' (page 24) are damaged: two "
                                    "indexes are named 'Table2Table1'.")));
}

// A fixed, seeded sample of what scripts/damage-sweep.py does at scale: a flipped bit, 16 bytes
// overwritten or a page zeroed, on a catalog page or one of the first 64. Each copy is refused,
// naming it, or read with every object and every text whole.
TEST(DamagedFiles, SeededDamageNeverReadsAsASmallerSchema) {
    for (const char* file : {"testV2003.mdb", "queryTestV2003.mdb"}) {
        SCOPED_TRACE(file);
        REQUIRE_SHARED_FILE(original, file);
        const QByteArray intact = FileBytes(original);
        const Schema whole = OpenDatabaseFile({original, {}, {}})->schema();
        const std::set<qsizetype> catalog = catalogPages(intact);
        const std::vector<qsizetype> catalogList(catalog.begin(), catalog.end());
        const qsizetype pages = intact.size() / kJet4PageSize;
        std::mt19937 rng(2611); // its numbers are the same on every platform
        QTemporaryDir dir;
        int refused = 0;
        for (int copy = 0; copy < 12; ++copy) {
            QByteArray bytes = intact;
            const qsizetype page = rng() % 2 ? catalogList[rng() % catalogList.size()]
                                             : qsizetype(rng() % std::min<qsizetype>(64, pages));
            const qsizetype at = page * kJet4PageSize + rng() % (kJet4PageSize - 16);
            QString what;
            switch (rng() % 3) {
            case 0:
                bytes[at] = static_cast<char>(bytes[at] ^ (1 << rng() % 8));
                what = QStringLiteral("bit flipped at %1").arg(at);
                break;
            case 1:
                for (int i = 0; i < 16; ++i)
                    bytes[at + i] = static_cast<char>(rng());
                what = QStringLiteral("16 bytes overwritten at %1").arg(at);
                break;
            default:
                zeroPage(bytes, page);
                what = QStringLiteral("page %1 zeroed").arg(page);
            }
            SCOPED_TRACE(what.toStdString());
            const QString path = WriteFile(dir, QStringLiteral("copy-%1.mdb").arg(copy), bytes);
            try {
                EXPECT_EQ(lostFrom(whole, OpenDatabaseFile({path, {}, {}})->schema()), QString());
            } catch (const Error& e) {
                ++refused;
                EXPECT_TRUE(Says(e.description(), path));
            }
        }
        // Damage the reader cannot see at all would leave nothing to catch.
        EXPECT_GT(refused, 0);
    }
}

// The page that holds the tables' maps of their pages, zeroed: libmdb follows such a map without
// looking and crashed the reader; the map is looked at first and named.
TEST(DamagedFiles, ALostPageMapIsNamedBeforeLibmdbFollowsIt) {
    REQUIRE_SHARED_FILE(original, "testV1997.mdb");
    QByteArray bytes = FileBytes(original);
    constexpr qsizetype kPageOfMaps = 12;
    zeroPage(bytes, kPageOfMaps);
    QTemporaryDir dir;
    EXPECT_TRUE(Says(refusalOf(dir, bytes),
                     QStringLiteral("The definition of table 'MSysACEs' (page 3) keeps its map of "
                                    "pages in row 0 of page 12, which holds no such map.")));
}

// Whichever part of the file holds damage, early, late or both, the page named is the first.
TEST(DamagedFiles, TheFirstDamagedPageIsNamed) {
    REQUIRE_SHARED_FILE(original, "testV2003.mdb");
    const QByteArray intact = FileBytes(original);
    const int pageSize = pageSizeOf(intact);
    const qsizetype pages = intact.size() / pageSize;
    // Pages of rows of user tables, one early and one late in the file.
    auto rowsPageFrom = [&](qsizetype from, int step) {
        for (qsizetype page = from; page > 2 && page < pages; page += step) {
            const char* start = intact.constData() + page * pageSize;
            if (start[0] == kDataPage && qFromLittleEndian<quint32>(start + 4) > kCatalogPage)
                return page;
        }
        return qsizetype(-1);
    };
    const qsizetype early = rowsPageFrom(3, 1);
    const qsizetype late = rowsPageFrom(pages - 1, -1);
    ASSERT_GT(early, 0);
    ASSERT_GT(late, pages / 2);
    ASSERT_LT(early, pages / 2);
    // A page of rows that claims to belong to the catalog and to hold more rows than fit.
    auto claimCatalog = [pageSize](QByteArray& bytes, qsizetype page) {
        qToLittleEndian<quint32>(kCatalogPage, bytes.data() + page * pageSize + 4);
        qToLittleEndian<quint16>(0xFFFF, bytes.data() + page * pageSize + 12);
    };
    auto claimsTooMany = [](qsizetype page) {
        return QStringLiteral("Catalog page %1 claims more rows than it can hold.").arg(page);
    };
    QTemporaryDir dir;
    QByteArray both = intact;
    claimCatalog(both, early);
    claimCatalog(both, late);
    EXPECT_TRUE(Says(refusalOf(dir, both), claimsTooMany(early)));
    QByteArray lateOnly = intact;
    claimCatalog(lateOnly, late);
    EXPECT_TRUE(Says(refusalOf(dir, lateOnly), claimsTooMany(late)));
    QByteArray earlyOnly = intact;
    claimCatalog(earlyOnly, early);
    EXPECT_TRUE(Says(refusalOf(dir, earlyOnly), claimsTooMany(early)));
}

// Two columns of one table whose names differ only in letter case cannot both be Access's: the
// table's definition is refused, for ASCII names as for others.
TEST(DamagedFiles, ColumnNamesOfATableAreDistinctInAnyCase) {
    REQUIRE_SHARED_FILE(original, "testV2003.mdb");
    const QByteArray intact = FileBytes(original);
    const int pageSize = pageSizeOf(intact);
    // The definition page of Table2, the one page that holds its column names as UTF-16.
    qsizetype definition = -1;
    for (qsizetype page = 3; (page + 1) * pageSize <= intact.size(); ++page) {
        const QByteArray bytes = intact.mid(page * pageSize, pageSize);
        if (bytes[0] == 0x02 && bytes.contains(Utf16Le(QStringLiteral("column2"))))
            definition = page;
    }
    ASSERT_GT(definition, 0);
    auto renamed = [&](const QString& first, const QString& second) {
        QByteArray bytes = intact;
        for (const auto& [from, to] : {std::pair{QStringLiteral("column1"), first},
                                       std::pair{QStringLiteral("column2"), second}}) {
            const qsizetype at = bytes.indexOf(Utf16Le(from), definition * pageSize);
            EXPECT_TRUE(at > 0 && at < (definition + 1) * pageSize);
            bytes.replace(at, Utf16Le(from).size(), Utf16Le(to));
        }
        return bytes;
    };
    QTemporaryDir dir;
    for (const auto& [first, second] :
         {std::pair{QStringLiteral("column1"), QStringLiteral("COLUMN1")},
          std::pair{QStringLiteral("col\u00FCmn1"), QStringLiteral("COL\u00DCMN1")}}) {
        SCOPED_TRACE(second.toStdString());
        EXPECT_TRUE(Says(refusalOf(dir, renamed(first, second)),
                         QStringLiteral("('%1') is not one Access writes, as another column has "
                                        "the same name.")
                             .arg(second)));
    }
    // Names alike but for a letter outside ASCII are two names.
    const QByteArray distinct =
        renamed(QStringLiteral("col\u00FCmn1"), QStringLiteral("col\u00F6mn1"));
    const QString path = WriteFile(dir, QStringLiteral("distinct.mdb"), distinct);
    EXPECT_TRUE(QString::fromUtf8(schemaText(path)).contains(QStringLiteral("col\u00F6mn1")));
}
