#include "tests/ui/support/UiFixture.h"
#include "ui/compare/CompareView.h"
#include "ui/navigator/FolderPanel.h"
#include "ui/navigator/Navigator.h"
#include "ui/shell/AddIns.h"
#include "ui/shell/MainMenu.h"
#include "ui/shell/MainWindow.h"
#include "ui/shell/RecentFiles.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileSystemModel>
#include <QMenu>
#include <QMenuBar>
#include <QSet>
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

QStringList slotsOf(const RecentFiles& list) {
    return QStringList(list.All().begin(), list.All().end());
}

QStringList recentCaptions(const MainMenu& menu) {
    QStringList shown;
    for (const QAction* entry : menu.mnuRec)
        shown << (entry->isVisible() ? entry->text() : QStringLiteral("<hidden>"));
    return shown;
}

const QStringList kDesignedMenu = {"", "<hidden>", "<hidden>", "<hidden>", "<hidden>", "<hidden>"};

// An add-in that leaves a file beside itself when it runs, so a test sees which one ran.
QString writeAddIn(const QString& folder, const QString& name, bool executable = true) {
    QString path = QDir(folder).absoluteFilePath(name);
    if (!WriteFile(path, "#!/bin/sh\ntouch \"$0.ran\"\n"))
        return QString();
    QFile::Permissions mode = QFile::ReadOwner | QFile::WriteOwner;
    if (executable)
        mode |= QFile::ExeOwner;
    QFile::setPermissions(path, mode);
    return path;
}

QStringList storedPaths(const AddIns& addIns) {
    QStringList paths;
    for (const QString& p : addIns.Files())
        if (!p.isEmpty())
            paths << p;
    return paths;
}

QStringList addInCaptions(const MainMenu& menu) {
    QStringList texts;
    for (const QAction* a : menu.mnAddIns->actions())
        texts << a->text();
    return texts;
}

QStringList column(const QTreeWidget* list, int index) {
    QStringList texts;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        texts << list->topLevelItem(i)->text(index);
    return texts;
}

} // namespace

// The files the program keeps or offers: the recent-file list in recent.rct, the add-in
// programs of the PLUGINS folder, and the script files of the navigator's Folders tab.
class FilesTest : public QObject {
    Q_OBJECT

    std::unique_ptr<UiFixture> ui;
    std::unique_ptr<CompareView> compare;
    std::unique_ptr<Navigator> nav;
    QString file;
    QTemporaryDir folderDir;
    QString folder;
    QString startFolder;

private Q_SLOTS:
    void initTestCase() {
        // The Folders tab starts in the working folder: one with files of every sort.
        folder = QDir(folderDir.path()).canonicalPath();
        for (const char* name : {"b.sql", "A.txt", "c", ".hidden"})
            QVERIFY(WriteFile(folder + "/" + name, {}));
        QVERIFY(QDir(folder).mkpath("sub/deeper"));
        QVERIFY(WriteFile(folder + "/sub/inner.sql", {}));
        QVERIFY(QFile::link(folder + "/nowhere", folder + "/dangling"));
        QCOMPARE(::mkfifo(QFile::encodeName(folder + "/pipe").constData(), 0600), 0);
        startFolder = QDir::currentPath();
        QVERIFY(QDir::setCurrent(folder));
    }
    void cleanupTestCase() { QDir::setCurrent(startFolder); }

    void init() {
        ui = std::make_unique<UiFixture>();
        compare = std::make_unique<CompareView>(ui->session, ui->desktop);
        nav = std::make_unique<Navigator>(ui->session, ui->desktop, *compare);
        file = ui->files.filePath("recent.rct");
    }
    void cleanup() {
        nav.reset();
        compare.reset();
        ui.reset();
    }

    void recentListWritesTheLayoutByteForByte() {
        const QString longPath = QStringLiteral("/") + QString(299, QLatin1Char('x'));
        RecentFiles list(file);
        QVERIFY(list.AddRecentFile(longPath));
        QVERIFY(list.AddRecentFile(QStringLiteral("a.sql")));
        QVERIFY(list.AddRecentFile(QStringLiteral("/srv/Umsätze/q.sql")));

        QByteArray expected("\x13\x00/srv/Ums\xc3\xa4tze/q.sql"
                            "\x05\x00"
                            "a.sql"
                            "\x2c\x01",
                            2 + 19 + 2 + 5 + 2);
        expected += longPath.toLatin1();
        expected += QByteArray(6, '\0');
        QCOMPARE(FileBytes(file), expected);
    }

    void recentAdditionsShiftKeepDuplicatesDropTheOldestAndAreReadBack() {
        QMenuBar bar;
        MainMenu menu(bar);
        RecentFiles list(file, &menu);
        list.LoadRecentFiles();
        QCOMPARE(recentCaptions(menu), kDesignedMenu);

        list.AddRecentFile(QStringLiteral("/a.sql"));
        list.AddRecentFile(QStringLiteral("/b.sql"));
        list.AddRecentFile(QStringLiteral("/a.sql"));
        QCOMPARE(recentCaptions(menu),
                 QStringList({"/a.sql", "/b.sql", "/a.sql", "<hidden>", "<hidden>", "<hidden>"}));
        QVERIFY(menu.mnuRec[2]->isEnabled());

        for (const char* path : {"/c", "/d", "/e", "/f"})
            list.AddRecentFile(QLatin1String(path));
        QCOMPARE(slotsOf(list), QStringList({"/f", "/e", "/d", "/c", "/a.sql", "/b.sql"}));
        QCOMPARE(recentCaptions(menu), slotsOf(list));

        RecentFiles again(file);
        again.LoadRecentFiles();
        QCOMPARE(slotsOf(again), slotsOf(list));
    }

    void damagedRecentListsGiveWhatCanBeRead_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("expected");
        const QString e;
        QTest::newRow("missing") << QByteArray() << QStringList(6, e);
        QTest::newRow("empty") << QByteArray("") << QStringList(6, e);
        QTest::newRow("length past the end")
            << QByteArray::fromHex("03006162") << QStringList(6, e);
        QTest::newRow("huge length ends the reading")
            << QByteArray::fromHex("010061ffff01007a") << QStringList({"a", e, e, e, e, e});
        QTest::newRow("invalid UTF-8")
            << QByteArray::fromHex("0300fffec3")
            << QStringList({QString::fromLocal8Bit("\xff\xfe\xc3"), e, e, e, e, e});
    }

    void damagedRecentListsGiveWhatCanBeRead() {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, expected);
        if (!bytes.isNull())
            QVERIFY(WriteFile(file, bytes));
        auto window = ui->NewMainWindow();
        QCOMPARE(slotsOf(window->Recent()), expected);
        for (int i = 0; i < RecentFiles::kSlots; ++i)
            if (!expected[i].isEmpty())
                QCOMPARE(recentCaptions(window->Menu())[i], expected[i]);
        if (expected[0].isEmpty())
            QVERIFY(!window->Menu().mnuRec[0]->isEnabled());
    }

    void aRecentListThatCannotBeWrittenIsKeptForTheRun() {
        QVERIFY(QDir(ui->files.path()).mkdir(QStringLiteral("folder")));
        for (const QString& where : {ui->files.filePath(QStringLiteral("folder")),
                                     ui->files.filePath(QStringLiteral("no/such"))}) {
            QMenuBar bar;
            MainMenu menu(bar);
            RecentFiles list(where, &menu);
            list.LoadRecentFiles();
            QVERIFY(!list.AddRecentFile(QStringLiteral("/x.sql")));
            QCOMPARE(list.Slot(1), QString("/x.sql"));
            QCOMPARE(menu.mnuRec[0]->text(), QString("/x.sql"));
        }
        QVERIFY(QFileInfo(ui->files.filePath(QStringLiteral("folder"))).isDir());
    }

    void theRecentMenuShowsAmpersandsAndOpensTheRealPath() {
        MakeExampleDatabases();
        QVERIFY(ui->Compare("memory:pri", "memory:sec"));
        auto window = ui->NewMainWindow();
        QSignalSpy opened(window.get(), &MainWindow::RecentFileRequested);
        window->Recent().AddRecentFile(QStringLiteral("/tmp/R&D/x.sql"));
        QCOMPARE(window->Menu().mnuRec[0]->text(), QString("/tmp/R&&D/x.sql"));
        window->Menu().mnuRec[0]->trigger();
        QCOMPARE(opened.size(), 1);
        QCOMPARE(opened[0][0].toString(), QString("/tmp/R&D/x.sql"));

        // An empty path is no file: nothing moves.
        QVERIFY(!window->Recent().AddRecentFile(QString()));
        QCOMPARE(window->Recent().Slot(1), QString("/tmp/R&D/x.sql"));
        QCOMPARE(window->Recent().Slot(2), QString());
    }

    void executableFilesOfTheAddInFolderBecomeMenuEntriesThatStartThem() {
        const QString plugins = ui->files.filePath("PLUGINS");
        QVERIFY(QDir().mkpath(plugins + "/sub"));
        QStringList programs = {writeAddIn(plugins, "a.exe"), writeAddIn(plugins, "b"),
                                writeAddIn(plugins, "c tool")};
        writeAddIn(plugins, "notes.txt", false);
        writeAddIn(plugins + "/sub", "nested");

        auto window = ui->NewMainWindow();
        const QStringList stored = storedPaths(window->addIns());
        QCOMPARE(QSet<QString>(stored.begin(), stored.end()),
                 QSet<QString>(programs.begin(), programs.end()));
        QCOMPARE(addInCaptions(window->Menu()), stored);
        window->Menu().mnAddInItems[1]->trigger();
        QTRY_VERIFY(QFile::exists(stored[1] + ".ran"));
        window->Menu().mnAddInItems[0]->trigger();
        QTRY_VERIFY(QFile::exists(stored[0] + ".ran"));
        QVERIFY(!QFile::exists(stored[2] + ".ran"));
    }

    void onlyTheChosenAddInRunsAndWithoutAddInsTheMenuKeepsItsEntry() {
        QTemporaryDir dir;
        writeAddIn(dir.path(), "first");
        writeAddIn(dir.path(), "second");
        AddIns addIns;
        addIns.Load(dir.path());
        const QString vanished = addIns.Files()[0];
        const QString chosen = addIns.Files()[1];
        QFile::remove(vanished);
        for (int index : {-1, 0, 2, kPluginSlots - 1, kPluginSlots, 32767})
            addIns.Run(index);
        addIns.Run(1);
        QTRY_VERIFY(QFile::exists(chosen + ".ran"));
        QVERIFY(!QFile::exists(vanished + ".ran"));

        auto window = ui->NewMainWindow(); // no PLUGINS folder
        QCOMPARE(addInCaptions(window->Menu()), QStringList({"Unknown"}));
        window->Menu().mnAddInItems[0]->trigger();
        QVERIFY(ui->desktop.messages.isEmpty());
    }

    // Installed programs have no PLUGINS beside them: the per-user folder is the one read.
    void anInstalledProgramReadsThePerUserAddInFolder() {
        QTemporaryDir home;
        qputenv("XDG_DATA_HOME", home.path().toLocal8Bit());
        const QString plugins = PluginFolder();
        qunsetenv("XDG_DATA_HOME");
        QVERIFY2(plugins.startsWith(home.path()), qPrintable(plugins));
    }

    void theFoldersTabListsTheNormalFilesOfTheFolderChosen() {
        QCOMPARE(nav->Tbs->currentWidget(), nav->picDbObj);
        QCOMPARE(nav->Dir1->Path(), folder); // the working folder at start
        QCOMPARE(nav->Drive1->currentData().toString(), QStorageInfo(folder).rootPath());
        // Only the normal files: no folders, hidden files, dangling links or pipes.
        QCOMPARE(column(nav->File1, 0), QStringList({"A.txt", "b.sql", "c"}));
        QCOMPARE(column(nav->File1, 1), QStringList(3, folder + "/"));

        QVERIFY(nav->Dir1->SetPath(folder + "/sub/deeper/.."));
        QCOMPARE(nav->Dir1->Path(), folder + "/sub");
        QCOMPARE(column(nav->File1, 0), QStringList({"inner.sql"}));
        auto* model = qobject_cast<QFileSystemModel*>(nav->Dir1->model());
        nav->Dir1->setCurrentIndex(model->index(folder + "/sub/deeper")); // picked in the tree
        QCOMPARE(nav->File1->topLevelItemCount(), 0);
        QVERIFY(!nav->Dir1->SetPath(folder + "/b.sql") && !nav->Dir1->SetPath(QString()));
        QCOMPARE(nav->Dir1->Path(), folder + "/sub/deeper");

        // The root's files get no second slash.
        QVERIFY(nav->Dir1->SetPath("/"));
        for (int i = 0; i < nav->File1->topLevelItemCount(); ++i)
            QCOMPARE(FolderPanel::FileKey(nav->File1->topLevelItem(i)),
                     "/" + nav->File1->topLevelItem(i)->text(0));
    }

    void changingTheDriveGoesToItsRoot() {
        QVERIFY(nav->Dir1->SetPath(folder));
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

    void doubleClickAsksToOpenTheFileShownAndKeepsItInView() {
        nav->resize(300, 500);
        nav->Tbs->setCurrentWidget(nav->picFolders);
        nav->show();
        QVERIFY(QTest::qWaitForWindowExposed(nav.get()));
        QTRY_VERIFY(nav->Dir1->viewport()->rect().contains(
            nav->Dir1->visualRect(nav->Dir1->currentIndex())));
        QTest::qWait(200);
        QVERIFY(nav->Dir1->viewport()->rect().contains(
            nav->Dir1->visualRect(nav->Dir1->currentIndex())));

        QSignalSpy open(nav.get(), &Navigator::OpenFileRequested);
        QTreeWidgetItem* item = nav->File1->topLevelItem(1);
        const QPoint at = nav->File1->visualItemRect(item).center();
        QTest::mouseClick(nav->File1->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(nav->File1->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(open.size(), 1);
        QCOMPARE(open[0][0].toString(), folder + "/b.sql");
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

QTEST_MAIN(FilesTest)
#include "FilesTest.moc"
