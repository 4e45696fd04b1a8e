#include "engine/SchemaDdl.h"
#include "engine/snapshot/JetDdl.h"
#include "model/Error.h"
#include "tests/support/DescribeObjects.h"
#include "tests/support/Found.h"
#include "tests/support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace vantor;
using namespace vantor::test;

namespace {

Schema tables() {
    Schema s;
    for (const char* sql :
         {"CREATE TABLE [Order Lines] ([ID] LONG, [Line No] SHORT, [Added] DATETIME, [Note] MEMO, "
          "CONSTRAINT [PrimaryKey] PRIMARY KEY ([ID], [Line No]))",
          "CREATE TABLE [Notes] ([Order] LONG, [Line] SHORT, [Text] TEXT(80))"})
        ApplyJetDdl(s, sql);
    return s;
}

// The statement's effect on a copy of s, or the error it raised as the object's description.
template <typename Find> QString afterRunning(const Schema& s, const QString& sql, Find find) {
    Schema copy = s;
    try {
        ApplyJetDdl(copy, sql);
    } catch (const Error& e) {
        return QStringLiteral("error: ") + e.description();
    }
    return find(copy);
}

const QString kSelectWithParameters =
    QStringLiteral("PARAMETERS [Since] DateTime, [Line No] Short;\r\n"
                   "SELECT [Order Lines].*\r\nFROM [Order Lines]\r\n"
                   "WHERE ((([Order Lines].Added)>=[Since]));\r\n");

} // namespace

TEST(SchemaDdlTexts, SpellEachStatementAsJetReadsIt) {
    Index index{"By date", {{"Added", true}, {"Line No", false}}, false, true};
    EXPECT_EQ(CreateIndexText("Order Lines", index),
              "CREATE UNIQUE INDEX [By date] ON [Order Lines] ([Added] DESC, [Line No])");
    index.required = true;
    EXPECT_EQ(CreateIndexText("T", index),
              "CREATE UNIQUE INDEX [By date] ON [T] ([Added] DESC, [Line No]) WITH DISALLOW NULL");
    index.primary = true;
    EXPECT_EQ(CreateIndexText("T", index),
              "CREATE INDEX [By date] ON [T] ([Added] DESC, [Line No]) WITH PRIMARY");
    EXPECT_EQ(CreateIndexText("T", Index{"N", {{"Note", false}}, false, false, true}),
              "CREATE INDEX [N] ON [T] ([Note]) WITH IGNORE NULL");
    EXPECT_EQ(DropIndexText("Order Lines", "By date"), "DROP INDEX [By date] ON [Order Lines]");

    Relationship r{"LinesNotes", "Notes", "Order Lines", {{"Order", "ID"}, {"Line", "Line No"}}};
    r.cascadeUpdate = r.cascadeToNull = true;
    EXPECT_EQ(AddRelationshipText(r),
              "ALTER TABLE [Notes] ADD CONSTRAINT [LinesNotes] FOREIGN KEY ([Order], [Line]) "
              "REFERENCES [Order Lines] ([ID], [Line No]) ON UPDATE CASCADE ON DELETE SET NULL");
    EXPECT_EQ(DropRelationshipText(r), "ALTER TABLE [Notes] DROP CONSTRAINT [LinesNotes]");

    Query recent{"Recent lines",
                 QueryKind::Select,
                 kSelectWithParameters,
                 {{"[Since]", "DateTime"}, {"[Line No]", "Short"}}};
    EXPECT_EQ(CreateProcedureText(recent),
              "CREATE PROCEDURE [Recent lines] ([Since] DateTime, [Line No] Short) AS\r\n"
              "SELECT [Order Lines].*\r\nFROM [Order Lines]\r\n"
              "WHERE ((([Order Lines].Added)>=[Since]));");
    Query purge{"Purge", QueryKind::Delete, "DELETE *\r\nFROM Notes;\r\n"};
    EXPECT_EQ(CreateProcedureText(purge), "CREATE PROCEDURE [Purge] AS\r\nDELETE *\r\nFROM Notes;");
    // A parameter whose name the reader left bare keeps it; any other is bracketed.
    purge.parameters = {{"who", "Text ( 10 )"}, {"Line No", "Long"}};
    EXPECT_TRUE(CreateProcedureText(purge).startsWith(
        "CREATE PROCEDURE [Purge] (who Text ( 10 ), [Line No] Long) AS\r\n"));
    EXPECT_EQ(DropProcedureText("Recent lines"), "DROP PROCEDURE [Recent lines]");

    for (QueryKind kind : {QueryKind::Crosstab, QueryKind::Union, QueryKind::PassThrough,
                           QueryKind::DataDefinition}) {
        Query q{"Q", kind, "TRANSFORM Count(ID) SELECT Added FROM [Order Lines] PIVOT Note;\r\n"};
        EXPECT_TRUE(CreateProcedureText(q).isNull()) << QueryKindName(kind).toStdString();
        EXPECT_EQ(InexpressibleSettings(q).size(), 1) << QueryKindName(kind).toStdString();
    }
}

// Whatever a text leaves out must be listed, and whatever is listed must really be lost: the
// two sides of one promise, checked over every combination of flags.
TEST(SchemaDdlRoundTrip, AnIndexComesBackEqualExactlyWhenNothingIsListedAsLost) {
    const Schema s = tables();
    int whole = 0;
    for (int bits = 0; bits < 16; ++bits) {
        Index index{"Ix", {{"Added", true}, {"Note", false}}};
        index.primary = bits & 1;
        index.unique = bits & 2;
        index.ignoreNulls = bits & 4;
        index.required = bits & 8;
        Schema base = s;
        FOUND(base.findTable("Order Lines")).indexes.clear();
        QString back = afterRunning(base, CreateIndexText("Order Lines", index), [](Schema& t) {
            return Describe(FOUND(t.findTable("Order Lines")).indexes.value(0));
        });
        QStringList lost = InexpressibleSettings(index);
        EXPECT_EQ(back == Describe(index), lost.isEmpty())
            << Describe(index).toStdString() << " came back as " << back.toStdString();
        whole += lost.isEmpty() ? 1 : 0;
    }
    // Six ordinary indexes (not those both refusing and ignoring nulls) and the usual primary key.
    EXPECT_EQ(whole, 7);
}

TEST(SchemaDdlRoundTrip, ARelationshipComesBackEqualExactlyWhenNothingIsListedAsLost) {
    const Schema s = tables();
    for (int bits = 0; bits < 32; ++bits) {
        Relationship r{
            "Lines Notes", "Notes", "Order Lines", {{"Order", "ID"}, {"Line", "Line No"}}};
        r.enforced = bits & 1;
        r.cascadeUpdate = bits & 2;
        r.cascadeDelete = bits & 4;
        r.cascadeToNull = bits & 8;
        r.oneToOne = bits & 16;
        QString back = afterRunning(s, AddRelationshipText(r),
                                    [](Schema& t) { return Describe(t.relationships.value(0)); });
        EXPECT_EQ(back == Describe(r), InexpressibleSettings(r).isEmpty())
            << Describe(r).toStdString() << " came back as " << back.toStdString();
    }
    Schema related = s;
    Relationship r{"Lines Notes", "Notes", "Order Lines", {{"Order", "ID"}, {"Line", "Line No"}}};
    r.enforced = true;
    ApplyJetDdl(related, AddRelationshipText(r));
    ApplyJetDdl(related, DropRelationshipText(r));
    EXPECT_TRUE(related.relationships.isEmpty());
    EXPECT_EQ(afterRunning(related, DropRelationshipText(r), [](Schema&) { return QString(); }),
              "error: Constraint 'Lines Notes' does not exist on table 'Notes'.");
}

TEST(SchemaDdlRoundTrip, AProcedureComesBackEqualExactlyWhenNothingIsListedAsLost) {
    const Schema s = tables();
    const std::pair<QueryKind, QString> statements[] = {
        {QueryKind::Select, kSelectWithParameters},
        {QueryKind::Select, "SELECT Notes.Text\r\nFROM Notes\r\nWHERE Notes.Line=1;\r\n"},
        {QueryKind::Append, "INSERT INTO Notes ( [Order], Line )\r\nSELECT [Order Lines].ID, "
                            "[Order Lines].[Line No]\r\nFROM [Order Lines];\r\n"},
        {QueryKind::Update, "UPDATE Notes SET Notes.Text = \"done; closed\"\r\n"
                            "WHERE (((Notes.Line)=2));\r\n"},
        {QueryKind::Delete, "DELETE Notes.*\r\nFROM Notes;\r\n"},
        {QueryKind::MakeTable, "SELECT Notes.* INTO [Old notes]\r\nFROM Notes\r\n"
                               "WITH OWNERACCESS OPTION;\r\n"},
    };
    for (const auto& [kind, sql] : statements)
        for (int bits = 0; bits < 4; ++bits) {
            Query q{"Saved query", kind, sql};
            if (sql.startsWith("PARAMETERS"))
                q.parameters = {{"[Since]", "DateTime"}, {"[Line No]", "Short"}};
            q.hidden = bits & 1;
            q.connect = bits & 2 ? "ODBC;DSN=Shop;PWD=***" : "";
            QString back = afterRunning(s, CreateProcedureText(q), [](Schema& t) {
                return t.queries.size() == 1 ? Describe(t.queries[0]) : QString();
            });
            EXPECT_EQ(back == Describe(q), InexpressibleSettings(q).isEmpty())
                << Describe(q).toStdString() << "\ncame back as " << back.toStdString();
        }
    Schema saved = s;
    ApplyJetDdl(saved, CreateProcedureText(Query{"P", QueryKind::Delete, "DELETE * FROM Notes;"}));
    ApplyJetDdl(saved, DropProcedureText("P"));
    EXPECT_TRUE(saved.queries.isEmpty());
}

TEST(SchemaDdlSettings, NameTheObjectAndEachLostSetting) {
    Relationship r{"AB", "B", "A", {{"a", "a"}}};
    r.cascadeDelete = r.cascadeToNull = r.oneToOne = true;
    QStringList lost = InexpressibleSettings(r);
    ASSERT_EQ(lost.size(), 3);
    for (const QString& line : lost)
        EXPECT_TRUE(line.startsWith("The relationship 'AB' between 'A' and 'B'"))
            << line.toStdString();
    EXPECT_TRUE(lost[0].contains("Referential Integrity"));
    EXPECT_TRUE(lost[1].contains("one-to-one"));

    Query passThrough{"Remote", QueryKind::PassThrough, "SELECT 1", {}, "ODBC;DSN=x", true};
    lost = InexpressibleSettings(passThrough);
    ASSERT_EQ(lost.size(), 3);
    EXPECT_TRUE(lost[0].contains("pass-through query"));
    EXPECT_TRUE(lost[1].contains("ODBC Connect Str"));
    EXPECT_TRUE(lost[2].contains("hidden"));

    Index both{"K", {{"a", false}}, true, true, true, true};
    EXPECT_EQ(InexpressibleSettings(both).size(), 1);
    EXPECT_TRUE(InexpressibleSettings(both)[0].startsWith("The index 'K' is a primary key"));
}
