#include "engine/SchemaDump.h"
#include "tests/support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace vantor;

namespace {

Column column(const QString& name, qint32 type, std::optional<qint32> length = std::nullopt) {
    Column c;
    c.name = name;
    c.dataType = type;
    c.maxLength = length;
    return c;
}

// A shop with a bit of everything, its lists deliberately out of order.
Schema shop() {
    Schema s;
    s.sourceFormat = QStringLiteral("JET4");
    Table orders;
    orders.name = QStringLiteral("orders");
    orders.description = QStringLiteral("One row per order");
    Column id = column(QStringLiteral("ID"), 3);
    id.autoNumber = true;
    id.nullable = false;
    Column placed = column(QStringLiteral("Placed On"), 7);
    placed.defaultValue = QStringLiteral("Date()");
    placed.validationRule = QStringLiteral("<=Date()");
    placed.caption = QStringLiteral("Placed");
    placed.required = true;
    placed.nullable = false;
    Column note = column(QStringLiteral("Note"), 130, 0);
    note.description = QStringLiteral("Two\r\nlines");
    Column price = column(QStringLiteral("Price"), 131);
    price.precision = 10;
    price.scale = 2;
    orders.columns = {id, placed, note, price, column(QStringLiteral("Customer"), 3)};
    orders.indexes = {
        {QStringLiteral("PrimaryKey"), {{QStringLiteral("ID"), false}}, true, true, false, true},
        {QStringLiteral("ByDate"), {{QStringLiteral("Placed On"), true}}}};
    Table customers;
    customers.name = QStringLiteral("Customers");
    customers.columns = {column(QStringLiteral("ID"), 3), column(QStringLiteral("Name"), 130, 50)};
    Table remote;
    remote.name = QStringLiteral("Remote");
    remote.kind = ObjectKind::Link;
    remote.connect = QStringLiteral("ODBC;DSN=erp;PWD=secret;");
    remote.foreignName = QStringLiteral("dbo.Stock");
    remote.columns = {column(QStringLiteral("Sku"), 130, 20)};
    Table system;
    system.name = QStringLiteral("MSysObjects");
    system.kind = ObjectKind::SystemTable;
    system.columns = {column(QStringLiteral("Id"), 3)};
    s.tables = {orders, system, remote, customers};
    s.views = {{QStringLiteral("Recent"), QStringLiteral("SELECT *  \r\nFROM orders;\r\n")},
               {QStringLiteral("~sq_fOrders"), QStringLiteral("SELECT 1;"), true}};
    Query pass;
    pass.name = QStringLiteral("Sync");
    pass.kind = QueryKind::PassThrough;
    pass.sql = QStringLiteral("EXEC sync");
    pass.connect = QStringLiteral("ODBC;UID=sa;PWD=hunter2");
    Query bump;
    bump.name = QStringLiteral("bump");
    bump.kind = QueryKind::Update;
    bump.sql = QStringLiteral("PARAMETERS [By] Long;\nUPDATE orders SET Price = Price + [By];");
    bump.parameters = {{QStringLiteral("[By]"), QStringLiteral("Long")}};
    s.queries = {pass, bump};
    Relationship r;
    r.name = QStringLiteral("CustomersOrders");
    r.table = QStringLiteral("orders");
    r.referencedTable = QStringLiteral("Customers");
    r.columns = {{QStringLiteral("Customer"), QStringLiteral("ID")}};
    r.enforced = r.cascadeDelete = true;
    Relationship sys = r;
    sys.name = QStringLiteral("MSysLink");
    sys.referencedTable = QStringLiteral("MSysObjects");
    s.relationships = {sys, r};
    return s;
}

const char* const kShopDump = R"(TABLE [Customers]
  COLUMN [ID] LONG
  COLUMN [Name] TEXT(50)

TABLE [orders]
  Description: One row per order
  COLUMN [ID] COUNTER NOT NULL
  COLUMN [Placed On] DATETIME NOT NULL
    Default Value: Date()
    Caption: Placed
    Validation Rule: <=Date()
    Required: Yes
  COLUMN [Note] MEMO
    Description: Two\nlines
  COLUMN [Price] DECIMAL(10,2)
  COLUMN [Customer] LONG
  INDEX [ByDate] ([Placed On] DESC)
  INDEX [PrimaryKey] ([ID]) PRIMARY UNIQUE REQUIRED

LINK [Remote]
  Connect: ODBC;DSN=erp;PWD=***;
  Source Table: dbo.Stock
  COLUMN [Sku] TEXT(20)

VIEW [Recent]
  SQL:
    SELECT *
    FROM orders;

QUERY [bump]
  Kind: UPDATE
  Parameter: [By] Long
  SQL:
    PARAMETERS [By] Long;
    UPDATE orders SET Price = Price + [By];

QUERY [Sync]
  Kind: PASS-THROUGH
  Connect: ODBC;UID=sa;PWD=***
  SQL:
    EXEC sync

RELATIONSHIP [CustomersOrders]
  Table: [orders]
  References: [Customers]
  Column: [Customer] -> [ID]
  Enforced: Yes
  One To One: No
  Cascade Update: No
  Cascade Delete: Yes
  Cascade To Null: No
)";

TEST(SchemaDump, IsCanonicalWhateverOrderTheFileListsThingsIn) {
    const Schema s = shop();
    EXPECT_EQ(SchemaDumpText(s), QString::fromUtf8(kShopDump));

    // The same schema listed the other way round, with another format and other line ends in its
    // SQL, gives the same bytes; the columns keep the table's own order, which is part of it.
    Schema reversed = s;
    reversed.sourceFormat = QStringLiteral("ACE12");
    std::reverse(reversed.tables.begin(), reversed.tables.end());
    std::reverse(reversed.views.begin(), reversed.views.end());
    std::reverse(reversed.queries.begin(), reversed.queries.end());
    std::reverse(reversed.relationships.begin(), reversed.relationships.end());
    std::reverse(reversed.tables[3].indexes.begin(), reversed.tables[3].indexes.end());
    reversed.views[1].definition = QStringLiteral("\nSELECT *\nFROM orders;  \n\n");
    reversed.queries[0].parameters[0].name = QStringLiteral("By");
    EXPECT_EQ(SchemaDumpText(reversed), SchemaDumpText(s));

    Schema moved = s;
    std::swap(moved.tables[0].columns[1], moved.tables[0].columns[2]);
    EXPECT_NE(SchemaDumpText(moved), SchemaDumpText(s));
}

TEST(SchemaDump, HiddenObjectsKindsAndExcludedNames) {
    const Schema s = shop();
    CompareSettings hidden;
    hidden.showHidden = true;
    const QString all = SchemaDumpText(s, hidden);
    EXPECT_TRUE(
        all.contains(QLatin1String("\n\nSYSTEM TABLE [MSysObjects]\n  COLUMN [Id] LONG\n")));
    EXPECT_TRUE(all.contains(QLatin1String("VIEW [~sq_fOrders]\n  Hidden: Yes\n")));
    EXPECT_TRUE(all.contains(QLatin1String("RELATIONSHIP [MSysLink]")));
    EXPECT_FALSE(all.contains(QLatin1String("secret")));

    CompareSettings some;
    some.kinds = KindBit(KindGroup::Indexes) | KindBit(KindGroup::Queries);
    some.exclude = {QStringLiteral("Sy*")};
    EXPECT_EQ(SchemaDumpText(s, some),
              QStringLiteral("TABLE [Customers]\n\nTABLE [orders]\n"
                             "  INDEX [ByDate] ([Placed On] DESC)\n"
                             "  INDEX [PrimaryKey] ([ID]) PRIMARY UNIQUE REQUIRED\n\n"
                             "LINK [Remote]\n\n"
                             "QUERY [bump]\n  Kind: UPDATE\n  Parameter: [By] Long\n  SQL:\n"
                             "    PARAMETERS [By] Long;\n"
                             "    UPDATE orders SET Price = Price + [By];\n"));

    // Leaving a table out leaves out the relationships it takes part in.
    CompareSettings withoutCustomers;
    withoutCustomers.exclude = {QStringLiteral("customers")};
    const QString text = SchemaDumpText(s, withoutCustomers);
    EXPECT_FALSE(text.contains(QLatin1String("Customers")));
    EXPECT_TRUE(text.contains(QLatin1String("TABLE [orders]")));
    EXPECT_EQ(SchemaDumpText(Schema{}), QString());
}

TEST(SchemaDump, TypesAsJetSpellsThem) {
    struct Case {
        Column column;
        const char* text;
    };
    Column counter = column(QStringLiteral("a"), 3);
    counter.autoNumber = true;
    Column plainDecimal = column(QStringLiteral("a"), 131);
    Column replicationId = column(QStringLiteral("a"), 72);
    replicationId.autoNumber = true;
    Column multiText = column(QStringLiteral("a"), 13);
    multiText.valueType = 130;
    multiText.valueMaxLength = 50;
    Column multiLong = column(QStringLiteral("a"), 13);
    multiLong.valueType = 3;
    const Case cases[] = {
        {column(QStringLiteral("a"), 130, 255), "TEXT(255)"},
        {column(QStringLiteral("a"), 130), "MEMO"},
        {column(QStringLiteral("a"), 128, 16), "BINARY(16)"},
        {column(QStringLiteral("a"), 128, 0), "LONGBINARY"},
        {counter, "COUNTER"},
        {plainDecimal, "DECIMAL(18,0)"},
        {column(QStringLiteral("a"), 135), "TIMESTAMP"},
        {column(QStringLiteral("a"), 13), "COMPLEX"},
        {column(QStringLiteral("a"), 72), "GUID"},
        {replicationId, "GUID AUTONUMBER"},
        {multiText, "TEXT(50) MULTIVALUE"},
        {multiLong, "LONG MULTIVALUE"},
        {column(QStringLiteral("a"), 8192), "TYPE(8192)"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(JetTypeText(c.column), QString::fromLatin1(c.text));
}

} // namespace

// The text is made as UTF-8 bytes: names and settings beyond ASCII, characters outside the
// basic plane and every kind of line break inside a value come out as they would converted whole.
TEST(SchemaDump, TextBeyondAsciiComesOutAsUtf8WithBreaksOnOneLine) {
    Schema s;
    Table t;
    t.name = QStringLiteral("Größe 😀");
    t.description = QStringLiteral("naïve\r\nplan");
    Column c = column(QStringLiteral("Ünit"), 130, 10);
    c.caption = QStringLiteral("a\rb\r\n\nc");
    c.validationText = QStringLiteral("\n");
    c.format = QString();
    c.description = QStringLiteral("😀 then ASCII");
    t.columns = {c};
    t.indexes = {{QStringLiteral("ByÜnit"), {{QStringLiteral("Ünit"), true}}}};
    s.tables = {t};
    s.views = {{QStringLiteral("Ansicht"), QStringLiteral("SELECT 'ß'  \r\nFROM [Größe 😀];")}};
    const QByteArray expected = "TABLE [Größe 😀]\n"
                                "  Description: naïve\\nplan\n"
                                "  COLUMN [Ünit] TEXT(10)\n"
                                "    Description: 😀 then ASCII\n"
                                "    Caption: a\\nb\\n\\nc\n"
                                "    Format: \n"
                                "    Validation Text: \\n\n"
                                "  INDEX [ByÜnit] ([Ünit] DESC)\n"
                                "\n"
                                "VIEW [Ansicht]\n"
                                "  SQL:\n"
                                "    SELECT 'ß'\n"
                                "    FROM [Größe 😀];\n";
    EXPECT_EQ(SchemaDumpUtf8(s), expected);
    EXPECT_EQ(SchemaDumpText(s), QString::fromUtf8(expected));
}
