#include "tests/ui/support/UiFixture.h"
#include "ui/navigator/FolderPanel.h"
#include "ui/shell/AddIns.h"
#include "ui/shell/Desktop.h"
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
    for (const QAction* entry : menu.recentItems)
        shown << (entry->isVisible() ? entry->text() : QStringLiteral("<hidden>"));
    return shown;
}

QStringList addInCaptions(const MainMenu& menu) {
    const QList<QAction*> entries = menu.addInsMenu->actions();
    return Texts(int(entries.size()), [&entries](int i) { return entries[i]->text(); });
}

QStringList column(const QTreeWidget* list, int index) {
    return Texts(list->topLevelItemCount(),
                 [=](int i) { return list->topLevelItem(i)->text(index); });
}

} // namespace

// The files the program keeps or offers: the recent-file list in recent.rct, the add-in
// programs of the PLUGINS folder, and the script files of the navigator's Folders tab.
class FilesTest : public QObject {
    Q_OBJECT

    std::unique_ptr<UiFixture> ui;
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
        file = ui->files.filePath("recent.rct");
    }
    void cleanup() { ui.reset(); }

    // A name saved without an extension gets the one of the chosen kind of file, and none for
    // "All Files".
    void savedNamesTakeTheExtensionOfTheChosenKindOfFile() {
        const QStringList filters =
            DialogFilter("SQL Files|*.sql|Text|*.txt;*.log|Every file|*.*").split(";;");
        QCOMPARE(filters,
                 QStringList({"SQL Files (*.sql)", "Text (*.txt *.log)", "Every file (*)"}));
        QCOMPARE(FilterSuffix(filters[0]), QString("sql"));
        QCOMPARE(FilterSuffix(filters[1]), QString("txt"));
        QCOMPARE(FilterSuffix(filters[2]), QString());
        QCOMPARE(FilterSuffix("Backups (*.b*)"), QString());
    }

    void recentAdditionsShiftKeepDuplicatesDropTheOldestAndAreReadBack() {
        QMenuBar bar;
        MainMenu menu(bar);
        RecentFiles list(file, &menu);
        list.LoadRecentFiles();
        QCOMPARE(recentCaptions(menu),
                 QStringList({"", "<hidden>", "<hidden>", "<hidden>", "<hidden>", "<hidden>"}));

        list.AddRecentFile(QStringLiteral("/a.sql"));
        list.AddRecentFile(QStringLiteral("/b.sql"));
        list.AddRecentFile(QStringLiteral("/a.sql"));
        QCOMPARE(recentCaptions(menu),
                 QStringList({"/a.sql", "/b.sql", "/a.sql", "<hidden>", "<hidden>", "<hidden>"}));
        QVERIFY(menu.recentItems[2]->isEnabled());

        // A path longer than a byte can count, and one in the local 8-bit encoding, are read back.
        const QString longPath = "/" + QString(299, QLatin1Char('x'));
        const QString umlauts = QString::fromUtf8("/srv/Umsätze/q.sql");
        for (const QString& path : {longPath, umlauts, QString("/e"), QString("/f")})
            list.AddRecentFile(path);
        QCOMPARE(slotsOf(list), QStringList({"/f", "/e", umlauts, longPath, "/a.sql", "/b.sql"}));
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
        QCOMPARE(slotsOf(window->recentFiles()), expected);
        if (expected[0].isEmpty())
            QVERIFY(!window->menu().recentItems[0]->isEnabled());
        else
            QCOMPARE(recentCaptions(window->menu())[0], expected[0]);
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
            QCOMPARE(menu.recentItems[0]->text(), QString("/x.sql"));
        }
        QVERIFY(QFileInfo(ui->files.filePath(QStringLiteral("folder"))).isDir());
    }

    void theRecentMenuShowsAmpersandsAndOpensTheRealPath() {
        MakeExampleDatabases();
        QVERIFY(ui->Compare("memory:pri", "memory:sec"));
        auto window = ui->NewMainWindow();
        window->recentFiles().AddRecentFile(QStringLiteral("/tmp/R&D/x.sql"));
        QCOMPARE(window->menu().recentItems[0]->text(), QString("/tmp/R&&D/x.sql"));
        ui->desktop.answers = {mb::No};
        window->menu().recentItems[0]->trigger();
        QCOMPARE(ui->desktop.Prompts(),
                 QStringList({"The file: /tmp/R&D/x.sql\ndoes not exist. Do you wish to create "
                              "it?"}));

        // An empty path is no file: nothing moves.
        QVERIFY(!window->recentFiles().AddRecentFile(QString()));
        QCOMPARE(window->recentFiles().Slot(1), QString("/tmp/R&D/x.sql"));
        QCOMPARE(window->recentFiles().Slot(2), QString());
    }

    void executableFilesOfTheAddInFolderBecomeMenuEntriesThatStartThem() {
        const QString plugins = ui->files.filePath("PLUGINS");
        QVERIFY(QDir().mkpath(plugins + "/sub"));
        QStringList programs = {WriteProgram(plugins, "a.exe"), WriteProgram(plugins, "b"),
                                WriteProgram(plugins, "c tool")};
        WriteProgram(plugins, "notes.txt", false);
        WriteProgram(plugins + "/sub", "nested");

        auto window = ui->NewMainWindow();
        QStringList stored(window->addIns().Files().begin(), window->addIns().Files().end());
        stored.removeAll(QString());
        QCOMPARE(QSet<QString>(stored.begin(), stored.end()),
                 QSet<QString>(programs.begin(), programs.end()));
        QCOMPARE(addInCaptions(window->menu()), stored);
        window->menu().addInItems[1]->trigger();
        QTRY_VERIFY(QFile::exists(stored[1] + ".ran"));
        window->menu().addInItems[0]->trigger();
        QTRY_VERIFY(QFile::exists(stored[0] + ".ran"));
        QVERIFY(!QFile::exists(stored[2] + ".ran"));

        // Entries out of range, and a program gone since the start, start nothing and say nothing.
        QFile::remove(stored[2]);
        for (int index : {-1, 2, 3, kPluginSlots - 1, kPluginSlots, 32767})
            window->addIns().Run(index);
        QVERIFY(ui->desktop.messages.isEmpty());
    }

    // Installed programs have no PLUGINS beside them, so the per-user folder is read; without
    // add-ins the menu keeps its one entry, which does nothing.
    void anInstalledProgramReadsThePerUserAddInFolderAndNoAddInsLeaveOneIdleEntry() {
        QTemporaryDir home;
        qputenv("XDG_DATA_HOME", home.path().toLocal8Bit());
        const QString plugins = PluginFolder();
        qunsetenv("XDG_DATA_HOME");
        QVERIFY2(plugins.startsWith(home.path()), qPrintable(plugins));

        auto window = ui->NewMainWindow(); // no PLUGINS folder
        QCOMPARE(addInCaptions(window->menu()), QStringList({"Unknown"}));
        window->menu().addInItems[0]->trigger();
        QVERIFY(ui->desktop.messages.isEmpty());
    }

    void theFoldersTabListsTheNormalFilesOfTheFolderOrDriveChosen() {
        QCOMPARE(ui->nav.folders()->Path(), folder); // the working folder at start
        QCOMPARE(ui->nav.drives()->currentData().toString(), QStorageInfo(folder).rootPath());
        // Only the normal files: no folders, hidden files, dangling links or pipes.
        QCOMPARE(column(ui->nav.files(), 0), QStringList({"A.txt", "b.sql", "c"}));
        QCOMPARE(column(ui->nav.files(), 1), QStringList(3, folder + "/"));

        QVERIFY(ui->nav.folders()->SetPath(folder + "/sub/deeper/.."));
        QCOMPARE(ui->nav.folders()->Path(), folder + "/sub");
        QCOMPARE(column(ui->nav.files(), 0), QStringList({"inner.sql"}));
        auto* model = qobject_cast<QFileSystemModel*>(ui->nav.folders()->model());
        ui->nav.folders()->setCurrentIndex(
            model->index(folder + "/sub/deeper")); // picked in the tree
        QCOMPARE(ui->nav.files()->topLevelItemCount(), 0);
        QVERIFY(!ui->nav.folders()->SetPath(folder + "/b.sql") &&
                !ui->nav.folders()->SetPath(QString()));
        QCOMPARE(ui->nav.folders()->Path(), folder + "/sub/deeper");

        // The root's files get no second slash.
        QVERIFY(ui->nav.folders()->SetPath("/"));
        for (int i = 0; i < ui->nav.files()->topLevelItemCount(); ++i)
            QCOMPARE(FolderPanel::FileKey(ui->nav.files()->topLevelItem(i)),
                     "/" + ui->nav.files()->topLevelItem(i)->text(0));

        // Another drive goes to its root; going back to the folder chooses its drive again.
        QVERIFY(ui->nav.folders()->SetPath(folder));
        const int here = ui->nav.drives()->currentIndex();
        int other = -1;
        for (int i = 0; i < ui->nav.drives()->count() && other < 0; ++i)
            if (i != here && QFileInfo(ui->nav.drives()->itemData(i).toString()).isDir())
                other = i;
        if (other < 0)
            QSKIP("only one mounted volume");
        const QString root = ui->nav.drives()->itemData(other).toString();
        ui->nav.drives()->setCurrentIndex(other);
        QCOMPARE(ui->nav.folders()->Path(), QDir::cleanPath(root));
        QCOMPARE(column(ui->nav.files(), 1), QStringList(ui->nav.files()->topLevelItemCount(),
                                                         FolderPanel::WithTrailingSlash(root)));

        QVERIFY(ui->nav.folders()->SetPath(folder));
        QCOMPARE(ui->nav.drives()->currentIndex(), here);
    }

    void doubleClickAsksToOpenTheFileShownAndKeepsItInView() {
        ui->nav.resize(300, 500);
        ui->nav.tabs()->setCurrentIndex(0);
        ui->nav.show();
        QVERIFY(QTest::qWaitForWindowExposed(&ui->nav));
        FolderTree* tree = ui->nav.folders();
        QTRY_VERIFY(tree->viewport()->rect().contains(tree->visualRect(tree->currentIndex())));
        QTest::qWait(200);
        QVERIFY(tree->viewport()->rect().contains(tree->visualRect(tree->currentIndex())));

        QSignalSpy open(&ui->nav, &Navigator::openFileRequested);
        QTreeWidgetItem* item = ui->nav.files()->topLevelItem(1);
        const QPoint at = ui->nav.files()->visualItemRect(item).center();
        QTest::mouseClick(ui->nav.files()->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(ui->nav.files()->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(open.size(), 1);
        QCOMPARE(open[0][0].toString(), folder + "/b.sql");
    }

    void rebuildingTheTreeKeepsTheObjectsPanelBehindTheFoldersTab() {
        QWidget* objects = ui->nav.objectTree()->parentWidget();
        ui->nav.show();
        ui->nav.tabs()->setCurrentIndex(0);
        ui->nav.fillTree();
        QVERIFY(!objects->isVisible());
        ui->nav.tabs()->setCurrentWidget(objects);
        ui->nav.fillTree();
        QVERIFY(objects->isVisible());
        QCOMPARE(ui->nav.objectTree()->topLevelItemCount(), 1);
    }
};

QTEST_MAIN(FilesTest)
#include "FilesTest.moc"
