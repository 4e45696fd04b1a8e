#include "ui/shell/RecentFiles.h"
#include "engine/clsEngine.h"
#include "tests/ui/support/UiSession.h"
#include "ui/shell/MainMenu.h"
#include "ui/shell/frmMDI.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace vantor;
using namespace vantor::test;

namespace {

QStringList slotsOf(const RecentFiles& list) {
    return QStringList(list.All().begin(), list.All().end());
}

QStringList captions(const MainMenu& menu) {
    QStringList shown;
    for (const QAction* entry : menu.mnuRec)
        shown << (entry->isVisible() ? entry->text() : QStringLiteral("<hidden>"));
    return shown;
}

const QStringList kDesignedMenu = {"", "<hidden>", "<hidden>", "<hidden>", "<hidden>", "<hidden>"};

} // namespace

class RecentFilesTest : public QObject {
    Q_OBJECT

    std::unique_ptr<UiSession> session;
    QTemporaryDir dir;
    QString file;

private Q_SLOTS:
    void init() {
        session = std::make_unique<UiSession>();
        file = dir.filePath(QStringLiteral("recent.rct"));
        QFile::remove(file);
        RecentFiles::SetDefaultFile(file);
    }
    void cleanup() {
        RecentFiles::SetDefaultFile(QString());
        session.reset();
    }

    void writesTheLayoutByteForByteAndReadsItBack() {
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

        RecentFiles again(file);
        again.LoadRecentFiles();
        QCOMPARE(slotsOf(again),
                 QStringList({"/srv/Umsätze/q.sql", "a.sql", longPath, "", "", ""}));
    }

    void aLongerFormerFileKeepsItsTail() {
        QByteArray old;
        for (char c : {'a', 'b', 'c', 'd', 'e', 'f'})
            old += QByteArray("\x08\x00", 2) + QByteArray(8, c);
        old += "TAIL";
        QVERIFY(WriteFile(file, old));

        RecentFiles list(file);
        list.LoadRecentFiles();
        QCOMPARE(list.Slot(6), QString("ffffffff"));
        QVERIFY(list.AddRecentFile(QStringLiteral("n")));

        QByteArray written = FileBytes(file);
        QByteArray head("\x01\x00n", 3);
        for (char c : {'a', 'b', 'c', 'd', 'e'})
            head += QByteArray("\x08\x00", 2) + QByteArray(8, c);
        QCOMPARE(written.size(), old.size());
        QCOMPARE(written.left(head.size()), head);
        QCOMPARE(written.mid(head.size()), old.mid(head.size()));

        RecentFiles again(file);
        again.LoadRecentFiles();
        QCOMPARE(slotsOf(again), slotsOf(list));
    }

    void additionsShiftKeepDuplicatesAndDropTheOldest() {
        QMenuBar bar;
        MainMenu menu(bar);
        RecentFiles list(file, &menu);
        list.LoadRecentFiles();
        QCOMPARE(captions(menu), kDesignedMenu);

        list.AddRecentFile(QStringLiteral("/a.sql"));
        list.AddRecentFile(QStringLiteral("/b.sql"));
        list.AddRecentFile(QStringLiteral("/a.sql"));
        QCOMPARE(slotsOf(list), QStringList({"/a.sql", "/b.sql", "/a.sql", "", "", ""}));
        QCOMPARE(captions(menu),
                 QStringList({"/a.sql", "/b.sql", "/a.sql", "<hidden>", "<hidden>", "<hidden>"}));
        QVERIFY(menu.mnuRec[2]->isEnabled());

        for (const char* path : {"/c", "/d", "/e", "/f"})
            list.AddRecentFile(QLatin1String(path));
        QCOMPARE(slotsOf(list), QStringList({"/f", "/e", "/d", "/c", "/a.sql", "/b.sql"}));
        QCOMPARE(captions(menu), slotsOf(list));

        RecentFiles again(file);
        again.LoadRecentFiles();
        QCOMPARE(slotsOf(again), slotsOf(list));
    }

    void anEmptyOrMissingFileLeavesTheMenuAsDesigned() {
        {
            frmMDI window;
            QCOMPARE(slotsOf(window.Recent()), QStringList(6, QString()));
            QCOMPARE(captions(window.Menu()), kDesignedMenu);
        }
        QVERIFY(WriteFile(file, QByteArray()));
        frmMDI window;
        QCOMPARE(window.Recent().File(), file);
        QCOMPARE(slotsOf(window.Recent()), QStringList(6, QString()));
        QCOMPARE(captions(window.Menu()), kDesignedMenu);
        QVERIFY(!window.Menu().mnuRec[0]->isEnabled());
    }

    void damagedFilesGiveWhatCanBeRead_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("expected");
        const QString e;
        QTest::newRow("one byte") << QByteArray::fromHex("05") << QStringList(6, e);
        QTest::newRow("length past the end")
            << QByteArray::fromHex("03006162") << QStringList(6, e);
        QTest::newRow("odd byte count")
            << QByteArray::fromHex("0200616201") << QStringList({"ab", e, e, e, e, e});
        QTest::newRow("huge length ends the reading")
            << QByteArray::fromHex("010061ffff01007a") << QStringList({"a", e, e, e, e, e});
        QTest::newRow("empty first slot")
            << QByteArray::fromHex("0000010062") << QStringList({e, "b", e, e, e, e});
    }

    void damagedFilesGiveWhatCanBeRead() {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, expected);
        QVERIFY(WriteFile(file, bytes));
        QMenuBar bar;
        MainMenu menu(bar);
        RecentFiles list(file, &menu);
        list.LoadRecentFiles();
        QCOMPARE(slotsOf(list), expected);
        for (int i = 0; i < RecentFiles::kSlots; ++i)
            if (!expected[i].isEmpty())
                QCOMPARE(captions(menu)[i], expected[i]);
    }

    void invalidUtf8IsReadWithoutHarm() {
        QVERIFY(WriteFile(file, QByteArray::fromHex("0300fffec3")));
        RecentFiles list(file);
        list.LoadRecentFiles();
        QVERIFY(!list.Slot(1).isEmpty());
        QCOMPARE(list.Slot(2), QString());
    }

    void aFileThatCannotBeWrittenKeepsTheListInTheRun() {
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder")));
        for (const QString& where :
             {dir.filePath(QStringLiteral("folder")), dir.filePath(QStringLiteral("no/such"))}) {
            QMenuBar bar;
            MainMenu menu(bar);
            RecentFiles list(where, &menu);
            list.LoadRecentFiles();
            QVERIFY(!list.AddRecentFile(QStringLiteral("/x.sql")));
            QCOMPARE(list.Slot(1), QString("/x.sql"));
            QCOMPARE(menu.mnuRec[0]->text(), QString("/x.sql"));
        }
        QVERIFY(QFileInfo(dir.filePath(QStringLiteral("folder"))).isDir());
    }

    void theMenuShowsAmpersandsAndOpensTheRealPath() {
        Engine = std::make_shared<clsEngine>();
        frmMDI window;
        QSignalSpy opened(&window, &frmMDI::RecentFileRequested);
        window.Recent().AddRecentFile(QStringLiteral("/tmp/R&D/x.sql"));
        QCOMPARE(window.Menu().mnuRec[0]->text(), QString("/tmp/R&&D/x.sql"));
        window.Menu().mnuRec[0]->trigger();
        QCOMPARE(opened.size(), 1);
        QCOMPARE(opened[0][0].toString(), QString("/tmp/R&D/x.sql"));

        // An empty path is no file: nothing moves.
        QVERIFY(!window.Recent().AddRecentFile(QString()));
        QCOMPARE(window.Recent().Slot(1), QString("/tmp/R&D/x.sql"));
        QCOMPARE(window.Recent().Slot(2), QString());
    }
};

QTEST_MAIN(RecentFilesTest)
#include "RecentFilesTest.moc"
