#include "tests/support/TestPaths.h"
#include "tests/ui/support/UiSession.h"
#include "ui/shell/HelpCommands.h"
#include "ui/shell/MainMenu.h"
#include "ui/shell/MainToolBars.h"
#include "ui/shell/frmAbout.h"
#include "ui/shell/frmMDI.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>

using namespace vantor;
using namespace vantor::test;

class HelpAboutTest : public QObject {
    Q_OBJECT

    std::unique_ptr<UiSession> session;

    QStringList prompts() const { return session->ui.Prompts(); }

private Q_SLOTS:
    void init() { session = std::make_unique<UiSession>(); }
    void cleanup() { session.reset(); }

    void theHelpIsFoundBesideTheProgramInTheBuildTree() {
        QString expected = QDir::cleanPath(BinaryDir() + "/bin/help/index.html");
        QCOMPARE(HelpIndexPath(), expected);
        QVERIFY(QFile::exists(QDir::cleanPath(BinaryDir() + "/bin/help/help.css")));
        QVERIFY(HelpIndexCandidates().last().endsWith("/share/vantor/help/index.html"));
    }

    void theHelpMenuAndButtonOpenTheIndexAndThePages() {
        frmMDI window;
        const QUrl index = QUrl::fromLocalFile(HelpIndexPath());
        window.Menu().Item("mnHelpGen")->trigger();
        FindButton(*window.tBar, "help")->trigger();
        window.Menu().Item("mnHelpOnline")->trigger();
        window.Menu().Item("mnProductWeb")->trigger();
        QCOMPARE(session->openedUrls,
                 QList<QUrl>({index, index, QUrl(kHelpOnlineUrl), QUrl(kProductWebUrl)}));
        QVERIFY(prompts().isEmpty());
    }

    void missingHelpNamesEveryPlaceLookedAt() {
        QStringList nowhere = {"/nonexistent/one/help/index.html",
                               "/nonexistent/two/share/vantor/help/index.html"};
        ShowHelp(nowhere);
        QVERIFY(session->openedUrls.isEmpty());
        QCOMPARE(prompts().size(), 1);
        for (const QString& place : nowhere)
            QVERIFY2(prompts()[0].contains(place), qPrintable(prompts()[0]));
    }

    void anAddressNoBrowserTakesIsShownToTheUser() {
        UrlOpener() = [](const QUrl&) { return false; };
        OpenUrl(kHelpOnlineUrl);
        QCOMPARE(prompts().size(), 1);
        QVERIFY(prompts()[0].contains(kHelpOnlineUrl));
    }

    void systemInformationWithoutAProgramIsReportedUnavailable() {
        QTemporaryDir empty;
        frmAbout about;
        about.SysInfoPrograms = {"vantor-no-such-sysinfo"};
        about.SysInfoSearchPaths = {empty.path()};
        QTest::mouseClick(about.cmdSysInfo, Qt::LeftButton);
        QCOMPARE(prompts(), QStringList({"System Information Is Unavailable At This Time"}));
        QCOMPARE(session->ui.messages[0].buttons, mb::OKOnly);
    }

    void systemInformationStartsTheFirstInstalledProgram() {
        QTemporaryDir bin;
        QString program = bin.filePath("fake-sysinfo");
        QFile file(program);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\ntouch \"$0.ran\"\n");
        file.close();
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

        frmAbout about;
        about.SysInfoPrograms = {"vantor-no-such-sysinfo", "fake-sysinfo"};
        about.SysInfoSearchPaths = {bin.path()};
        about.StartSysInfo();
        QTRY_VERIFY(QFile::exists(program + ".ran"));
        QVERIFY(prompts().isEmpty());
    }

    void theAboutMenuShowsTheBoxModally() {
        frmMDI window;
        window.show();
        QString seen;
        QTimer::singleShot(0, [&seen] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* box = qobject_cast<frmAbout*>(w); box && box->isVisible()) {
                    seen = box->isModal() ? box->lblVersion->text() : "not modal";
                    box->cmdOK->click();
                }
        });
        window.Menu().Item("mnAbout")->trigger();
        QCOMPARE(seen, QString("Version " VANTOR_VERSION));
    }
};

QTEST_MAIN(HelpAboutTest)
#include "HelpAboutTest.moc"
