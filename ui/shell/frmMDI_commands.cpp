// The main window's command handlers: menus, the tool bar dispatcher and the tab strip.
#include "ui/shell/frmMDI.h"

#include "engine/Globals.h"
#include "engine/clsEngine.h"
#include "ui/compare/frmCompare.h"
#include "ui/compare/frmConnect.h"
#include "ui/editor/ScriptWindow.h"
#include "ui/navigator/frmNav.h"
#include "ui/shell/ActivityLog.h"
#include "ui/shell/AddIns.h"
#include "ui/shell/AppFiles.h"
#include "ui/shell/HelpCommands.h"
#include "ui/shell/MainMenu.h"
#include "ui/shell/MdiArrange.h"
#include "ui/shell/Messages.h"
#include "ui/shell/RecentFiles.h"
#include "ui/shell/ScriptDocuments.h"
#include "ui/shell/frmAbout.h"

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

void frmMDI::wireMenu() {
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
    connect(this, &frmMDI::AddInRequested, this, [](int index) { RunPlugin(index); });
    connect(this, &frmMDI::HelpRequested, this, [] { ShowHelp(); });
    connect(this, &frmMDI::HelpOnlineRequested, this, [] { OpenUrl(kHelpOnlineUrl); });
    connect(this, &frmMDI::ProductWebRequested, this, [] { OpenUrl(kProductWebUrl); });
    connect(this, &frmMDI::AboutRequested, this, [this] {
        frmAbout about(this);
        about.exec();
    });
    connect(this, &frmMDI::ReadmeRequested, this,
            [this] { documents_->OpenDocument(readmePath()); });
    connect(nav_, &frmNav::OpenFileRequested, this,
            [this](const QString& path) { documents_->OpenDocument(path); });
    connect(menu_->WindowList, &QMenu::aboutToShow, this, &frmMDI::fillWindowList);
    connect(nav_, &frmNav::Filled, this, &frmMDI::showComparisonSummary);
    connect(nav_, &frmNav::Filled, documents_, &ScriptDocuments::RefreshTargets);
}

void frmMDI::new_Click() {
    frmConnect* dialog = Connect();
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

void frmMDI::ConnectAtStart(const QString& primary, const QString& secondary) {
    frmConnect* dialog = Connect();
    for (int i : {0, 1}) {
        dialog->txtUser[i]->setText(QStringLiteral("Admin"));
        dialog->txtPass[i]->clear();
    }
    dialog->txtDb[0]->setText(primary);
    dialog->txtDb[1]->setText(secondary);
    dialog->cmdButtons_Click(0);
    if (!Engine || !SchemasLoaded(*Engine))
        new_Click();
}

void frmMDI::mnDisconect_Click() {
    for (const auto& cn : {CnPrimary, CnSecondary}) {
        try {
            if (cn)
                cn->Close();
        } catch (const std::exception&) {
            // A connection that is already closed is what this command wants.
        }
    }
    nav_->ClearNodes();
    compare_->ed[0]->clear();
    compare_->ed[1]->clear();
    lblStatus->setText(QStringLiteral("Disconnected."));
    Log().Write(QStringLiteral("Disconnected both databases"));
}

void frmMDI::mnRef_Click() {
    nav_->Reload();
}

void frmMDI::mnNew_Click() {
    // The window names the secondary database as its target, so that is where it runs; the
    // user may pick the primary one instead.
    if (EngineOrWarn())
        ShowScriptWindow(this, QString(), ScriptTarget::Secondary, true);
}

void frmMDI::open_Click() {
    if (EngineOrWarn())
        Q_EMIT OpenRequested();
}

void frmMDI::mnuRec_Click(int Index) {
    if (EngineOrWarn())
        Q_EMIT RecentFileRequested(RecentFiles::PathOf(menu_->mnuRec[static_cast<size_t>(Index)]));
}

void frmMDI::mnExit_Click() {
    // Unsaved scripts are the user's work: ending the run asks about them first.
    if (documents_->QueryCloseAll())
        QApplication::exit(0);
}

void frmMDI::closeEvent(QCloseEvent* event) {
    if (documents_->QueryCloseAll())
        QMainWindow::closeEvent(event);
    else
        event->ignore();
}

void frmMDI::mnObjBrowser_Click(bool checked) {
    navDock_->setVisible(checked);
}

void frmMDI::mnTblCmp_Click(bool checked) {
    compareWindow_->setVisible(checked);
}

void frmMDI::DisplayLogWindow_Click(bool checked) {
    outputDock_->setVisible(checked);
}

void frmMDI::Arrange(int code) {
    ArrangeSubWindows(*mdi_, code);
}

void frmMDI::tBar_ButtonClick(const QString& key) {
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

void frmMDI::activateDocument(int index) {
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

void frmMDI::tb_MouseDown(int index) {
    if (index >= 0)
        activateDocument(index);
}

void frmMDI::tb_MouseUp(int index, Qt::MouseButton) {
    // The right button asks for no menu: the strip has none to offer.
    if (index >= 0)
        activateDocument(index);
}

void frmMDI::fillWindowList() {
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

void frmMDI::showComparisonSummary() {
    if (Engine)
        lblStatus->setText(ComparisonCounts(*Engine));
}

} // namespace vantor
