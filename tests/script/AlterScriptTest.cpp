#include "script/AlterScript.h"
#include "tests/support/QtPrinters.h"
#include "tests/support/SchemaPair.h"

#include <functional>
#include <gtest/gtest.h>

using namespace vantor;
using namespace vantor::test;

TEST(AlterScript, LayoutOfAddAlterAndDropBatches) {
    struct Case {
        const char* what;
        std::function<void(TableBuilder&)> primary, secondary;
        QString forSecondary, forPrimary;
    };
    const QString same = "\r\n\r\n\r\n\r\n";
    const Case cases[] = {
        {"identical, column names in another case",
         [](TableBuilder& t) { t.Column("A", 3).Column("B", 130, 5); },
         [](TableBuilder& t) { t.Column("a", 3).Column("B", 130, 5); }, same, same},
        {"added, then altered",
         [](TableBuilder& t) { t.Column("A", 130, 40).Column("B", 130, 50, false); },
         [](TableBuilder& t) { t.Column("B", 130, 30); },
         "ALTER TABLE [T]\r\n ADD \r\n   [A] TEXT(40)  \r\nGO\r\n"
         "ALTER TABLE [T]\r\n ALTER COLUMN \r\n  [B] TEXT(50) NOT NULL \r\nGO\r\n\r\nGO\r\n",
         {}},
        {"added columns keep NOT NULL but for literal type rows",
         [](TableBuilder& t) {
             t.Column("ID", 3).Column("Code", 130, 8, false).Column("Num", 4, 0, false);
         },
         [](TableBuilder& t) { t.Column("ID", 3); },
         "ALTER TABLE [T]\r\n ADD \r\n   [Code] TEXT(8)  NOT NULL , \r\n   [Num] SINGLE\r\n"
         "GO\r\n\r\n\r\n",
         {}},
        {"surplus columns dropped in a batch of their own",
         [](TableBuilder& t) { t.Column("Keep", 3).Column("New", 130, 5).Column("Wide", 130, 80); },
         [](TableBuilder& t) {
             t.Column("Old1", 3).Column("Keep", 3).Column("Wide", 130, 40).Column("Old2", 11);
         },
         "ALTER TABLE [T]\r\n ADD \r\n   [New] TEXT(5)  \r\nGO\r\n"
         "-- Data loss: DROP COLUMN [T].[Old1], [T].[Old2] and the data in them\r\n"
         "ALTER TABLE [T]\r\n DROP COLUMN \r\n   [Old1], \r\n   [Old2]\r\nGO\r\n"
         "ALTER TABLE [T]\r\n ALTER COLUMN \r\n  [Wide] TEXT(80) NULL \r\nGO\r\n\r\nGO\r\n",
         "ALTER TABLE [T]\r\n ADD \r\n   [Old1] INTEGER,\r\n   [Old2] YESNO\r\nGO\r\n"
         "-- Data loss: DROP COLUMN [T].[New] and the data in it\r\n"
         "ALTER TABLE [T]\r\n DROP COLUMN \r\n   [New]\r\nGO\r\n"
         "-- Data loss: ALTER COLUMN [T].[Wide] from TEXT(80) to TEXT(40) may cut or refuse "
         "values\r\n"
         "ALTER TABLE [T]\r\n ALTER COLUMN \r\n  [Wide] TEXT(40) NULL \r\nGO\r\n\r\nGO\r\n"},
        {"altered type texts end without separator; no SQL type, no batch; columns by name",
         [](TableBuilder& t) { t.Column("N", 3).Column("G", 72, 0, false).Column("Odd", 15); },
         [](TableBuilder& t) { t.Column("N", 130, 10).Column("G", 72, 0, true).Column("Odd", 3); },
         "\r\n\r\nALTER TABLE [T]\r\n ALTER COLUMN \r\n  [G] GUID NOT NULL \r\nGO\r\n"
         "-- Data loss: ALTER COLUMN [T].[N] from TEXT(10) to INTEGER may cut or refuse values\r\n"
         "ALTER TABLE [T]\r\n ALTER COLUMN \r\n  [N] INTEGER\r\nGO\r\n\r\nGO\r\n",
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SchemaPair pair;
        TableBuilder pri = pair.pri("T");
        c.primary(pri);
        TableBuilder sec = pair.sec("T");
        c.secondary(sec);
        const Diff diff = pair.compare();
        EXPECT_EQ(AlterScriptFor(diff, "T", Side::Secondary), c.forSecondary);
        if (!c.forPrimary.isNull()) {
            EXPECT_EQ(AlterScriptFor(diff, "T", Side::Primary), c.forPrimary);
        }
    }
}

TEST(AlterScript, NothingToRunWhenTheTableIsNotATableOnBothSides) {
    SchemaPair pair;
    pair.sec("SecOnly").Column("A", 3);
    pair.pri("Mixed").Column("A", 3);
    pair.secView("Mixed", "SELECT 1");
    pair.pri("Both").Column("A", 3);
    pair.sec("Both").Column("A", 3).Column("B", 130, 10);
    const Diff diff = pair.compare();
    EXPECT_EQ(AlterScriptFor(diff, "SecOnly", Side::Primary), "");
    EXPECT_EQ(AlterScriptFor(diff, "SecOnly", Side::Secondary), "");
    EXPECT_EQ(AlterScriptFor(diff, "Mixed", Side::Secondary), "");
    EXPECT_EQ(AlterScriptFor(diff, "Nowhere", Side::Secondary), "");
    EXPECT_TRUE(AlterScriptFor(diff, "both", Side::Primary).startsWith("ALTER TABLE [both]\r\n"));
}
