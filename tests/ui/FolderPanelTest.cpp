#include "ui/navigator/FolderPanel.h"
#include "tests/ui/support/UiSession.h"
#include "ui/compare/frmCompare.h"
#include "ui/navigator/frmNav.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileSystemModel>
#include <QSignalSpy>
#include <QStorageInfo>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <sys/stat.h>

using namespace vantor;
using namespace vantor::test;

namespace {

void touch(const QString& path) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
}

QStringList column(const QTreeWidget* list, int index) {
    QStringList texts;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        texts << list->topLevelItem(i)->text(index);
    return texts;
}

} // namespace

class FolderPanelTest : public QObject {
    Q_OBJECT

    std::unique_ptr<UiSession> session;
    std::unique_ptr<frmCompare> compare;
    std::unique_ptr<frmNav> nav;
    QTemporaryDir dir;
    QString folder;
    QString startFolder;

private Q_SLOTS:
    void initTestCase() {
        folder = QDir(dir.path()).canonicalPath();
        for (const char* name : {"b.sql", "A.txt", "c", ".hidden"})
            touch(folder + "/" + name);
        QVERIFY(QDir(folder).mkpath("sub/deeper"));
        touch(folder + "/sub/inner.sql");
        QVERIFY(QFile::link(folder + "/nowhere", folder + "/dangling"));
        QCOMPARE(::mkfifo(QFile::encodeName(folder + "/pipe").constData(), 0600), 0);
        startFolder = QDir::currentPath();
    }

    void init() {
        session = std::make_unique<UiSession>();
        QVERIFY(QDir::setCurrent(folder));
        compare = std::make_unique<frmCompare>();
        nav = std::make_unique<frmNav>(compare.get());
    }
    void cleanup() {
        nav.reset();
        compare.reset();
        session.reset();
        QDir::setCurrent(startFolder);
    }

    void startsInTheWorkingFolderBehindTheObjectsTab() {
        QCOMPARE(nav->Tbs->currentWidget(), nav->picDbObj);
        QCOMPARE(nav->Dir1->Path(), folder);
        QCOMPARE(nav->Drive1->currentData().toString(), QStorageInfo(folder).rootPath());
        // Only the normal files: no folders, hidden files, dangling links or pipes.
        QCOMPARE(column(nav->File1, 0), QStringList({"A.txt", "b.sql", "c"}));
        QCOMPARE(FolderPanel::FileKey(nav->File1->topLevelItem(1)), folder + "/b.sql");
    }

    void aFolderEndingInASlashGetsNoSecondOne() {
        nav->File1->clear();
        nav->picFolders->FillFile1WithFiles(folder + "/");
        QCOMPARE(column(nav->File1, 1), QStringList(3, folder + "/"));
        QCOMPARE(FolderPanel::FileKey(nav->File1->topLevelItem(0)), folder + "/A.txt");

        QVERIFY(nav->Dir1->SetPath("/"));
        QCOMPARE(nav->Dir1->Path(), QString("/"));
        for (int i = 0; i < nav->File1->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* item = nav->File1->topLevelItem(i);
            QCOMPARE(item->text(1), QString("/"));
            QCOMPARE(FolderPanel::FileKey(item), "/" + item->text(0));
        }
    }

    void changingTheFolderRebuildsTheList() {
        QVERIFY(nav->Dir1->SetPath(folder + "/sub/deeper/.."));
        QCOMPARE(nav->Dir1->Path(), folder + "/sub");
        QCOMPARE(column(nav->File1, 1), QStringList({folder + "/sub/"}));

        // As the user picks a folder in the tree.
        auto* model = qobject_cast<QFileSystemModel*>(nav->Dir1->model());
        QVERIFY(model);
        nav->Dir1->setCurrentIndex(model->index(folder + "/sub/deeper"));
        QCOMPARE(nav->Dir1->Path(), folder + "/sub/deeper");
        QCOMPARE(nav->File1->topLevelItemCount(), 0);

        // A path that is no folder changes nothing.
        QVERIFY(!nav->Dir1->SetPath(folder + "/b.sql") && !nav->Dir1->SetPath(QString()));
        QCOMPARE(nav->Dir1->Path(), folder + "/sub/deeper");
    }

    void changingTheDriveGoesToItsRoot() {
        const int here = nav->Drive1->currentIndex();
        int other = -1;
        for (int i = 0; i < nav->Drive1->count() && other < 0; ++i)
            if (i != here && QFileInfo(nav->Drive1->itemData(i).toString()).isDir())
                other = i;
        if (other < 0)
            QSKIP("only one mounted volume");
        const QString root = nav->Drive1->itemData(other).toString();
        nav->Drive1->setCurrentIndex(other);
        QCOMPARE(nav->Dir1->Path(), QDir::cleanPath(root));
        for (int i = 0; i < nav->File1->topLevelItemCount(); ++i)
            QCOMPARE(nav->File1->topLevelItem(i)->text(1), FolderPanel::WithTrailingSlash(root));

        QVERIFY(nav->Dir1->SetPath(folder));
        QCOMPARE(nav->Drive1->currentIndex(), here);
    }

    void doubleClickAsksToOpenTheFileShown() {
        nav->Tbs->setCurrentWidget(nav->picFolders);
        nav->show();
        QVERIFY(QTest::qWaitForWindowExposed(nav.get()));
        QSignalSpy open(nav.get(), &frmNav::OpenFileRequested);
        QTreeWidgetItem* item = nav->File1->topLevelItem(1);
        const QPoint at = nav->File1->visualItemRect(item).center();
        QTest::mouseClick(nav->File1->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(nav->File1->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(open.size(), 1);
        QCOMPARE(open[0][0].toString(), nav->Dir1->Path() + "/b.sql");
    }

    void theFolderStaysInViewWhileTheTreeFills() {
        nav->resize(300, 500);
        nav->show();
        QVERIFY(QTest::qWaitForWindowExposed(nav.get()));
        nav->Tbs->setCurrentWidget(nav->picFolders);
        QTRY_VERIFY(nav->Dir1->viewport()->rect().contains(
            nav->Dir1->visualRect(nav->Dir1->currentIndex())));
        QTest::qWait(200);
        QVERIFY(nav->Dir1->viewport()->rect().contains(
            nav->Dir1->visualRect(nav->Dir1->currentIndex())));
    }

    void rebuildingTheTreeKeepsTheObjectsPanelBehindTheFoldersTab() {
        nav->Tbs->setCurrentWidget(nav->picFolders);
        nav->Fill_TvObjects();
        QVERIFY(nav->picDbObj->isHidden());
        nav->Tbs->setCurrentWidget(nav->picDbObj);
        nav->Fill_TvObjects();
        QVERIFY(!nav->picDbObj->isHidden());
        QCOMPARE(nav->tvDbObj->topLevelItemCount(), 1);
    }
};

QTEST_MAIN(FolderPanelTest)
#include "FolderPanelTest.moc"
