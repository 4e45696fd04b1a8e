// Indexes, relationships, saved queries, properties and link sources as objects of the diff,
// and the options that choose what a comparison takes in.
#include "engine/Compare.h"
#include "tests/support/ErrorOf.h"
#include "tests/support/Found.h"
#include "tests/support/QtPrinters.h"
#include "tests/support/SchemaPair.h"

#include <gtest/gtest.h>

using namespace vantor;

namespace {

Index primaryKey(const QString& column) {
    Index index;
    index.name = "PrimaryKey";
    index.columns = {{column, false}};
    index.primary = index.unique = index.required = true;
    return index;
}

class ComparingKinds : public ::testing::Test, public test::SchemaPair {
protected:
    // "name TYPE state" of every entry, in the diff's order.
    static QStringList outline(const Diff& diff) {
        static const char* words[] = {"=", "!", "<", ">"};
        QStringList out;
        for (const DiffEntry& e : diff.entries)
            out << e.name + " " + TypeName(e.kind) + words[static_cast<int>(e.state)];
        return out;
    }

    // The same small shop on both sides: two tables keyed alike, a relationship, a delete
    // query, a caption, a link and a view.
    void shop(Schema& s) {
        test::SchemaPair::addTable(s, "Orders").Column("ID", 3, {}, false).Column("Note", 130, 50);
        s.tables.last().indexes = {primaryKey("ID")};
        s.tables.last().columns[1].caption = "Remark";
        test::SchemaPair::addTable(s, "Lines").Column("ID", 3, {}, false).Column("OrderID", 3);
        s.tables.last().indexes = {primaryKey("ID")};
        test::SchemaPair::addTable(s, "Remote", ObjectKind::Link).Column("Code", 130, 10);
        s.tables.last().linkedDatabase = "C:\\data\\remote.accdb";
        s.tables.last().foreignName = "Stock";
        s.relationships = {{"OrdersLines", "Lines", "Orders", {{"OrderID", "ID"}}, true}};
        s.queries = {{"Purge", QueryKind::Delete, "DELETE * FROM Lines;\r\n"}};
        s.views = {{"Open", "SELECT * FROM Orders;\r\n"}};
    }
};

} // namespace

TEST_F(ComparingKinds, EveryKindIsAnObjectOfItsOwnInItsPlaceWithItsDefinition) {
    shop(primary);
    shop(secondary);
    const Diff diff = compare();
    EXPECT_EQ(outline(diff),
              QStringList({"Remote LINK=", "Lines TABLE=", "Orders TABLE=", "Open VIEW=",
                           "Purge QUERY=", "Lines.PrimaryKey INDEX=", "Orders.PrimaryKey INDEX=",
                           "Lines.OrdersLines RELATIONSHIP=", "Orders (properties) PROPERTIES=",
                           "Remote (link source) LINK SOURCE="}));
    EXPECT_EQ(FOUND(diff.find("orders.primarykey")).primaryText,
              "CREATE INDEX [PrimaryKey] ON [Orders] ([ID]) WITH PRIMARY\r\nGO\r\n");
    EXPECT_EQ(FOUND(diff.find("Lines.OrdersLines")).secondaryText,
              "ALTER TABLE [Lines] ADD CONSTRAINT [OrdersLines] FOREIGN KEY ([OrderID]) "
              "REFERENCES [Orders] ([ID])\r\nGO\r\n");
    EXPECT_EQ(FOUND(diff.find("Purge")).primaryText,
              "CREATE PROCEDURE [Purge] AS\r\nDELETE * FROM Lines;\r\nGO\r\n");
    EXPECT_EQ(FOUND(diff.find("Orders (properties)")).primaryText,
              "TABLE [Orders]\r\nFIELD [Note]\r\n   Caption: Remark\r\n");
    EXPECT_EQ(FOUND(diff.find("Remote (link source)")).primaryText,
              "LINK [Remote]\r\n   Database: C:\\data\\remote.accdb\r\n   Source Table: Stock\r\n");
    EXPECT_EQ(FOUND(diff.find("Lines.PrimaryKey")).owner(Side::Secondary),
              &diff.schema(Side::Secondary).tables[1]);
}

// A table is its columns; what hangs on it differs on its own, and a property set on one side
// only is a difference of the table's properties, not an object only one side has.
TEST_F(ComparingKinds, ATablesStateComesFromItsColumnsAlone) {
    shop(primary);
    shop(secondary);
    secondary.tables[0].indexes[0].ignoreNulls = true;
    secondary.tables[0].columns[1].caption.reset();
    secondary.tables[1].description = "One line of an order";
    secondary.relationships[0].cascadeDelete = true;
    secondary.queries[0].sql = "DELETE * FROM Lines WHERE ID > 10;\r\n";
    secondary.tables[2].foreignName = "Stock2";
    const Diff diff = compare();
    EXPECT_EQ(
        outline(diff),
        QStringList({"Remote LINK=", "Lines TABLE=", "Orders TABLE=", "Open VIEW=", "Purge QUERY!",
                     "Lines.PrimaryKey INDEX=", "Orders.PrimaryKey INDEX!",
                     "Lines.OrdersLines RELATIONSHIP!", "Lines (properties) PROPERTIES!",
                     "Orders (properties) PROPERTIES!", "Remote (link source) LINK SOURCE!"}));
    EXPECT_EQ(FOUND(diff.find("Orders (properties)")).secondaryText,
              "TABLE [Orders]\r\n   (no properties set)\r\n");
}

// The table reports its name's letter case; what hangs on it does not repeat it.
TEST_F(ComparingKinds, ATableNamedInAnotherCaseIsTheTablesDifferenceAlone) {
    shop(primary);
    shop(secondary);
    secondary.tables[0].name = "ORDERS";
    secondary.tables[0].columns[0].name = "id";
    secondary.tables[0].columns[1].name = "NOTE";
    secondary.tables[0].indexes[0].columns[0].name = "id";
    secondary.relationships[0].referencedTable = "ORDERS";
    secondary.relationships[0].columns[0].referencedColumn = "id";
    const Diff diff = compare();
    EXPECT_EQ(outline(diff).filter("!"), QStringList({"Orders TABLE!"}));
    EXPECT_TRUE(FOUND(diff.find("Orders.PrimaryKey")).secondaryText.contains("ON [Orders] ([ID])"));

    secondary.tables[0].indexes[0].unique = false; // a difference of its own still shows
    EXPECT_EQ(outline(compare()).filter("!"),
              QStringList({"Orders TABLE!", "Orders.PrimaryKey INDEX!"}));
}

// Jet's names hold no dot, so only a name such as "Orders (properties)" can clash; the later
// object then carries its kind.
TEST_F(ComparingKinds, NamesStayUniqueSoEveryObjectCanBeFound) {
    shop(primary);
    pri("Orders (properties)").Column("A", 3);
    primary.tables.last().description = "odd";
    const Diff diff = compare();
    ASSERT_NE(diff.find("Orders (properties)"), nullptr);
    EXPECT_EQ(FOUND(diff.find("Orders (properties)")).kind, ObjectKind::Table);
    ASSERT_NE(diff.find("Orders (properties) (properties)"), nullptr);
    EXPECT_EQ(FOUND(FOUND(diff.find("Orders (properties) (properties)")).owner(Side::Primary)).name,
              "Orders");
    const DiffEntry* odd = diff.find("ORDERS (PROPERTIES) (PROPERTIES) (properties)");
    ASSERT_NE(odd, nullptr);
    EXPECT_EQ(FOUND(odd->owner(Side::Primary)).name, "Orders (properties)");
}

TEST_F(ComparingKinds, HiddenQueriesAndTheSystemsPartsStayOutUnlessShown) {
    pri("MSysObjects", ObjectKind::SystemTable).Column("Id", 3);
    primary.tables[0].indexes = {primaryKey("Id")};
    pri("T").Column("Id", 3);
    primary.relationships = {{"SysT", "T", "MSysObjects", {{"Id", "Id"}}}};
    primary.queries = {{"~sq_cForm", QueryKind::Select, "SELECT 1;\r\n", {}, {}, true},
                       {"Shown", QueryKind::Update, "UPDATE T SET Id = 1;\r\n", {}, {}, true}};
    secondary.queries = {{"Shown", QueryKind::Update, "UPDATE T SET Id = 2;\r\n"}};
    primary.views = {{"~sq_fReport", "SELECT 2;\r\n", true}};

    const Diff hiding = compare();
    EXPECT_EQ(outline(hiding),
              QStringList({"MSysObjects SYSTEM TABLE<", "T TABLE<", "Shown QUERY!"}));
    EXPECT_EQ(hiding.countsByState(), (std::array<int, 4>{0, 1, 1, 0}));
    EXPECT_TRUE(hiding.entries[0].hidden);

    CompareOptions show;
    show.showHidden = true;
    const Diff all = compare(show);
    EXPECT_EQ(all.entries.size(), 7u);
    for (const char* name : {"~sq_cForm", "~sq_fReport", "MSysObjects.PrimaryKey", "T.SysT"}) {
        ASSERT_NE(all.find(name), nullptr) << name;
        EXPECT_TRUE(FOUND(all.find(name)).hidden) << name;
    }
    EXPECT_EQ(all.countsByState(true)[2], 6);
}

TEST_F(ComparingKinds, KindsAndExclusionsChooseWhatIsCompared) {
    shop(primary);
    shop(secondary);
    secondary.tables[2].kind = ObjectKind::Table; // a link on one side, a table on the other
    pri("tmpScratch").Column("Id", 3);
    primary.tables.last().indexes = {primaryKey("Id")};
    primary.relationships.append({"ScratchOrders", "tmpScratch", "Orders", {{"Id", "ID"}}});

    CompareOptions tables;
    tables.kinds = KindBit(KindGroup::Tables);
    EXPECT_EQ(outline(compare(tables)),
              QStringList({"Remote LINK!", "Lines TABLE=", "Orders TABLE=", "tmpScratch TABLE<"}));

    CompareOptions excluding;
    excluding.exclude = {"TMP*", "?urge"};
    const QStringList left = outline(compare(excluding));
    EXPECT_EQ(left.filter("Scratch"), QStringList());
    EXPECT_EQ(left.filter("Purge"), QStringList());
    EXPECT_EQ(left.size(), 9);
    excluding.exclude = {"Orders"}; // the table takes its index, properties and relationships
    EXPECT_EQ(outline(compare(excluding)).filter("Orders"), QStringList());
}

TEST_F(ComparingKinds, LetterCaseAndBlanksCountUnlessIgnored) {
    pri("T").Column("Name", 130, 10);
    sec("T").Column("NAME", 130, 10);
    priView("V", "SELECT a,\r\n    b FROM T WHERE c = 'x  y';\r\n");
    secView("V", "SELECT a, b\r\nFROM T WHERE c = 'x  y' ;\r\n");
    priView("W", "SELECT * FROM T WHERE c = 'x  y';\r\n");
    secView("W", "SELECT * FROM T WHERE c = 'x y';\r\n");
    primary.queries = {{"Q", QueryKind::Delete, "DELETE * FROM T;\r\n"}};
    secondary.queries = {{"q", QueryKind::Delete, "delete *\r\nfrom t;\r\n"}};
    EXPECT_EQ(outline(compare()), QStringList({"T TABLE!", "V VIEW!", "W VIEW!", "Q QUERY!"}));

    CompareOptions options;
    options.ignoreCase = true;
    EXPECT_EQ(outline(compare(options)),
              QStringList({"T TABLE=", "V VIEW!", "W VIEW!", "Q QUERY!"}));
    options.ignoreWhitespace = true;
    EXPECT_EQ(outline(compare(options)),
              QStringList({"T TABLE=", "V VIEW=", "W VIEW!", "Q QUERY="}));
    options.ignoreCase = false;
    EXPECT_EQ(outline(compare(options)),
              QStringList({"T TABLE!", "V VIEW=", "W VIEW!", "Q QUERY!"}));
}

TEST_F(ComparingKinds, AViewThatBecameAQueryIsOneDifferingObject) {
    priView("X", "SELECT * FROM T;\r\n");
    secondary.queries = {{"x", QueryKind::Update, "UPDATE T SET a = 1;\r\n"}};
    const Diff diff = compare();
    EXPECT_EQ(outline(diff), QStringList({"X VIEW!"}));
    EXPECT_EQ(diff.entries[0].kindOn(Side::Secondary), ObjectKind::Query);
}

TEST_F(ComparingKinds, NamesTakenTwiceAreRefusedAsJetWould) {
    pri("T").Column("a", 3);
    primary.queries = {{"t", QueryKind::Delete, "DELETE * FROM T;\r\n"}};
    EXPECT_EQ(test::ErrorOf([&] { compare(); }).code(), ErrorCode::DuplicateKey);
    primary.queries.clear();
    primary.tables[0].indexes = {primaryKey("a"), primaryKey("a")};
    primary.tables[0].indexes[1].name = "PRIMARYKEY";
    EXPECT_EQ(test::ErrorOf([&] { compare(); }).code(), ErrorCode::DuplicateKey);
    primary.tables[0].indexes.clear();
    primary.relationships = {{"R", "T", "T", {{"a", "a"}}}, {"r", "T", "T", {{"a", "a"}}}};
    EXPECT_EQ(test::ErrorOf([&] { compare(); }).code(), ErrorCode::DuplicateKey);
}

TEST(CompareSettings, KindListsPatternsAndTheSavedFormReadBack) {
    QString unknown;
    EXPECT_EQ(ParseKindGroups(" Tables, links ,"),
              KindBit(KindGroup::Tables) | KindBit(KindGroup::Links));
    EXPECT_EQ(ParseKindGroups("tables,widgets", &unknown), std::nullopt);
    EXPECT_EQ(unknown, "widgets");
    EXPECT_TRUE(MatchesWildcard("Straße", "STRASS?"));
    EXPECT_TRUE(MatchesWildcard("tmp_orders_2", "*orders*"));
    EXPECT_TRUE(MatchesWildcard("abcabd", "a*bd"));
    EXPECT_FALSE(MatchesWildcard("Orders", "Order"));
    EXPECT_FALSE(MatchesWildcard("Orders", "?Orders"));

    CompareSettings s;
    s.kinds = KindBit(KindGroup::Queries) | KindBit(KindGroup::Views);
    s.exclude = {"tmp*", "~*"};
    s.ignoreWhitespace = s.showHidden = true;
    EXPECT_EQ(CompareSettings::fromMap(s.toMap()), s);
    EXPECT_EQ(CompareSettings::fromMap({}), CompareSettings());
}
