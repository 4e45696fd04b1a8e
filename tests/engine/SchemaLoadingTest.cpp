#include "tests/engine/EngineFixture.h"

using namespace vantor;
using namespace vantor::test;

namespace {

class SchemaLoading : public EngineFixture {
protected:
    // Every notification the engine raises, as "number description".
    QStringList notifications;

    void SetUp() override {
        EngineFixture::SetUp();
        pointAtBoth();
        // The connect dialog opens both databases before the first Refresh.
        ASSERT_TRUE(Engine->DbOpen());
        ui.events.clear();
        QObject::connect(Engine.get(), &clsEngine::ErrorEvents, [this](qint32 n, const QString& d) {
            notifications << QString::number(n) + " " + d;
        });
    }

    std::shared_ptr<clsObject> pri_(const QString& name) {
        return Engine->TablesPri->Item(":" + name);
    }
    std::shared_ptr<clsObject> sec_(const QString& name) {
        return Engine->TablesSec->Item(":" + name);
    }
};

} // namespace

TEST_F(SchemaLoading, ObjectsAndColumnsCarryTheValuesEveryReaderSees) {
    pri->AddTable("Orders")
        .Column("ID", 3, QVariant(), false)
        .Column("Note", 130, 50)
        .Column("Memo", 130, 0)
        .Column("Flag", 11, QVariant(), false);
    pri->AddTable("MSysObjects", "SYSTEM TABLE").Column("Id", 3);

    ASSERT_TRUE(Engine->Refresh());
    auto orders = pri_("Orders");
    ASSERT_NE(orders, nullptr);
    EXPECT_EQ(orders->Parent(), ":TABLE");
    EXPECT_EQ(orders->xType(), "TABLE");
    // Columns in the provider's order, keyed by name.
    auto fields = orders->Fields();
    EXPECT_EQ(fields->Item(4)->FieldName(), "Flag");
    EXPECT_EQ(fields->Item("id")->FieldType(), 3);
    EXPECT_FALSE(fields->Item("ID")->IsNullable());
    EXPECT_EQ(fields->Item("Note")->FieldSize(), 50);
    EXPECT_TRUE(fields->Item("Note")->IsNullable());
    // Only objects of type TABLE get columns.
    EXPECT_EQ(pri_("MSysObjects")->Fields()->Count(), 0);
    EXPECT_TRUE(notifications.isEmpty());
}

TEST_F(SchemaLoading, SidesAreReadInOrderWithTheWaitWindowMarkingActivity) {
    pri->AddTable("P1").Column("A", 3);
    pri->AddView("PV", "SELECT A FROM P1");
    sec->AddTable("S1").Column("A", 3);
    sec->AddView("SV", "SELECT A FROM S1");

    ASSERT_TRUE(Engine->Refresh());
    EXPECT_EQ(ui.Captions().mid(4), // after the two DbOpen calls
              QStringList({"Analyzing Tables...", "Analyzing tables: S1", "Analyzing tables: SV",
                           "Analyzing tables: P1", "Analyzing tables: PV", "Analyzing tables: P1",
                           "Analyzing tables: S1", "Analyzing view: PV", "Analyzing view: SV"}));

    const qsizetype analyzing = ui.events.indexOf("caption:Analyzing Tables...");
    EXPECT_EQ(ui.events.mid(analyzing + 1, 2), QStringList({"progress:3", "show"}));
    EXPECT_EQ(ui.events.last(), "unload");
    ASSERT_EQ(sec->schemaCalls.size(), 3);
    EXPECT_EQ(sec->schemaCalls[1].criteria, QVariantList({{}, {}, "S1", {}}));
}

TEST_F(SchemaLoading, ProgressRunsUpTo91AndWrapsToOne) {
    for (int i = 0; i < 100; ++i)
        pri->AddTable(QStringLiteral("T%1").arg(i));
    ASSERT_TRUE(Engine->Refresh());

    QList<int> values;
    for (const QString& e : ui.events)
        if (e.startsWith("progress:"))
            values << e.mid(9).toInt();
    const qsizetype at91 = values.indexOf(91);
    ASSERT_GT(at91, 0);
    EXPECT_EQ(values.mid(at91 - 1, 4), QList<int>({90, 91, 1, 2})); // set back at once
    EXPECT_EQ(*std::max_element(values.begin(), values.end()), 91);
    // Every step lets pending events run.
    EXPECT_GE(ui.events.count("doevents"), 200);
}

// A side that was not read whole is never compared: nothing of either side stays.
TEST_F(SchemaLoading, ATableListThatFailsLeavesNoHalfSchema) {
    sec->AddTable("Dup");
    sec->AddTable("Other");
    sec->AddTable("DUP"); // a key already present
    sec->AddTable("Never");
    pri->AddTable("Dup").Column("A", 3);

    EXPECT_FALSE(Engine->Refresh());
    EXPECT_EQ(notifications, QStringList({"457 This key is already associated with an element of "
                                          "this collection",
                                          "10003 Cannot open schemas."}));
    EXPECT_EQ(Engine->Tables->Count(), 0);
    EXPECT_EQ(Engine->TablesPri->Count(), 0);
    EXPECT_EQ(Engine->TablesSec->Count(), 0);
}

TEST_F(SchemaLoading, ColumnLoaderErrorEndsLoadingWithCannotOpenSchemas) {
    struct Case {
        const char* what;
        std::function<void(MemoryDatabase&)> spoil;
        QString error;
    };
    const QList<Case> cases = {
        {"duplicate column", [](MemoryDatabase& db) { db.tables[1].Column("a", 3); },
         "457 This key is already associated with an element of this collection"},
        {"length beyond 16 bits",
         [](MemoryDatabase& db) { db.tables[1].Column("Long", 130, 70000); }, "6 Overflow"},
        {"type code beyond 16 bits", [](MemoryDatabase& db) { db.tables[1].Column("Odd", 40000); },
         "6 Overflow"},
        {"null type code",
         [](MemoryDatabase& db) { db.tables[1].Column("Odd", 0).columns.last().dataType = {}; },
         "94 Invalid use of Null"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        SetUp();
        pri->AddTable("First").Column("X", 3);
        pri->AddTable("Second").Column("A", 3);
        pri->AddTable("Third").Column("Y", 3);
        c.spoil(*pri);

        EXPECT_FALSE(Engine->Refresh());
        EXPECT_EQ(Engine->ErrNumber(), 10003);
        EXPECT_EQ(Engine->ErrDescription(), "Cannot open schemas.");
        ASSERT_GE(notifications.size(), 2);
        EXPECT_EQ(notifications.mid(notifications.size() - 2),
                  QStringList({c.error, "10003 Cannot open schemas."}));
        EXPECT_EQ(ui.events.last(), "unload");
        EXPECT_EQ(Engine->Tables->Count(), 0);
        EXPECT_EQ(Engine->TablesPri->Count(), 0);
    }
}

TEST_F(SchemaLoading, ViewsReceiveTheirCreateViewBatch) {
    pri->AddTable("T").Column("A", 3);
    pri->AddView("V", "SELECT * FROM T");
    pri->AddView("Trailing", "SELECT A\r\nFROM T;\r\n");
    pri->AddTable("Clash");
    sec->AddTable("T").Column("A", 3);
    sec->AddView("V", "SELECT * FROM T");
    sec->AddView("SecOnly", "SELECT 1");
    sec->AddView("Clash", "SELECT 2"); // a table in the primary database

    ASSERT_TRUE(Engine->Refresh());
    EXPECT_EQ(pri_("V")->Obj_Text(), "CREATE VIEW [V] AS \r\nSELECT * FROM T\r\nGO");
    EXPECT_EQ(pri_("Trailing")->Obj_Text(),
              "CREATE VIEW [Trailing] AS \r\nSELECT A\r\nFROM T;\r\n\r\nGO");
    EXPECT_EQ(sec_("V")->Obj_Text(), pri_("V")->Obj_Text());
    EXPECT_EQ(sec_("Clash")->Obj_Text(), "");
    EXPECT_EQ(pri_("Clash")->Obj_Text(), "");
    EXPECT_FALSE(ui.Captions().contains("Analyzing view: Clash"));
}

TEST_F(SchemaLoading, UnreadableViewSchemaIsNoSuccess) {
    // A secondary database without tables meets its first column-free failure at the views.
    sec->failOpenSchema = VantorError(err::Provider, "Unspecified error");
    EXPECT_FALSE(Engine->Refresh());
    EXPECT_EQ(Engine->ErrNumber(), 10003);
    EXPECT_EQ(notifications.first(), QString::number(err::Provider) + " Unspecified error");
}
