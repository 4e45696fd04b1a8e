#include "engine/Connection.h"
#include "engine/clsEngine.h"
#include "engine/snapshot/SnapshotExport.h"
#include "tests/support/TestPaths.h"
#include "tests/ui/support/UiSession.h"
#include "ui/compare/frmCompare.h"
#include "ui/icons/Icons.h"
#include "ui/navigator/frmNav.h"

#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTreeWidget>

using namespace vantor;
using namespace vantor::test;

namespace {

QStringList childTexts(const QTreeWidgetItem* node) {
    QStringList texts;
    for (int i = 0; node && i < node->childCount(); ++i)
        texts << node->child(i)->text(0);
    return texts;
}

bool showsState(const QTreeWidgetItem* node, int status) {
    return node && node->icon(0).cacheKey() == StateIcon(status).cacheKey();
}

} // namespace

class ObjectTreeTest : public QObject {
    Q_OBJECT

    std::unique_ptr<UiSession> session;
    std::unique_ptr<frmCompare> compare;
    std::unique_ptr<frmNav> nav;

    AnsweringUi& ui() { return session->ui; }

    bool compareBoth(const QString& primary, const QString& secondary) {
        Engine = std::make_shared<clsEngine>();
        Engine->DbPathPrimary(primary);
        Engine->DbPathSecondary(secondary);
        if (!Engine->DbOpen() || !Engine->Refresh())
            return false;
        nav->Fill_TvObjects();
        return true;
    }

    ExampleDatabases compareExamples() {
        auto dbs = MakeExampleDatabases();
        [&] { QVERIFY(compareBoth("memory:pri", "memory:sec")); }();
        return dbs;
    }

    void doubleClick(const QString& key) {
        nav->tvDbObj->setCurrentItem(nav->Node(key));
        nav->tvDbObj_DblClick();
    }

    void expectMarksExactlyWherePosDiffPriSays() {
        QList<DiffRun> runs = DiffRuns(Engine->PosDiffPri);
        QVERIFY(!runs.isEmpty());
        for (QTextEdit* pane : compare->ed)
            QCOMPARE(RedMask(*pane), ExpectedMask(pane->toPlainText(), runs));
    }

private Q_SLOTS:
    void init() {
        session = std::make_unique<UiSession>();
        compare = std::make_unique<frmCompare>();
        nav = std::make_unique<frmNav>(compare.get());
    }
    void cleanup() {
        nav.reset();
        compare.reset();
        session.reset();
    }

    void treeHasRootCategoriesAndObjectsMarkedByState() {
        compareExamples();
        QCOMPARE(nav->tvDbObj->topLevelItemCount(), 1);
        QTreeWidgetItem* root = nav->Node(":ROOT");
        QCOMPARE(root->text(0), QString("MDB"));
        QCOMPARE(childTexts(root), QStringList({"TABLE", "VIEW", "LINK"}));
        QCOMPARE(childTexts(nav->Node(":TABLE")),
                 QStringList({"Orders", "Customers", "OnlyPri", "OnlySec"}));
        QCOMPARE(childTexts(nav->Node(":VIEW")), QStringList({"Open Orders"}));
        QCOMPARE(childTexts(nav->Node(":LINK")), QStringList({"Linked"}));
        QVERIFY(!nav->Node(":MSysObjects") && !nav->Node(":MSysAccessStorage"));

        QVERIFY(showsState(nav->Node(":Orders"), 0));
        QVERIFY(showsState(nav->Node(":Customers"), 1));
        QVERIFY(showsState(nav->Node(":OnlyPri"), 2));
        QVERIFY(showsState(nav->Node(":OnlySec"), 3));
        QVERIFY(showsState(nav->Node(":Open Orders"), 1));
        QVERIFY(nav->Node(":TABLE")->isExpanded());
        QVERIFY(nav->Node(":LINK")->isExpanded());
    }

    void objectsNamedLikeTheRootOrACategoryAreLeftOut() {
        auto pri = MemoryDatabase::Create("pri");
        MemoryDatabase::Create("sec");
        for (const char* name : {"ROOT", "TABLE", "VIEW", "Kept"})
            pri->AddTable(name).Column("a", 3);
        QVERIFY(compareBoth("memory:pri", "memory:sec"));
        QCOMPARE(childTexts(nav->Node(":TABLE")), QStringList({"Kept"}));
        QCOMPARE(nav->Nodes().size(), size_t(4));
    }

    void rebuildSelectsTheNodeAtTheSameIndex() {
        auto dbs = compareExamples();
        QCOMPARE(nav->tvDbObj->currentItem(), nav->Node(":ROOT"));
        // Index 3: after the root and the two categories.
        nav->tvDbObj->setCurrentItem(nav->Node(":Orders"));

        // A new table ahead of it shifts the content; the index stays.
        MemoryTable aardvark;
        aardvark.name = "Aardvark";
        dbs.pri->tables.insert(2, aardvark);
        dbs.sec->tables.insert(2, aardvark);
        QVERIFY(Engine->Refresh());
        nav->Fill_TvObjects();
        QCOMPARE(nav->tvDbObj->currentItem()->text(0), QString("Aardvark"));

        // An index past the end of a shorter tree selects nothing.
        nav->tvDbObj->setCurrentItem(nav->Nodes().back());
        dbs.pri->tables.clear();
        dbs.pri->views.clear();
        dbs.sec->tables.clear();
        dbs.sec->views.clear();
        QVERIFY(Engine->Refresh());
        nav->Fill_TvObjects();
        QCOMPARE(nav->Nodes().size(), size_t(3));
        QVERIFY(!nav->tvDbObj->currentItem());
    }

    void doubleClickOnADifferingTableMarksExactlyTheDifferingStretches() {
        compareExamples();
        doubleClick(":Customers");
        QCOMPARE(compare->lblDb[1]->text(), QString("memory:sec"));
        QCOMPARE(compare->PaneText(0), Engine->TablesPri->Item(":Customers")->SqlCreate());
        QCOMPARE(compare->PaneText(1), Engine->TablesSec->Item(":Customers")->SqlCreate());
        expectMarksExactlyWherePosDiffPriSays();
        // The Name column's length is where the texts part: 50 against 80.
        int at = compare->ed[0]->toPlainText().indexOf("(50)") + 1;
        QCOMPARE(RedMask(*compare->ed[0]).mid(at, 2), QString("r."));
    }

    void doubleClickOnAViewShowsItsStoredText() {
        compareExamples();
        doubleClick(":Open Orders");
        QCOMPARE(compare->ed[1]->toPlainText(),
                 QString("CREATE VIEW [Open Orders] AS \nSELECT b FROM Orders;\nGO"));
        QCOMPARE(RedMask(*compare->ed[0]).count('r'), 1);
        expectMarksExactlyWherePosDiffPriSays();
    }

    void oneSidedObjectsShowOnlyTheirSideUnmarked() {
        compareExamples();
        doubleClick(":OnlyPri");
        QVERIFY(compare->ed[0]->toPlainText().startsWith("CREATE TABLE [OnlyPri]"));
        QVERIFY(compare->ed[1]->toPlainText().isEmpty());
        QVERIFY(!RedMask(*compare->ed[0]).contains('r'));

        doubleClick(":OnlySec");
        QVERIFY(compare->ed[0]->toPlainText().isEmpty());
        QVERIFY(compare->ed[1]->toPlainText().startsWith("CREATE TABLE [OnlySec]"));

        doubleClick(":TABLE");
        QVERIFY(compare->ed[1]->toPlainText().isEmpty());
    }

    void f5ComparesAgainAndAFailureClearsTheComparison() {
        auto dbs = compareExamples();
        dbs.sec->AddTable("Fresh").Column("a", 3);
        QTest::keyClick(nav->tvDbObj, Qt::Key_F5);
        QVERIFY(showsState(nav->Node(":Fresh"), 3));
        nav->tvDbObj->setCurrentItem(nav->Node(":Customers"));
        nav->tvDbObj_DblClick();
        QVERIFY(!compare->ed[0]->toPlainText().isEmpty());

        // A database that cannot be opened again leaves nothing of the old comparison on screen.
        CnPrimary->Close();
        dbs.pri->failOpen = VantorError(err::Provider, "Could not find file 'gone.mdb'.");
        nav->Reload();
        QCOMPARE(ui().Prompts(),
                 QStringList({"Cannot open database.\n\nCould not find file 'gone.mdb'."}));
        QVERIFY(!nav->Node(":Customers"));
        QCOMPARE(nav->tvDbObj->topLevelItemCount(), 0);
        for (int i : {0, 1})
            QVERIFY(compare->ed[i]->toPlainText().isEmpty());
        QVERIFY(compare->lblTbl[0]->text().isEmpty());
    }

    void reloadWithoutAnEngineAsksForADatabase() {
        nav->Reload();
        QCOMPARE(ui().Prompts(), QStringList({"Please open database first.!"}));
        nav->Fill_TvObjects(); // no engine: just the skeleton
        QCOMPARE(nav->Nodes().size(), size_t(3));
    }

    void realAccessFileAgainstAnEditedSnapshotOfIt() {
        QString access = SharedAccessDir();
        if (access.isEmpty())
            QSKIP("the shared Access test files are not here");
        QTemporaryDir dir;
        QString mdb = dir.filePath("testV2003.mdb");
        QString snapshot = dir.filePath("edited.json");
        QVERIFY(QFile::copy(access + "/testV2003.mdb", mdb));
        {
            Connection cn;
            cn.Properties(prop::DataSource).Value(mdb);
            cn.Open();
            ExportSnapshot(cn, snapshot);
        }
        {
            Connection cn;
            cn.Properties(prop::DataSource).Value(snapshot);
            cn.Open();
            cn.Execute("ALTER TABLE [Table1] ADD COLUMN [Extra] TEXT(10)");
            cn.Execute("DROP TABLE [Table2]");
            cn.Execute("CREATE TABLE [Added] ([Id] LONG)");
        }
        QVERIFY(compareBoth(mdb, snapshot));
        QCOMPARE(childTexts(nav->Node(":ROOT")), QStringList({"TABLE", "VIEW"}));
        QVERIFY(showsState(nav->Node(":Table1"), 1));
        QVERIFY(showsState(nav->Node(":Table2"), 2));
        QVERIFY(showsState(nav->Node(":Table3"), 0));
        QVERIFY(showsState(nav->Node(":Added"), 3));
        for (const auto& object : *Engine->Tables)
            if (object->xType() == "SYSTEM TABLE" || object->xType() == "ACCESS TABLE")
                QVERIFY(!nav->Node(object->Obj_Key()));

        doubleClick(":Table1");
        QVERIFY(compare->ed[1]->toPlainText().contains("[Extra]"));
        expectMarksExactlyWherePosDiffPriSays();
    }
};

QTEST_MAIN(ObjectTreeTest)
#include "ObjectTreeTest.moc"
