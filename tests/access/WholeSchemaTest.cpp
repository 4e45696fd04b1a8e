// What the reader takes from real files beyond tables and views: every saved query, index
// flags, relationships' options, field and table properties and where links point.
#include "engine/Source.h"
#include "tests/access/AccessTestFiles.h"
#include "tests/support/Found.h"
#include "tests/support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace vantor;
using namespace vantor::test;

namespace {

Schema schemaOf(const QString& path) {
    return OpenDatabaseFile({path, {}, {}})->schema();
}

QString sqlOf(const Schema& s, const QString& name) {
    const Query* q = s.findQuery(name);
    return q ? q->sql : QStringLiteral("(no query %1)").arg(name);
}

// Each index as "name P|U|N|R flags: column [DESC], ...".
QStringList indexes(const Schema& s, const QString& table) {
    QStringList out;
    if (const Table* t = s.findTable(table))
        for (const Index& i : t->indexes) {
            QStringList columns;
            for (const IndexColumn& c : i.columns)
                columns << c.name + (c.descending ? " DESC" : "");
            out << QStringLiteral("%1 %2%3%4%5: %6")
                       .arg(i.name, i.primary ? "P" : "", i.unique ? "U" : "",
                            i.ignoreNulls ? "N" : "", i.required ? "R" : "", columns.join(", "));
        }
    return out;
}

} // namespace

// The sample of every kind, in Jet 3, Jet 4 and ACE: the select query stays the one view, the
// others come with the SQL Access shows for them.
TEST(WholeSchema, EverySavedQueryComesWithItsKindAndSql) {
    for (const char* file : {"queryTestV1997.mdb", "queryTestV2003.mdb", "queryTestV2010.accdb"}) {
        SCOPED_TRACE(file);
        REQUIRE_SHARED_FILE(path, file);
        const Schema s = schemaOf(path);
        ASSERT_EQ(s.views.size(), 1);
        EXPECT_FALSE(s.views[0].hidden);
        QMap<QString, QueryKind> kinds;
        for (const Query& q : s.queries) {
            kinds.insert(q.name, q.kind);
            EXPECT_FALSE(q.hidden) << q.name.toStdString();
        }
        EXPECT_EQ(kinds,
                  (QMap<QString, QueryKind>{{"AppendQuery", QueryKind::Append},
                                            {"CrosstabQuery", QueryKind::Crosstab},
                                            {"DataDefinitionQuery", QueryKind::DataDefinition},
                                            {"DeleteQuery", QueryKind::Delete},
                                            {"MakeTableQuery", QueryKind::MakeTable},
                                            {"PassthroughQuery", QueryKind::PassThrough},
                                            {"UnionQuery", QueryKind::Union},
                                            {"UpdateQuery", QueryKind::Update}}));
        EXPECT_EQ(sqlOf(s, "CrosstabQuery"),
                  "TRANSFORM Count([Table2].[col2]) AS CountOfcol2\r\n"
                  "SELECT Table2_1.col1, [Table2].[col3], Avg(Table2_1.col2) AS AvgOfcol2\r\n"
                  "FROM (Table1 INNER JOIN Table2 ON [Table1].[col1]=[Table2].[col1]) INNER JOIN "
                  "Table2 AS Table2_1 ON [Table2].[col1]=Table2_1.col3\r\n"
                  "WHERE ((([Table1].[col1])>\"10\") And ((Table2_1.col1) Is Not Null) And "
                  "((Avg(Table2_1.col2))>\"10\"))\r\n"
                  "GROUP BY Table2_1.col1, [Table2].[col3]\r\n"
                  "ORDER BY [Table2].[col3]\r\n"
                  "PIVOT [Table1].[col1];\r\n");
        EXPECT_EQ(sqlOf(s, "MakeTableQuery").section("\r\n", 0, 0),
                  "SELECT Max(Table2.col1) AS MaxOfcol1, Table2.col2, Table3.col2 INTO Table4");
        EXPECT_EQ(sqlOf(s, "AppendQuery").section("\r\n", 0, 1),
                  "INSERT INTO Table3 ( col2, col2, col3 )\r\n"
                  "SELECT [Table1].[col2], [Table2].[col2], [Table2].[col3]");
        EXPECT_EQ(sqlOf(s, "DeleteQuery"), "DELETE Table1.col1, Table1.col2, Table1.col3\r\n"
                                           "FROM Table1\r\n"
                                           "WHERE (((Table1.col1)>\"blah\"));\r\n");
        EXPECT_TRUE(sqlOf(s, "UnionQuery").contains("\r\nUNION ALL Select Table3.col1"));
        const Query* update = s.findQuery("UpdateQuery");
        ASSERT_TRUE(update);
        ASSERT_EQ(update->parameters.size(), 1);
        EXPECT_EQ(update->parameters[0].name, "[User Name]");
        EXPECT_TRUE(update->sql.startsWith("PARAMETERS [User Name] Text"));
        EXPECT_TRUE(update->sql.contains("\r\nUPDATE Table1 SET Table1.col1 = \"foo\", "));
        EXPECT_EQ(sqlOf(s, "DataDefinitionQuery"), "CREATE TABLE Table5 (col1 CHAR, col2 CHAR);");
        const Query* passThrough = s.findQuery("PassthroughQuery");
        ASSERT_TRUE(passThrough);
        EXPECT_EQ(passThrough->sql, "ALTER TABLE Table4 DROP COLUMN col5;");
        EXPECT_EQ(passThrough->connect, "ODBC;");
    }
}

// Record sources of forms are parameter queries that a comparison leaves out by default.
TEST(WholeSchema, FormRecordSourcesAreHidden) {
    REQUIRE_SHARED_FILE(path, "../access-more/githubIssue16.accdb");
    const Schema s = schemaOf(path);
    ASSERT_EQ(s.queries.size(), 2);
    for (const Query& q : s.queries) {
        EXPECT_TRUE(q.name.startsWith("~sq_") && q.hidden) << q.name.toStdString();
        EXPECT_EQ(q.kind, QueryKind::Select);
        ASSERT_EQ(q.parameters.size(), 1);
        EXPECT_EQ(q.parameters[0].type, "Value");
    }
    if (QString fruit = RegistryTestFile("fruit.mdb"); !fruit.isEmpty()) {
        const Schema f = schemaOf(fruit);
        for (const View& v : f.views)
            EXPECT_EQ(v.hidden, v.name.startsWith("~sq_")) << v.name.toStdString();
    }

    // Forms, reports and other objects of the catalog are often named like a table: a copy whose
    // Admin user's catalog row is named "Donor", like a table, reads as the same schema.
    QByteArray bytes = FileBytes(path);
    const qsizetype row = bytes.indexOf(Utf16Le("Admin"), 17 * 4096);
    ASSERT_GT(row, 0);
    bytes.replace(row, 10, Utf16Le("Donor"));
    QTemporaryDir dir;
    const Schema renamed = schemaOf(WriteFile(dir, "named-like-a-table.accdb", bytes));
    EXPECT_EQ(renamed.tables.size(), s.tables.size());
    ASSERT_TRUE(renamed.findTable("Donor"));
    EXPECT_EQ(FOUND(renamed.findTable("Donor")).columns.size(),
              FOUND(s.findTable("Donor")).columns.size());
}

TEST(WholeSchema, IndexesFollowTheirOwnDefinitionsWithTheirFlags) {
    REQUIRE_SHARED_FILE(deleted, "delColTestV2000.mdb");
    // libmdb matches this table's second index with the wrong definition and loses its column.
    EXPECT_EQ(indexes(schemaOf(deleted), "Table1"), (QStringList{"id : id", "id2 : id2"}));
    REQUIRE_SHARED_FILE(keyed, "indexTestV2000.mdb");
    const Schema s = schemaOf(keyed);
    // The foreign keys' own indexes are the relationships', not listed among the table's.
    EXPECT_EQ(indexes(s, "Table1"), (QStringList{"id : id", "PrimaryKey PUR: id"}));
    REQUIRE_SHARED_FILE(unique, "test2V2000.mdb");
    EXPECT_TRUE(indexes(schemaOf(unique), "MSP_PROJECTS").contains("I_PROJ_NAME U: PROJ_NAME"));
    REQUIRE_SHARED_FILE(descending, "compIndexTestV2000.mdb");
    EXPECT_EQ(indexes(schemaOf(descending), "Table1"), QStringList{"CD_AGENTE : CD_AGENTE DESC"});
}

TEST(WholeSchema, RelationshipsKeepTheirOptionsAndAccessOwnAreReadToo) {
    REQUIRE_SHARED_FILE(path, "indexTestV2000.mdb");
    const Schema all = schemaOf(path);
    // The file also relates Access's own tables to each other; those stay with the schema, and
    // the comparison and the dump hide them with their tables.
    Schema s = all;
    s.relationships.clear();
    QStringList system;
    for (const Relationship& r : all.relationships)
        if (r.table.startsWith("MSys"))
            system << r.name;
        else
            s.relationships << r;
    EXPECT_EQ(system.size(), 2);
    ASSERT_EQ(s.relationships.size(), 2);
    const Relationship& a =
        s.relationships[0].name == "Table2Table1" ? s.relationships[0] : s.relationships[1];
    const Relationship& b = &a == &s.relationships[0] ? s.relationships[1] : s.relationships[0];
    EXPECT_TRUE(a.enforced && a.cascadeDelete && !a.cascadeUpdate && !a.cascadeToNull);
    EXPECT_TRUE(b.enforced && b.cascadeUpdate && !b.cascadeDelete && !b.oneToOne);
    ASSERT_EQ(a.columns.size(), 1);
    EXPECT_EQ(a.columns[0].column, "otherfk1");
    EXPECT_EQ(a.columns[0].referencedColumn, "id");
    REQUIRE_SHARED_FILE(linker, "linkerTestV2007.accdb");
    const Schema l = schemaOf(linker);
    QList<Relationship> own;
    for (const Relationship& r : l.relationships)
        if (!r.table.startsWith("MSys"))
            own << r;
    ASSERT_EQ(own.size(), 1);
    EXPECT_FALSE(own[0].enforced);
}

TEST(WholeSchema, FieldAndTablePropertiesAndLinkSources) {
    REQUIRE_SHARED_FILE(path, "../access-more/githubIssue16.accdb");
    const Schema s = schemaOf(path);
    const Table* detail = s.findTable("Donation Detail");
    ASSERT_TRUE(detail);
    EXPECT_EQ(detail->description, "List of individual Donations/Transactions");
    EXPECT_FALSE(detail->validationRule.has_value());
    const Column* date = nullptr;
    const Column* batch = nullptr;
    for (const Column& c : detail->columns) {
        if (c.name == "Donation Date")
            date = &c;
        if (c.name == "Batch")
            batch = &c;
    }
    ASSERT_TRUE(date && batch);
    EXPECT_TRUE(date->required && !date->nullable);
    EXPECT_EQ(date->format, QString("Short Date"));
    EXPECT_EQ(date->inputMask, QString("0000/00/00;0;#"));
    EXPECT_EQ(date->defaultValue, QString("=Date()"));
    EXPECT_FALSE(date->caption.has_value());
    EXPECT_FALSE(date->decimalPlaces.has_value()) << "Auto is no setting";
    EXPECT_EQ(batch->decimalPlaces, 0);

    REQUIRE_SHARED_FILE(rule, "../access-more/accessLike.mdb");
    const Schema likeSchema = schemaOf(rule);
    const Table* like = likeSchema.findTable("t_like1");
    ASSERT_TRUE(like);
    for (const Column& c : like->columns)
        EXPECT_EQ(c.validationRule,
                  c.name == "a1" ? std::optional<QString>("CLng(\"a1\")>2") : std::nullopt);

    // Decimal columns: libmdb swaps precision and scale.
    REQUIRE_SHARED_FILE(decimals, "../access-more/functionsV2003.mdb");
    const Schema funcsSchema = schemaOf(decimals);
    const Table* funcs = funcsSchema.findTable("t_funcs");
    ASSERT_TRUE(funcs);
    for (const Column& c : funcs->columns)
        if (c.name == "num") {
            EXPECT_EQ(c.precision, 12);
            EXPECT_EQ(c.scale, 3);
        }

    REQUIRE_SHARED_FILE(linker, "linkerTestV2007.accdb");
    const Schema linkSchema = schemaOf(linker);
    const Table* link = linkSchema.findTable("Table2");
    ASSERT_TRUE(link);
    EXPECT_EQ(link->kind, ObjectKind::Link);
    EXPECT_EQ(link->linkedDatabase, "Z:\\jackcess_test\\linkeeTest.accdb");
    EXPECT_EQ(link->foreignName, "Table1");
    EXPECT_TRUE(link->connect.isEmpty());
}
