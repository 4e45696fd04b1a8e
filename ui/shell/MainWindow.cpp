#include "ui/shell/MainWindow.h"

#include "ui/compare/CompareView.h"
#include "ui/compare/ConnectDialog.h"
#include "ui/icons/Icons.h"
#include "ui/navigator/Navigator.h"
#include "ui/shell/LogWindow.h"
#include "ui/shell/MainMenu.h"
#include "ui/shell/MainToolBars.h"
#include "ui/shell/RecentFiles.h"
#include "ui/shell/ScriptDocuments.h"
#include "ui/shell/WaitWindow.h"

#include <QDockWidget>
#include <QEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMouseEvent>
#include <QProgressBar>
#include <QStatusBar>
#include <QTabBar>
#include <QToolBar>
#include <QVBoxLayout>

namespace vantor {

MainWindow* MainWindow::Of(QWidget* widget) {
    for (; widget; widget = widget->parentWidget())
        if (auto* main = qobject_cast<MainWindow*>(widget))
            return main;
    return nullptr;
}

void MainWindow::StatusText(const QString& text) {
    lblStatus->setText(text);
}

MainWindow::MainWindow(Session& session, Desktop& desktop, const QString& recentFile,
                       const QString& addInFolder, QWidget* parent)
    : QMainWindow(parent), session_(session), desktop_(desktop) {
    setObjectName(QStringLiteral("frmMDI"));
    setWindowTitle(Caption());
    setWindowIcon(AppIcon());
    setDockOptions(QMainWindow::AnimatedDocks | QMainWindow::AllowTabbedDocks);

    menu_ = std::make_unique<MainMenu>(*menuBar());
    tBar = MakeMainToolBar(this);
    addToolBar(Qt::TopToolBarArea, tBar);
    addToolBarBreak(Qt::TopToolBarArea);
    tbMacro = MakeMacroToolBar(this);
    addToolBar(Qt::TopToolBarArea, tbMacro);
    buildCentralArea();
    buildStatusBar();

    // Start-up, in the design's order: the docked navigator and log, the comparison window,
    // then the file filter.
    buildDocks();
    compareWindow_->show();
    resizeDocks({navDock_}, {280}, Qt::Horizontal);
    resizeDocks({outputDock_}, {150}, Qt::Vertical);
    FileFilter = QStringLiteral("All Files|*.*|All Supported Files|*txt;*.sql;") +
                 QStringLiteral("|Text Files|*.txt|SQL Files|*.sql");
    // Then the recent-file list into its menu.
    recent_ = std::make_unique<RecentFiles>(recentFile, menu_.get());
    recent_->LoadRecentFiles();
    // Then the add-in programs, read once, into their menu.
    addIns_.Load(addInFolder);
    addIns_.FillMenu(*menu_);
    documents_ = new ScriptDocuments(*this);
    new BusyIndicator(session_, this);

    wireMenu();
    connect(tBar, &QToolBar::actionTriggered, this,
            [this](QAction* a) { tBar_ButtonClick(ButtonKey(a)); });
    resize(1280, 820);
}

MainWindow::~MainWindow() {
    // Closing the frame hides its children; their notices must not reach the menu destroyed
    // before them.
    navDock_->disconnect(this);
    outputDock_->disconnect(this);
    compareWindow_->removeEventFilter(this);
    tb->removeEventFilter(this);
}

QString MainWindow::Caption() {
    return QStringLiteral("Vantor Ver.%1 (for Microsoft Access Database)")
        .arg(QStringLiteral(VANTOR_VERSION));
}

void MainWindow::buildCentralArea() {
    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    mdi_ = new QMdiArea(central);
    mdi_->setObjectName(QStringLiteral("MDIClient"));
    mdi_->setBackground(QColor(0x8a, 0x94, 0xa0));
    column->addWidget(mdi_, 1);

    picStatus = new QWidget(central);
    picStatus->setObjectName(QStringLiteral("picStatus"));
    auto* strip = new QVBoxLayout(picStatus);
    strip->setContentsMargins(0, 0, 0, 0);
    tb = new QTabBar(picStatus);
    tb->setObjectName(QStringLiteral("tb"));
    tb->setShape(QTabBar::RoundedSouth);
    tb->setExpanding(false);
    tb->setDocumentMode(true);
    tb->installEventFilter(this);
    strip->addWidget(tb);
    column->addWidget(picStatus);
    setCentralWidget(central);

    connect(tb, &QTabBar::tabBarClicked, this, &MainWindow::tb_MouseDown);
    connect(mdi_, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* w) {
        if (int n = Docs.IndexOf(w))
            CurrentDoc = n;
    });

    compare_ = new CompareView(session_, desktop_);
    compareWindow_ = mdi_->addSubWindow(compare_);
    compareWindow_->setObjectName(QStringLiteral("frmCompareWindow"));
    compareWindow_->setWindowIcon(AppIcon());
    // The one comparison window is hidden when closed, never destroyed.
    compareWindow_->setAttribute(Qt::WA_DeleteOnClose, false);
    compareWindow_->installEventFilter(this);
}

void MainWindow::buildDocks() {
    nav_ = new Navigator(session_, desktop_, *compare_);
    navDock_ = new QDockWidget(nav_->windowTitle(), this);
    navDock_->setObjectName(QStringLiteral("frmNavDock"));
    navDock_->setWidget(nav_);
    addDockWidget(Qt::LeftDockWidgetArea, navDock_);
    connect(nav_, &Navigator::CompareWindowWanted, this, [this] {
        compareWindow_->show();
        menu_->Item(QStringLiteral("mnTblCmp"))->setChecked(true);
    });

    output_ = new LogWindow(session_, desktop_);
    outputDock_ = new QDockWidget(output_->windowTitle(), this);
    outputDock_->setObjectName(QStringLiteral("frmOutputDock"));
    outputDock_->setWidget(output_);
    addDockWidget(Qt::BottomDockWidgetArea, outputDock_);

    // A dock closed by its own button unchecks its View item, so mark and window stay in step.
    for (const auto& entry :
         {std::pair{navDock_, "mnObjBrowser"}, std::pair{outputDock_, "DisplayLogWindow"}}) {
        QDockWidget* dock = entry.first;
        const char* name = entry.second;
        connect(dock, &QDockWidget::visibilityChanged, this, [this, dock, name](bool) {
            menu_->Item(QLatin1String(name))->setChecked(!dock->isHidden());
        });
    }
}

void MainWindow::buildStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar1"));
    QFont verdana(QStringLiteral("Verdana"));
    verdana.setPointSizeF(bar->font().pointSizeF());
    bar->setFont(verdana);
    lblStatus = new QLabel(
        QStringLiteral("Ready. Use File > Connect and Compare... to open two databases."), bar);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    bar->addWidget(lblStatus, 1);
    ProgressBar1 = new QProgressBar(bar);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setMaximumWidth(160);
    ProgressBar1->setVisible(false);
    bar->addPermanentWidget(ProgressBar1);
}

ConnectDialog* MainWindow::Connect() {
    if (!connect_)
        connect_ = new ConnectDialog(session_, desktop_, *nav_, this);
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
        if (!compareWindow_->isMinimized())
            menu_->Item(QStringLiteral("mnTblCmp"))->setChecked(!compareWindow_->isHidden());
    } else if (watched == tb && event->type() == QEvent::MouseButtonRelease) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        tb_MouseUp(tb->tabAt(mouse->position().toPoint()), mouse->button());
    }
    return QMainWindow::eventFilter(watched, event);
}

} // namespace vantor
