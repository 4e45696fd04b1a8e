#include "ui/shell/AddIns.h"
#include "tests/ui/support/UiSession.h"
#include "ui/shell/MainMenu.h"
#include "ui/shell/frmMDI.h"

#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

using namespace vantor;
using namespace vantor::test;

namespace {

// An add-in that leaves a file beside itself when it runs, so a test sees which one ran.
QString writeAddIn(const QString& folder, const QString& name, bool executable = true) {
    QString path = QDir(folder).absoluteFilePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QString();
    file.write("#!/bin/sh\ntouch \"$0.ran\"\n");
    file.close();
    QFile::Permissions mode = QFile::ReadOwner | QFile::WriteOwner;
    if (executable)
        mode |= QFile::ExeOwner;
    file.setPermissions(mode);
    return path;
}

QStringList storedPaths() {
    QStringList paths;
    for (const QString& p : PluginFiles)
        if (!p.isEmpty())
            paths << p;
    return paths;
}

QStringList captions(const MainMenu& menu) {
    QStringList texts;
    for (const QAction* a : menu.mnAddIns->actions())
        texts << a->text();
    return texts;
}

} // namespace

class AddInsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<UiSession> session;

private Q_SLOTS:
    void init() { session = std::make_unique<UiSession>(); }
    void cleanup() {
        LoadPlugins(QString());
        session.reset();
    }

    void executableFilesOfTheFolderBecomeMenuEntriesWithTheirFullPaths() {
        QTemporaryDir dir;
        QStringList programs = {writeAddIn(dir.path(), "a.exe"), writeAddIn(dir.path(), "b"),
                                writeAddIn(dir.path(), "c tool")};
        writeAddIn(dir.path(), "notes.txt", false);
        QDir(dir.path()).mkdir("sub");
        writeAddIn(dir.path() + "/sub", "nested");

        LoadPlugins(dir.path());
        QCOMPARE(QSet<QString>(PluginFiles.begin(), PluginFiles.begin() + 3),
                 QSet<QString>(programs.begin(), programs.end()));
        QVERIFY(PluginFiles[3].isEmpty());

        QMenuBar bar;
        MainMenu menu(bar);
        QAction* designed = menu.mnAddInItems[0];
        FillAddInMenu(menu);
        QCOMPARE(captions(menu), storedPaths());
        QCOMPARE(menu.mnAddInItems.size(), size_t(3));
        QCOMPARE(menu.mnAddInItems[0], designed);
    }

    void theTableKeepsFiftyOneProgramsAndTheMenuShowsFifty() {
        QTemporaryDir dir;
        for (int i = 0; i < 60; ++i)
            writeAddIn(dir.path(), QString("tool%1").arg(i));

        LoadPlugins(dir.path());
        QStringList stored = storedPaths();
        QCOMPARE(QSet<QString>(stored.begin(), stored.end()).size(), kPluginSlots);

        QMenuBar bar;
        MainMenu menu(bar);
        FillAddInMenu(menu);
        FillAddInMenu(menu); // a second fill reuses the entries
        QCOMPARE(captions(menu), stored.mid(0, kAddInMenuEntries));
    }

    void withoutAFolderTheMenuKeepsItsDesignedEntry() {
        LoadPlugins(QDir::temp().absoluteFilePath("vantor-no-such-folder"));
        QVERIFY(storedPaths().isEmpty());
        QMenuBar bar;
        MainMenu menu(bar);
        FillAddInMenu(menu);
        QCOMPARE(captions(menu), QStringList({"Unknown"}));
        RunPlugin(0);
        QVERIFY(session->ui.messages.isEmpty());
    }

    void runPluginStartsOnlyTheChosenProgramAndIgnoresTheRest() {
        QTemporaryDir dir;
        writeAddIn(dir.path(), "first");
        writeAddIn(dir.path(), "second");
        LoadPlugins(dir.path());
        const QString chosen = PluginFiles[1];
        const QString other = PluginFiles[0];

        for (int index : {-1, 2, kPluginSlots - 1, kPluginSlots, 32767})
            RunPlugin(index);
        QFile::remove(other);
        RunPlugin(0); // vanished since start-up
        RunPlugin(1);
        QTRY_VERIFY(QFile::exists(chosen + ".ran"));
        QVERIFY(!QFile::exists(other + ".ran"));
        QVERIFY(session->ui.messages.isEmpty());
    }

    // Installed programs have no PLUGINS beside them: the per-user folder is read at start-up
    // and every entry, designed or created, starts its own program.
    void theMainWindowReadsThePerUserFolderAndRunsTheClickedEntry() {
        QTemporaryDir home;
        qputenv("XDG_DATA_HOME", home.path().toLocal8Bit());
        QString folder = PluginFolder();
        QVERIFY2(folder.startsWith(home.path()), qPrintable(folder));
        QVERIFY(QDir().mkpath(folder));
        writeAddIn(folder, "one");
        writeAddIn(folder, "two");

        frmMDI window;
        qunsetenv("XDG_DATA_HOME");
        QStringList stored = storedPaths();
        QCOMPARE(stored.size(), 2);
        QCOMPARE(captions(window.Menu()), stored);
        window.Menu().mnAddInItems[1]->trigger();
        QTRY_VERIFY(QFile::exists(stored[1] + ".ran"));
        window.Menu().mnAddInItems[0]->trigger();
        QTRY_VERIFY(QFile::exists(stored[0] + ".ran"));
    }
};

QTEST_MAIN(AddInsTest)
#include "AddInsTest.moc"
