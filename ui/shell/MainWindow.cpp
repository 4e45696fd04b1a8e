#include "ui/shell/MainWindow.h"

#include "engine/Session.h"
#include "ui/compare/CompareView.h"
#include "ui/compare/ComparisonCommands.h"
#include "ui/compare/ConnectDialog.h"
#include "ui/icons/Icons.h"
#include "ui/navigator/Navigator.h"
#include "ui/shell/LogWindow.h"
#include "ui/shell/MainMenu.h"
#include "ui/shell/MainToolBars.h"
#include "ui/shell/MdiArrange.h"
#include "ui/shell/RecentFiles.h"
#include "ui/shell/ScriptDocuments.h"
#include "ui/shell/WaitWindow.h"

#include <QDir>
#include <QDockWidget>
#include <QEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QProgressBar>
#include <QResizeEvent>
#include <QSettings>
#include <QStatusBar>
#include <QTabBar>
#include <QToolBar>
#include <QVBoxLayout>

namespace vantor {

MainWindow::MainWindow(Session& session, Desktop& desktop, const QString& recentFile,
                       const QString& addInFolder, QWidget* parent)
    : QMainWindow(parent), session_(session), desktop_(desktop) {
    setObjectName(QStringLiteral("frmMDI"));
    setWindowTitle(Caption());
    setWindowIcon(AppIcon());
    setDockOptions(QMainWindow::AnimatedDocks | QMainWindow::AllowTabbedDocks);
    setMinimumSize(640, 420);

    menu_ = std::make_unique<MainMenu>(*menuBar());
    mainToolBar_ = MakeMainToolBar(this);
    addToolBar(Qt::TopToolBarArea, mainToolBar_);
    addToolBarBreak(Qt::TopToolBarArea);
    macroToolBar_ = MakeMacroToolBar(this);
    addToolBar(Qt::TopToolBarArea, macroToolBar_);
    buildCentralArea();
    buildStatusBar();

    // Start-up, in the design's order: the docked navigator and log, the comparison window,
    // then the recent-file list and the add-in programs into their menus.
    buildDocks();
    compareWindow_->show();
    resizeDocks({navDock_}, {280}, Qt::Horizontal);
    resizeDocks({logDock_}, {150}, Qt::Vertical);
    recent_ = std::make_unique<RecentFiles>(recentFile, menu_.get());
    recent_->LoadRecentFiles();
    // The comparison's options are kept beside the recent-file list, from one run to the next.
    settingsFile_ = QFileInfo(recentFile).absoluteDir().filePath(QStringLiteral("vantor.ini"));
    session_.setCompareSettings(CompareSettings::fromMap(
        QSettings(settingsFile_, QSettings::IniFormat).value(QStringLiteral("compare")).toMap()));
    addIns_.Load(addInFolder);
    addIns_.FillMenu(*menu_);
    documents_ = new ScriptDocuments(*this, *documentTabs_);
    comparisons_ = new ComparisonCommands(session_, desktop_, this);
    new BusyIndicator(session_, this);

    wireMenu();
    wireToolBar();
    wireSession();
    resize(1280, 820);
}

MainWindow::~MainWindow() {
    // Closing the frame hides its children; their notices must not reach the menu destroyed
    // before them.
    navDock_->disconnect(this);
    logDock_->disconnect(this);
    // The tool bar goes before the work area, whose last activations must not reach it.
    mdi_->disconnect(documents_);
    compareWindow_->removeEventFilter(this);
    mdi_->viewport()->removeEventFilter(this);
}

QString MainWindow::Caption() {
    return QStringLiteral("Vantor Ver.%1 (for Microsoft Access Database)")
        .arg(QStringLiteral(VANTOR_VERSION));
}

QString MainWindow::ScriptFileFilter() {
    return QStringLiteral("All Files|*.*|All Supported Files|*txt;*.sql;") +
           QStringLiteral("|Text Files|*.txt|SQL Files|*.sql");
}

QString MainWindow::statusText() const {
    return statusLabel_->text();
}

void MainWindow::setStatusText(const QString& text) {
    statusLabel_->setText(text);
}

void MainWindow::buildCentralArea() {
    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    mdi_ = new QMdiArea(central);
    mdi_->setObjectName(QStringLiteral("MDIClient"));
    mdi_->setBackground(QColor(0x8a, 0x94, 0xa0));
    // Tiled windows that do not fit keep their size; the area scrolls to them.
    mdi_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdi_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    column->addWidget(mdi_, 1);

    auto* strip = new QWidget(central);
    strip->setObjectName(QStringLiteral("picStatus"));
    auto* stripLayout = new QVBoxLayout(strip);
    stripLayout->setContentsMargins(0, 0, 0, 0);
    documentTabs_ = new QTabBar(strip);
    documentTabs_->setObjectName(QStringLiteral("tb"));
    documentTabs_->setShape(QTabBar::RoundedSouth);
    documentTabs_->setExpanding(false);
    documentTabs_->setDocumentMode(true);
    stripLayout->addWidget(documentTabs_);
    column->addWidget(strip);
    setCentralWidget(central);

    compare_ = new CompareView(session_, desktop_);
    compareWindow_ = mdi_->addSubWindow(compare_);
    compareWindow_->setObjectName(QStringLiteral("frmCompareWindow"));
    compareWindow_->setWindowIcon(AppIcon());
    // The one comparison window is hidden when closed, never destroyed.
    compareWindow_->setAttribute(Qt::WA_DeleteOnClose, false);
    compareWindow_->installEventFilter(this);
    mdi_->viewport()->installEventFilter(this);
}

void MainWindow::buildDocks() {
    nav_ = new Navigator(session_);
    navDock_ = new QDockWidget(nav_->windowTitle(), this);
    navDock_->setObjectName(QStringLiteral("frmNavDock"));
    navDock_->setWidget(nav_);
    addDockWidget(Qt::LeftDockWidgetArea, navDock_);

    log_ = new LogWindow(session_, desktop_);
    logDock_ = new QDockWidget(log_->windowTitle(), this);
    logDock_->setObjectName(QStringLiteral("frmOutputDock"));
    logDock_->setWidget(log_);
    addDockWidget(Qt::BottomDockWidgetArea, logDock_);

    // A dock closed by its own button unchecks its View item, so mark and window stay in step.
    for (const auto& entry :
         {std::pair{navDock_, "mnObjBrowser"}, std::pair{logDock_, "DisplayLogWindow"}}) {
        QDockWidget* dock = entry.first;
        const char* name = entry.second;
        connect(dock, &QDockWidget::visibilityChanged, this,
                [this, dock, name](bool) { setToggle(name, !dock->isHidden()); });
    }
}

void MainWindow::buildStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar1"));
    QFont verdana(QStringLiteral("Verdana"));
    verdana.setPointSizeF(bar->font().pointSizeF());
    bar->setFont(verdana);
    statusLabel_ = new QLabel(
        QStringLiteral("Ready. Use File > Connect and Compare... to open two databases."), bar);
    statusLabel_->setObjectName(QStringLiteral("lblStatus"));
    bar->addWidget(statusLabel_, 1);
    progressBar_ = new QProgressBar(bar);
    progressBar_->setObjectName(QStringLiteral("ProgressBar1"));
    progressBar_->setMaximumWidth(160);
    progressBar_->setVisible(false);
    bar->addPermanentWidget(progressBar_);
}

ConnectDialog* MainWindow::connectDialog() {
    if (!connect_) {
        connect_ = new ConnectDialog(desktop_, this);
        connect(connect_, &ConnectDialog::connectRequested, comparisons_,
                &ComparisonCommands::connectDatabases);
    }
    return connect_;
}

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (firstShow_) {
        firstShow_ = false;
        // The comparison window starts filling the work area.
        compareWindow_->setGeometry(mdi_->viewport()->rect());
    }
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == compareWindow_ &&
        (event->type() == QEvent::Hide || event->type() == QEvent::Show)) {
        // Closing the frame also closes the view inside it; shown again, the frame must not
        // come back empty.
        if (event->type() == QEvent::Show && compare_->isHidden())
            compare_->show();
        if (!compareWindow_->isMinimized())
            setToggle("mnTblCmp", !compareWindow_->isHidden());
    } else if (watched == mdi_->viewport() && event->type() == QEvent::Resize && !firstShow_) {
        auto* resize = static_cast<QResizeEvent*>(event);
        FollowAreaResize(*mdi_, resize->oldSize(), resize->size());
    }
    return QMainWindow::eventFilter(watched, event);
}

} // namespace vantor
