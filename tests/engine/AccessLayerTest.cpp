#include "engine/Connection.h"
#include "engine/memory/MemoryBackend.h"

#include "tests/support/QtPrinters.h"
#include "tests/support/RecordsetValues.h"

#include <gtest/gtest.h>

using namespace vantor;
using vantor::test::ColumnValues;

namespace {

class AccessLayer : public ::testing::Test {
protected:
    void SetUp() override {
        MemoryDatabase::DropAll();
        db = MemoryDatabase::Create("db");
        db->AddTable("Orders").Column("Id", 3).Column("Note", 130, 50);
        db->AddTable("MSysObjects", "SYSTEM TABLE");
        db->AddView("Open Orders", "SELECT * FROM Orders;");
    }
    void TearDown() override { MemoryDatabase::DropAll(); }

    Connection openDb() {
        Connection cn;
        cn.Provider("Microsoft.Jet.OLEDB.4.0");
        cn.Properties("Data Source").Value("memory:db");
        cn.Open("", "", "", -1);
        return cn;
    }

    std::shared_ptr<MemoryDatabase> db;
};

} // namespace

TEST_F(AccessLayer, NewConnectionIsClosedAndOpensWithItsProperties) {
    Connection cn;
    EXPECT_EQ(cn.State(), adStateClosed);
    cn.Provider("Microsoft.Jet.OLEDB.4.0");
    cn.Properties("Data Source").Value("memory:db");
    cn.Open("", "", "", -1);
    EXPECT_EQ(cn.State(), adStateOpen);
    ASSERT_EQ(db->opens.size(), 1);
    EXPECT_EQ(db->opens[0].provider, "Microsoft.Jet.OLEDB.4.0");
    cn.Close();
    EXPECT_EQ(cn.State(), adStateClosed);
}

TEST_F(AccessLayer, OperationsOnAClosedConnectionRaise) {
    Connection cn;
    EXPECT_THROW(cn.OpenSchema(adSchemaTables), VantorError);
    EXPECT_THROW(cn.Execute("DROP TABLE [x]"), VantorError);
    EXPECT_THROW(cn.Close(), VantorError);
    Connection open = openDb();
    EXPECT_THROW(open.Open(), VantorError);
}

TEST_F(AccessLayer, SchemaRowsetsServeTablesColumnsAndViews) {
    Connection cn = openDb();
    auto tables = cn.OpenSchema(adSchemaTables);
    EXPECT_EQ(ColumnValues(*tables, "TABLE_NAME"),
              QStringList({"Orders", "MSysObjects", "Open Orders"}));
    EXPECT_EQ(ColumnValues(*tables, "TABLE_TYPE"), QStringList({"TABLE", "SYSTEM TABLE", "VIEW"}));

    auto columns = cn.OpenSchema(adSchemaColumns, {QVariant(), QVariant(), "ORDERS", QVariant()});
    ASSERT_FALSE(columns->Eof());
    EXPECT_EQ(columns->Fields("COLUMN_NAME").Value().toString(), "Id");
    EXPECT_TRUE(columns->Fields("CHARACTER_MAXIMUM_LENGTH").Value().isNull());
    columns->MoveNext();
    EXPECT_EQ(columns->Fields("CHARACTER_MAXIMUM_LENGTH").Value().toInt(), 50);
    EXPECT_EQ(columns->Fields("DATA_TYPE").Value().toInt(), 130);
    EXPECT_TRUE(columns->Fields("IS_NULLABLE").Value().toBool());
    columns->MoveNext();
    EXPECT_TRUE(columns->Eof());

    auto views = cn.OpenSchema(adSchemaViews);
    EXPECT_EQ(ColumnValues(*views, "VIEW_DEFINITION"), QStringList({"SELECT * FROM Orders;"}));
}

TEST_F(AccessLayer, RecordsetRefusesReadsPastTheEndAndUnknownFields) {
    Connection cn = openDb();
    auto views = cn.OpenSchema(adSchemaViews);
    EXPECT_THROW(views->Fields("NO_SUCH_COLUMN"), VantorError);
    views->MoveNext();
    EXPECT_TRUE(views->Eof());
    EXPECT_THROW(views->MoveNext(), VantorError);
    EXPECT_THROW(views->Fields("TABLE_NAME"), VantorError);
    views->Close();
    EXPECT_THROW(views->Eof(), VantorError);
}

TEST_F(AccessLayer, ExecuteRecordsStatementsAndRaisesTheInjectedError) {
    Connection cn = openDb();
    cn.Execute("CREATE TABLE [A] ([x] INTEGER)");
    db->failExecute = VantorError(-2147217900, "Syntax error in CREATE TABLE statement.");
    try {
        cn.Execute("CREATE TABLE oops");
        FAIL() << "the injected error must reach the caller";
    } catch (const VantorError& e) {
        EXPECT_EQ(e.Number(), -2147217900);
        EXPECT_EQ(e.Description(), "Syntax error in CREATE TABLE statement.");
    }
    EXPECT_EQ(db->executed, QStringList({"CREATE TABLE [A] ([x] INTEGER)", "CREATE TABLE oops"}));
}
