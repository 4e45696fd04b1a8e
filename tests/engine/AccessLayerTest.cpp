#include "engine/Connection.h"
#include "engine/memory/MemoryBackend.h"

#include "tests/support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace vantor;

namespace {

class AccessLayer : public ::testing::Test {
protected:
    void SetUp() override {
        MemoryDatabase::DropAll();
        db = MemoryDatabase::Create("db");
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

TEST_F(AccessLayer, ConnectionOpensWithItsPropertiesAndRefusesWorkWhileClosed) {
    Connection cn;
    EXPECT_EQ(cn.State(), adStateClosed);
    EXPECT_THROW(cn.OpenSchema(adSchemaTables), VantorError);
    EXPECT_THROW(cn.Execute("DROP TABLE [x]"), VantorError);
    EXPECT_THROW(cn.Close(), VantorError);
    cn.Provider("Microsoft.Jet.OLEDB.4.0");
    cn.Properties("Data Source").Value("memory:db");
    cn.Open("", "", "", -1);
    EXPECT_EQ(cn.State(), adStateOpen);
    EXPECT_EQ(db->opens.value(0).provider, "Microsoft.Jet.OLEDB.4.0");
    EXPECT_THROW(cn.Open(), VantorError);
    cn.Close();
    EXPECT_EQ(cn.State(), adStateClosed);
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
