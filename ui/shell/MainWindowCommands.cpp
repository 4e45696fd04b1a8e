// The main window's command handlers: menus, the tool bar dispatcher and the tab strip.
#include "ui/shell/MainWindow.h"

#include "engine/Session.h"
#include "ui/compare/CompareView.h"
#include "ui/compare/ConnectDialog.h"
#include "ui/editor/ScriptDialog.h"
#include "ui/navigator/Navigator.h"
#include "ui/shell/AboutDialog.h"
#include "ui/shell/AppFiles.h"
#include "ui/shell/HelpCommands.h"
#include "ui/shell/MainMenu.h"
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
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QTabBar>
#include <QTextEdit>
#include <QTimer>

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

} // namespace

void MainWindow::wireMenu() {
    auto on = [this](const char* name, auto slot) {
        connect(menu_->Item(QLatin1String(name)), &QAction::triggered, this, slot);
    };
    on("new", [this] { new_Click(); });
    on("mnDisconect", [this] { mnDisconect_Click(); });
    on("mnRef", [this] { mnRef_Click(); });
    on("mnNew", [this] { mnNew_Click(); });
    on("open", [this] { open_Click(); });
    on("mnSave", [this] { Q_EMIT SaveRequested(); });
    on("saveas", [this] { Q_EMIT SaveAsRequested(); });
    on("mnSaveAll", [this] { Q_EMIT SaveAllRequested(); });
    on("mnExit", [this] { mnExit_Click(); });
    on("mnPriCreate", [this] { compare_->cmdCrt_Click(0); });
    on("mnPriDrop", [this] { compare_->cmdDrop_Click(0); });
    on("mnPriAlter", [this] { compare_->cmdAlter_Click(0); });
    on("mnSecCreate", [this] { compare_->cmdCrt_Click(1); });
    on("mnSecDrop", [this] { compare_->cmdDrop_Click(1); });
    on("mnSecAlter", [this] { compare_->cmdAlter_Click(1); });
    on("mnObjBrowser", [this](bool checked) { mnObjBrowser_Click(checked); });
    on("mnTblCmp", [this](bool checked) { mnTblCmp_Click(checked); });
    on("DisplayLogWindow", [this](bool checked) { DisplayLogWindow_Click(checked); });
    on("mnSplitHoriz", [this] { Arrange(arrange::TileHorizontal); });
    on("mnSplitVertical", [this] { Arrange(arrange::TileVertical); });
    on("ArrangeIcons", [this] { Arrange(arrange::ArrangeIcons); });
    on("Casade", [this] { Arrange(arrange::Cascade); });
    on("CloseAllWindows", [this] { mdi_->closeAllSubWindows(); });
    on("mnHelpGen", [this] { Q_EMIT HelpRequested(); });
    on("mnHelpOnline", [this] { Q_EMIT HelpOnlineRequested(); });
    on("mnReadme", [this] { Q_EMIT ReadmeRequested(); });
    on("mnProductWeb", [this] { Q_EMIT ProductWebRequested(); });
    on("mnAbout", [this] { Q_EMIT AboutRequested(); });
    for (int i = 0; i < static_cast<int>(menu_->mnuRec.size()); ++i)
        connect(menu_->mnuRec[i], &QAction::triggered, this, [this, i] { mnuRec_Click(i); });
    for (int i = 0; i < static_cast<int>(menu_->mnAddInItems.size()); ++i)
        connect(menu_->mnAddInItems[i], &QAction::triggered, this,
                [this, i] { Q_EMIT AddInRequested(i); });
    connect(this, &MainWindow::AddInRequested, this, [this](int index) { addIns_.Run(index); });
    connect(this, &MainWindow::HelpRequested, this, [this] { ShowHelp(desktop_); });
    connect(this, &MainWindow::HelpOnlineRequested, this,
            [this] { OpenUrl(desktop_, kHelpOnlineUrl); });
    connect(this, &MainWindow::ProductWebRequested, this,
            [this] { OpenUrl(desktop_, kProductWebUrl); });
    connect(this, &MainWindow::AboutRequested, this, [this] {
        AboutDialog about(desktop_, this);
        about.exec();
    });
    connect(this, &MainWindow::ReadmeRequested, this,
            [this] { documents_->OpenDocument(readmePath()); });
    connect(nav_, &Navigator::OpenFileRequested, this,
            [this](const QString& path) { documents_->OpenDocument(path); });
    connect(menu_->WindowList, &QMenu::aboutToShow, this, &MainWindow::fillWindowList);
    connect(nav_, &Navigator::Filled, this, &MainWindow::showComparisonSummary);
    connect(nav_, &Navigator::Filled, documents_, &ScriptDocuments::RefreshTargets);
}

void MainWindow::new_Click() {
    ConnectDialog* dialog = Connect();
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

void MainWindow::ConnectAtStart(const QString& primary, const QString& secondary) {
    ConnectDialog* dialog = Connect();
    for (int i : {0, 1}) {
        dialog->txtUser[i]->setText(QStringLiteral("Admin"));
        dialog->txtPass[i]->clear();
    }
    dialog->txtDb[0]->setText(primary);
    dialog->txtDb[1]->setText(secondary);
    dialog->cmdButtons_Click(0);
    if (!session_.diff())
        new_Click();
}

void MainWindow::mnDisconect_Click() {
    session_.disconnect();
    nav_->ClearNodes();
    compare_->ed[0]->clear();
    compare_->ed[1]->clear();
    lblStatus->setText(QStringLiteral("Disconnected."));
    session_.log(QStringLiteral("Disconnected both databases"));
}

void MainWindow::mnRef_Click() {
    nav_->Reload();
}

void MainWindow::mnNew_Click() {
    // The window names the secondary database as its target, so that is where it runs; the
    // user may pick the primary one instead.
    if (ComparisonOrWarn(session_, desktop_))
        ShowScriptWindow(this, session_, desktop_, QString(), Side::Secondary, true);
}

void MainWindow::open_Click() {
    if (ComparisonOrWarn(session_, desktop_))
        Q_EMIT OpenRequested();
}

void MainWindow::mnuRec_Click(int index) {
    if (ComparisonOrWarn(session_, desktop_))
        Q_EMIT RecentFileRequested(RecentFiles::PathOf(menu_->mnuRec[static_cast<size_t>(index)]));
}

void MainWindow::mnExit_Click() {
    // Unsaved scripts are the user's work: ending the run asks about them first.
    if (documents_->QueryCloseAll())
        QApplication::exit(0);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (documents_->QueryCloseAll())
        QMainWindow::closeEvent(event);
    else
        event->ignore();
}

void MainWindow::mnObjBrowser_Click(bool checked) {
    navDock_->setVisible(checked);
}

void MainWindow::mnTblCmp_Click(bool checked) {
    compareWindow_->setVisible(checked);
}

void MainWindow::DisplayLogWindow_Click(bool checked) {
    outputDock_->setVisible(checked);
}

void MainWindow::Arrange(int code) {
    ArrangeSubWindows(*mdi_, code);
}

void MainWindow::tBar_ButtonClick(const QString& key) {
    if (key == QLatin1String("mnExit"))
        mnExit_Click();
    else if (key == QLatin1String("new"))
        Q_EMIT NewDocumentRequested();
    else if (key == QLatin1String("close")) {
        if (QMdiSubWindow* w = Docs.Item(CurrentDoc))
            w->close();
    } else if (key == QLatin1String("reload"))
        Q_EMIT ReloadRequested();
    else if (key == QLatin1String("saveas"))
        Q_EMIT SaveAsRequested();
    else if (key == QLatin1String("save"))
        Q_EMIT SaveRequested();
    else if (key == QLatin1String("saveall"))
        Q_EMIT SaveAllRequested();
    else if (key == QLatin1String("tilever"))
        Arrange(arrange::TileVertical);
    else if (key == QLatin1String("tilehor"))
        Arrange(arrange::TileHorizontal);
    else if (key == QLatin1String("cascade"))
        Arrange(arrange::Cascade);
    else if (key == QLatin1String("open"))
        open_Click();
    else if (key == QLatin1String("help"))
        Q_EMIT HelpRequested();
}

void MainWindow::activateDocument(int index) {
    QString key = tb->tabData(index).toString();
    bool ok = false;
    int n = key.mid(3).toInt(&ok);
    if (!ok || n < 1 || n > Docs.UBound())
        return;
    QMdiSubWindow* window = Docs.Item(n);
    if (!window && DocumentWindowFactory) {
        window = DocumentWindowFactory(n);
        Docs.Set(n, window);
    }
    if (!window)
        return;
    window->show();
    mdi_->setActiveSubWindow(window);
    window->setFocus();
}

void MainWindow::tb_MouseDown(int index) {
    if (index >= 0)
        activateDocument(index);
}

void MainWindow::tb_MouseUp(int index, Qt::MouseButton) {
    // The right button asks for no menu: the strip has none to offer.
    if (index >= 0)
        activateDocument(index);
}

void MainWindow::fillWindowList() {
    QMenu* list = menu_->WindowList;
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
        lblStatus->setText(ComparisonCounts(*diff));
}

} // namespace vantor
