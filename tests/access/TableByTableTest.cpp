// A schema's text made from a read that hands out one table at a time and keeps none: the same
// text as from the whole schema, and a failed read gives no text at all.
#include "engine/SchemaDump.h"
#include "engine/Source.h"
#include "model/Error.h"
#include "tests/access/AccessTestFiles.h"
#include "tests/support/ErrorOf.h"
#include "tests/support/QtPrinters.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace vantor;
using namespace vantor::test;

namespace {

std::unique_ptr<Source> open(const QString& path) {
    return OpenDatabaseFile({path, QString(), QString()});
}

QByteArray textOf(const SchemaDumpPieces& dump) {
    QByteArray text;
    dump.WriteTo([&text](QByteArrayView piece) { text.append(piece); });
    return text;
}

CompareSettings showingHidden() {
    CompareSettings settings;
    settings.showHidden = true;
    return settings;
}

} // namespace

// Files with system tables, links, relationships, complex columns and names beyond ASCII, read
// whole and table by table.
TEST(TableByTable, TheTextIsTheOneTheWholeSchemaGives) {
    REQUIRE_SHARED_FILE(first, QStringLiteral("testV1997.mdb"));
    for (const char* name :
         {"testV1997.mdb", "testV2003.mdb", "testV2010.accdb", "queryTestV2010.accdb",
          "linkerTestV2007.accdb", "indexTestV2000.mdb", "complexDataTestV2007.accdb",
          "testUnicodeCompV2003.mdb", "compIndexTestV2000.mdb", "empty.mdb"}) {
        const QString path = SharedAccessFile(QString::fromLatin1(name));
        const Schema whole = open(path)->schema();
        for (const CompareSettings& settings : {CompareSettings(), showingHidden()}) {
            const QByteArray expected = SchemaDumpUtf8(whole, settings);
            auto source = open(path);
            EXPECT_EQ(textOf(SchemaDumpPieces(*source, settings)), expected) << name;
            // Handing tables out leaves nothing half-read behind: the whole schema still follows.
            EXPECT_EQ(SchemaDumpUtf8(source->schema(), settings), expected) << name;
        }
    }
}

// A schema read before is handed out from memory and stays whole for what comes after.
TEST(TableByTable, ASchemaReadBeforeIsHandedOutAndKept) {
    REQUIRE_SHARED_FILE(path, QStringLiteral("testV2007.accdb"));
    auto source = open(path);
    const Schema before = source->schema();
    ASSERT_FALSE(before.tables.isEmpty());
    QStringList handedOut;
    const Schema rest =
        source->schemaTableByTable([&handedOut](Table&& t) { handedOut << t.name; });
    EXPECT_TRUE(rest.tables.isEmpty());
    EXPECT_EQ(rest.relationships.size(), before.relationships.size());
    EXPECT_EQ(rest.queries.size(), before.queries.size());
    QStringList names;
    for (const Table& t : before.tables)
        names << t.name;
    EXPECT_EQ(handedOut, names);
    EXPECT_EQ(SchemaDumpUtf8(source->schema()), SchemaDumpUtf8(before));
}

// A file cut short fails as reading it whole does, and no text comes of the tables read before.
TEST(TableByTable, AReadThatFailsGivesNoText) {
    REQUIRE_SHARED_FILE(path, QStringLiteral("testV2003.mdb"));
    QTemporaryDir dir;
    const QByteArray bytes = FileBytes(path);
    const QString cut = WriteFile(dir, QStringLiteral("cut.mdb"), bytes.left(bytes.size() / 2));
    const QString whole = ErrorOf([&] { open(cut)->schema(); }).description();
    ASSERT_NE(whole, "no error was raised");
    std::optional<SchemaDumpPieces> dump;
    EXPECT_EQ(ErrorOf([&] {
                  auto source = open(cut);
                  dump.emplace(*source);
              }).description(),
              whole);
    EXPECT_FALSE(dump.has_value());
}
