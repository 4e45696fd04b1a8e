#pragma once

#include "ui/shell/AddIns.h"
#include "ui/shell/DocumentSet.h"

#include <QMainWindow>
#include <functional>
#include <memory>

class QDockWidget;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QProgressBar;
class QTabBar;
class QToolBar;

namespace vantor {

class CompareView;
class ConnectDialog;
class Desktop;
class LogWindow;
class MainMenu;
class Navigator;
class RecentFiles;
class ScriptDocuments;
class Session;

// The multiple-document main window: menus, tool bars, the document tab strip, the docked
// navigator and log, and the comparison window. Every command is dispatched here.
class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    // The recent-file list is kept in recentFile and the add-in programs are read from
    // addInFolder, so that a test can keep the program's own ones untouched.
    MainWindow(Session& session, Desktop& desktop, const QString& recentFile,
               const QString& addInFolder, QWidget* parent = nullptr);
    ~MainWindow() override;

    static QString Caption();
    // The main window that widget lives in, through the dialogs it opened; null outside one.
    static MainWindow* Of(QWidget* widget);
    // The first panel of the status bar.
    void StatusText(const QString& text);

    Session& session() const { return session_; }
    Desktop& desktop() const { return desktop_; }
    MainMenu& Menu() const { return *menu_; }
    // The recent-file list, read at start; AddRecentFile also updates its menu.
    RecentFiles& Recent() const { return *recent_; }
    // The script documents: untitled scripts and script files with their tabs.
    ScriptDocuments& Documents() const { return *documents_; }
    QMdiArea* MdiArea() const { return mdi_; }
    Navigator* Nav() const { return nav_; }
    LogWindow* Output() const { return output_; }
    CompareView* Compare() const { return compare_; }
    QMdiSubWindow* CompareWindow() const { return compareWindow_; }
    QDockWidget* NavDock() const { return navDock_; }
    QDockWidget* OutputDock() const { return outputDock_; }
    const AddIns& addIns() const { return addIns_; }
    // The connect dialog, created on first use.
    ConnectDialog* Connect();

    QToolBar* tBar;
    QToolBar* tbMacro;
    QWidget* picStatus;
    QTabBar* tb;
    QLabel* lblStatus;
    QProgressBar* ProgressBar1;
    QString FileFilter;

    DocumentSet Docs;
    int CurrentDoc = 0;
    // Makes the window of document n when its tab is pressed after the window was closed.
    std::function<QMdiSubWindow*(int n)> DocumentWindowFactory;

    // Connects and compares at start, as the connect dialog's OK would with user "Admin" and no
    // passwords; when that fails the dialog stays open for another attempt.
    void ConnectAtStart(const QString& primary, const QString& secondary);

public Q_SLOTS:
    void new_Click();
    void mnDisconect_Click();
    void mnRef_Click();
    void mnNew_Click();
    void open_Click();
    void mnuRec_Click(int index);
    void mnExit_Click();
    void mnObjBrowser_Click(bool checked);
    void mnTblCmp_Click(bool checked);
    void DisplayLogWindow_Click(bool checked);
    void Arrange(int code);
    void tBar_ButtonClick(const QString& key);
    void tb_MouseDown(int index);
    void tb_MouseUp(int index, Qt::MouseButton button);

Q_SIGNALS:
    // Commands carried out by the script editor, the documents, the add-ins and the help.
    void NewDocumentRequested();
    void OpenRequested();
    void RecentFileRequested(const QString& path);
    void SaveRequested();
    void SaveAsRequested();
    void SaveAllRequested();
    void ReloadRequested();
    void HelpRequested();
    void HelpOnlineRequested();
    void ReadmeRequested();
    void ProductWebRequested();
    void AboutRequested();
    void AddInRequested(int index);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildCentralArea();
    void buildDocks();
    void buildStatusBar();
    void wireMenu();
    void fillWindowList();
    void activateDocument(int index);
    void showComparisonSummary();

    Session& session_;
    Desktop& desktop_;
    std::unique_ptr<MainMenu> menu_;
    std::unique_ptr<RecentFiles> recent_;
    AddIns addIns_;
    ScriptDocuments* documents_ = nullptr;
    QMdiArea* mdi_ = nullptr;
    Navigator* nav_ = nullptr;
    LogWindow* output_ = nullptr;
    CompareView* compare_ = nullptr;
    QMdiSubWindow* compareWindow_ = nullptr;
    ConnectDialog* connect_ = nullptr;
    QDockWidget* navDock_ = nullptr;
    QDockWidget* outputDock_ = nullptr;
    bool firstShow_ = true;
};

} // namespace vantor
