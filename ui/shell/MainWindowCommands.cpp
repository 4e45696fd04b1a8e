// The main window's wiring: menu items and tool bar buttons to the commands they stand for, and
// the session's work to what the window shows of it.
#include "ui/shell/MainWindow.h"

#include "engine/Session.h"
#include "ui/compare/CompareOptionsDialog.h"
#include "ui/compare/CompareView.h"
#include "ui/compare/ComparisonCommands.h"
#include "ui/compare/ConnectDialog.h"
#include "ui/editor/ScriptDialog.h"
#include "ui/navigator/Navigator.h"
#include "ui/shell/AboutDialog.h"
#include "ui/shell/AppFiles.h"
#include "ui/shell/HelpCommands.h"
#include "ui/shell/MainMenu.h"
#include "ui/shell/MainToolBars.h"
#include "ui/shell/MdiArrange.h"
#include "ui/shell/Messages.h"
#include "ui/shell/RecentFiles.h"
#include "ui/shell/ScriptDocuments.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QDockWidget>
#include <QFileInfo>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QToolBar>

namespace vantor {

namespace {

// Readme.txt beside the program, else the one installed with the help.
QString readmePath() {
    const QString beside = QDir(ProgramFolder()).filePath(QStringLiteral("Readme.txt"));
    if (QFileInfo::exists(beside))
        return beside;
    const QString help = HelpIndexPath();
    return help.isEmpty() ? beside : QFileInfo(help).dir().filePath(QStringLiteral("Readme.txt"));
}

// The names of the commands that start work on the databases or change them.
const char* const kSessionCommands[] = {"new", "mnDisconect", "mnRef"};

} // namespace

void MainWindow::setToggle(const char* name, bool checked) {
    menu_->action(QLatin1String(name))->setChecked(checked);
}

void MainWindow::wireMenu() {
    auto on = [this](const char* name, auto slot) {
        connect(menu_->action(QLatin1String(name)), &QAction::triggered, this, slot);
    };
    on("new", &MainWindow::showConnectDialog);
    on("mnDisconect", &MainWindow::disconnectDatabases);
    on("mnRef", &MainWindow::refreshComparison);
    on("mnNew", &MainWindow::newScriptWindow);
    on("open", &MainWindow::openScript);
    on("mnSave", [this] { documents_->SaveDocument(); });
    on("saveas", [this] { documents_->SaveDocumentAs(); });
    on("mnSaveAll", [this] { documents_->SaveAllDocuments(); });
    on("mnExit", &MainWindow::exitProgram);
    on("mnPriCreate", [this] { compare_->createScript(0); });
    on("mnPriDrop", [this] { compare_->dropScript(0); });
    on("mnPriAlter", [this] { compare_->alterScript(0); });
    on("mnSecCreate", [this] { compare_->createScript(1); });
    on("mnSecDrop", [this] { compare_->dropScript(1); });
    on("mnSecAlter", [this] { compare_->alterScript(1); });
    on("mnObjBrowser", [this](bool checked) { navDock_->setVisible(checked); });
    on("mnTblCmp", [this](bool checked) { compareWindow_->setVisible(checked); });
    on("DisplayLogWindow", [this](bool checked) { logDock_->setVisible(checked); });
    on("mnCompareOptions", &MainWindow::showCompareOptions);
    on("mnSplitHoriz", [this] { arrange(Arrangement::TileHorizontal); });
    on("mnSplitVertical", [this] { arrange(Arrangement::TileVertical); });
    on("ArrangeIcons", [this] { arrange(Arrangement::ArrangeIcons); });
    on("Casade", [this] { arrange(Arrangement::Cascade); });
    on("CloseAllWindows", [this] { mdi_->closeAllSubWindows(); });
    on("mnHelpGen", [this] { ShowHelp(desktop_); });
    // The program has no web pages of its own: both web items open the help it brings.
    on("mnHelpOnline", [this] { ShowHelp(desktop_); });
    on("mnReadme", [this] { documents_->OpenDocument(readmePath()); });
    on("mnCheckUpdate", [this] { ShowUpdateInfo(desktop_); });
    on("mnProductWeb", [this] { ShowHelp(desktop_); });
    on("mnAbout", [this] {
        AboutDialog about(desktop_, this);
        about.exec();
    });
    for (int i = 0; i < static_cast<int>(menu_->recentItems.size()); ++i)
        connect(menu_->recentItems[static_cast<size_t>(i)], &QAction::triggered, this,
                [this, i] { openRecentFile(i); });
    for (int i = 0; i < static_cast<int>(menu_->addInItems.size()); ++i)
        connect(menu_->addInItems[static_cast<size_t>(i)], &QAction::triggered, this,
                [this, i] { addIns_.Run(i); });
    connect(menu_->windowList, &QMenu::aboutToShow, this, &MainWindow::fillWindowList);
}

void MainWindow::wireToolBar() {
    auto on = [this](const char* key, auto slot) {
        if (QAction* button = FindButton(*mainToolBar_, QLatin1String(key)))
            connect(button, &QAction::triggered, this, slot);
    };
    on("new", [this] { documents_->NewDocument(); });
    on("open", &MainWindow::openScript);
    on("close", [this] { documents_->CloseCurrentDocument(); });
    on("save", [this] { documents_->SaveDocument(); });
    on("saveall", [this] { documents_->SaveAllDocuments(); });
    on("saveas", [this] { documents_->SaveDocumentAs(); });
    on("reload", [this] { documents_->ReloadDocument(); });
    on("tilehor", [this] { arrange(Arrangement::TileHorizontal); });
    on("tilever", [this] { arrange(Arrangement::TileVertical); });
    on("cascade", [this] { arrange(Arrangement::Cascade); });
    on("help", [this] { ShowHelp(desktop_); });
}

void MainWindow::wireSession() {
    connect(nav_, &Navigator::objectActivated, this, &MainWindow::showObject);
    connect(nav_, &Navigator::refreshRequested, this, &MainWindow::refreshComparison);
    connect(nav_, &Navigator::scriptRequested, this,
            [this](const QString& name, ScriptCommand command, int side) {
                showObject(name);
                compare_->writeScript(command, side);
            });
    connect(nav_, &Navigator::openFileRequested, this,
            [this](const QString& path) { documents_->OpenDocument(path); });
    connect(nav_, &Navigator::filled, this, &MainWindow::showComparisonSummary);
    connect(nav_, &Navigator::filled, documents_, &ScriptDocuments::RefreshTargets);
    connect(comparisons_, &ComparisonCommands::connected, this, [this] {
        if (connect_)
            connect_->close();
    });
    connect(comparisons_, &ComparisonCommands::connectFailed, this, [this] {
        // The names stay in the dialog for another attempt.
        ConnectDialog* dialog = connectDialog();
        dialog->show();
        dialog->raise();
    });
    // The counts of a comparison that is gone must not stay on screen.
    connect(&session_, &Session::cleared, this, [this] {
        statusLabel_->setText(QStringLiteral(
            "Nothing is compared now. Use File > Connect and Compare... to open two databases."));
    });
    connect(&session_, &Session::workStarted, this, [this] { enableSessionCommands(false); });
    connect(&session_, &Session::workFinished, this, [this] { enableSessionCommands(true); });
}

void MainWindow::enableSessionCommands(bool enabled) {
    for (const char* name : kSessionCommands)
        menu_->action(QLatin1String(name))->setEnabled(enabled);
    if (connect_)
        connect_->okButton()->setEnabled(enabled);
}

void MainWindow::showConnectDialog() {
    ConnectDialog* dialog = connectDialog();
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

void MainWindow::connectAtStart(const QString& primary, const QString& secondary) {
    connectDialog()->setDatabases(primary, secondary);
    comparisons_->connectDatabases({primary, QStringLiteral("Admin"), QString()},
                                   {secondary, QStringLiteral("Admin"), QString()});
}

void MainWindow::disconnectDatabases() {
    session_.disconnect();
    nav_->clearTree();
    compare_->clear();
    documents_->ForgetTargets();
    statusLabel_->setText(QStringLiteral("Disconnected."));
    session_.log(QStringLiteral("Disconnected both databases"));
}

void MainWindow::refreshComparison() {
    comparisons_->refresh();
}

void MainWindow::newScriptWindow() {
    // The window names the secondary database as its target, so that is where it runs; the
    // user may pick the primary one instead.
    if (ComparisonOrWarn(session_, desktop_))
        ShowScriptWindow(this, session_, desktop_, QString(), Side::Secondary, true);
}

void MainWindow::openScript() {
    if (ComparisonOrWarn(session_, desktop_))
        documents_->OpenCommand();
}

void MainWindow::openRecentFile(int index) {
    if (ComparisonOrWarn(session_, desktop_))
        documents_->OpenDocument(
            RecentFiles::PathOf(menu_->recentItems[static_cast<size_t>(index)]));
}

void MainWindow::exitProgram() {
    // Unsaved scripts are the user's work: ending the run asks about them first.
    if (documents_->QueryCloseAll()) {
        close();
        QApplication::exit(0);
    }
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!documents_->QueryCloseAll()) {
        event->ignore();
        return;
    }
    // Work under way stops at its next chance and says so in the log before the window goes.
    if (session_.isBusy()) {
        session_.cancel();
        session_.waitForWork();
    }
    QMainWindow::closeEvent(event);
}

void MainWindow::showObject(const QString& name) {
    if (compareWindow_->isHidden()) {
        compareWindow_->show();
        setToggle("mnTblCmp", true);
    }
    if (compareWindow_->isMinimized())
        compareWindow_->showNormal();
    // The object asked for must be seen, not left behind the script documents.
    mdi_->setActiveSubWindow(compareWindow_);
    compareWindow_->raise();
    compare_->showObject(name);
}

void MainWindow::showCompareOptions() {
    CompareOptionsDialog dialog(this);
    dialog.setSettings(session_.compareSettings());
    if (dialog.exec() != QDialog::Accepted || dialog.settings() == session_.compareSettings())
        return;
    session_.setCompareSettings(dialog.settings());
    QSettings store(settingsFile_, QSettings::IniFormat);
    store.setValue(QStringLiteral("compare"), dialog.settings().toMap());
    store.sync();
    if (store.status() != QSettings::NoError)
        session_.log(
            QStringLiteral("The compare options could not be saved to %1").arg(settingsFile_));
    // What is shown must follow the new choice.
    if (session_.diff())
        refreshComparison();
}

void MainWindow::arrange(Arrangement how) {
    ArrangeSubWindows(*mdi_, how);
}

void MainWindow::fillWindowList() {
    QMenu* list = menu_->windowList;
    list->clear();
    QMdiSubWindow* active = mdi_->activeSubWindow();
    for (QMdiSubWindow* w : mdi_->subWindowList(QMdiArea::CreationOrder)) {
        if (w->isHidden())
            continue;
        QAction* a = list->addAction(w->windowTitle());
        a->setCheckable(true);
        a->setChecked(w == active);
        connect(a, &QAction::triggered, this, [this, w = QPointer<QMdiSubWindow>(w)] {
            if (w)
                mdi_->setActiveSubWindow(w);
        });
    }
    if (list->isEmpty())
        list->addAction(QStringLiteral("(no open windows)"))->setEnabled(false);
}

void MainWindow::showComparisonSummary() {
    if (const Diff* diff = session_.diff())
        statusLabel_->setText(ComparisonCounts(*diff));
}

} // namespace vantor
