#pragma once

#include "ui/shell/AddIns.h"

#include <QMainWindow>
#include <memory>

class QDockWidget;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QProgressBar;
class QTabBar;
class QToolBar;

namespace vantor {

class ComparisonCommands;
class CompareView;
class ConnectDialog;
class Desktop;
class LogWindow;
class MainMenu;
class Navigator;
class RecentFiles;
class ScriptDocuments;
class Session;

enum class Arrangement;

// The multiple-document main window: menus, tool bars, the document tab strip, the docked
// navigator and log, and the comparison window. It wires the menus and tool bars to the windows
// and the session; the commands themselves live with what they act on.
class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    // The recent-file list is kept in recentFile and the add-in programs are read from
    // addInFolder, so that a test can keep the program's own ones untouched.
    MainWindow(Session& session, Desktop& desktop, const QString& recentFile,
               const QString& addInFolder, QWidget* parent = nullptr);
    ~MainWindow() override;

    static QString Caption();
    // The filter of the script files' open and save dialogs.
    static QString ScriptFileFilter();

    Session& session() const { return session_; }
    Desktop& desktop() const { return desktop_; }
    MainMenu& menu() const { return *menu_; }
    // The recent-file list, read at start; AddRecentFile also updates its menu.
    RecentFiles& recentFiles() const { return *recent_; }
    // The script documents: untitled scripts and script files with their tabs.
    ScriptDocuments& documents() const { return *documents_; }
    ComparisonCommands& comparisons() const { return *comparisons_; }
    const AddIns& addIns() const { return addIns_; }
    QMdiArea* mdiArea() const { return mdi_; }
    Navigator* navigator() const { return nav_; }
    LogWindow* logWindow() const { return log_; }
    CompareView* compareView() const { return compare_; }
    QMdiSubWindow* compareWindow() const { return compareWindow_; }
    QDockWidget* navigatorDock() const { return navDock_; }
    QDockWidget* logDock() const { return logDock_; }
    QToolBar* mainToolBar() const { return mainToolBar_; }
    QToolBar* macroToolBar() const { return macroToolBar_; }
    QTabBar* documentTabs() const { return documentTabs_; }
    // The connect dialog, created on first use.
    ConnectDialog* connectDialog();

    // The first panel of the status bar.
    QString statusText() const;

    // Connects and compares at start, as the connect dialog's OK would with user "Admin" and no
    // passwords; when that fails the dialog comes up with the names for another attempt.
    void connectAtStart(const QString& primary, const QString& secondary);

public Q_SLOTS:
    void setStatusText(const QString& text);
    void showConnectDialog();
    void disconnectDatabases();
    void refreshComparison();
    // A script window aimed at the secondary database, whose target the user may change.
    void newScriptWindow();
    void openScript();
    void openRecentFile(int index);
    void exitProgram();
    void showObject(const QString& name);
    // Lets the user choose what the comparison takes in; a new choice is kept and applied.
    void showCompareOptions();
    void arrange(Arrangement how);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildCentralArea();
    void buildDocks();
    void buildStatusBar();
    void wireMenu();
    void wireToolBar();
    void wireSession();
    void fillWindowList();
    void showComparisonSummary();
    // Commands that start work or change the databases wait while the session is busy.
    void enableSessionCommands(bool enabled);
    void setToggle(const char* name, bool checked);

    Session& session_;
    Desktop& desktop_;
    std::unique_ptr<MainMenu> menu_;
    std::unique_ptr<RecentFiles> recent_;
    AddIns addIns_;
    ScriptDocuments* documents_ = nullptr;
    ComparisonCommands* comparisons_ = nullptr;
    QToolBar* mainToolBar_ = nullptr;
    QToolBar* macroToolBar_ = nullptr;
    QTabBar* documentTabs_ = nullptr;
    QLabel* statusLabel_ = nullptr;
    QProgressBar* progressBar_ = nullptr;
    QMdiArea* mdi_ = nullptr;
    Navigator* nav_ = nullptr;
    LogWindow* log_ = nullptr;
    CompareView* compare_ = nullptr;
    QMdiSubWindow* compareWindow_ = nullptr;
    ConnectDialog* connect_ = nullptr;
    QDockWidget* navDock_ = nullptr;
    QDockWidget* logDock_ = nullptr;
    bool firstShow_ = true;
    QString settingsFile_;
};

} // namespace vantor
