#pragma once

#include <QString>
#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;
class QToolBar;

namespace vantor {

class Desktop;
class ScriptEditControl;
class Session;

// The file name of a path: the text after its last folder separator, or all of it.
QString GetFileTitle(const QString& path);

// The window in which one SQL script is shown, edited, bookmarked and run against one of the
// two open databases. It serves both as a script document and as the shared script window.
class ScriptWindow : public QWidget {
    Q_OBJECT

public:
    static QString DefaultCaption();
    static QString ClosingQuestion();
    static QString RefreshHint();

    ScriptWindow(Session& session, Desktop& desktop, QWidget* parent = nullptr);

    QString Tag() const { return tag_; }
    void Tag(const QString& tag) { tag_ = tag; }
    bool Changed() const { return changed_; }
    // Announced, so the document's tab can show its changed picture.
    void Changed(bool changed);
    // The document's file, when it has one.
    QString Filename() const { return filename_; }
    void Filename(const QString& path) { filename_ = path; }
    bool IsFile() const { return isFile_; }
    void IsFile(bool isFile) { isFile_ = isFile; }

    QWidget* CoolBar1;
    QToolBar* tbFile;
    QToolBar* tbEdit;
    QToolBar* tbSql;
    QWidget* picTgt;
    QLabel* Label1;
    QComboBox* cbTgt;
    QLineEdit* txtOneOrTwo;
    ScriptEditControl* ed;

    // Puts a script into the editor without counting it as an edit.
    void SetScript(const QString& text);

    // Offers the two open databases as targets; the choice and txtOneOrTwo follow each other.
    void SetTargets(const QString& primaryPath, const QString& secondaryPath);

    // Brings the document's tab in the main window up to date; raises error 35601 when no
    // tab carries this window's key.
    void DoAct();
    // Prepares the bookmarks once the caller has put the script into the editor.
    void OnLoad();
    // Closes the window, asking nothing; a window whose script is running stays.
    void Unload();
    // The window is running its script; it lets the events through meanwhile, so it must
    // refuse to close or start a second run.
    bool IsRunning() const { return running_; }

public Q_SLOTS:
    void ToolbarButtonClick(const QString& key);

Q_SIGNALS:
    void ChangedFlagChanged(bool changed);
    // The file buttons of the window's own tool bar, for the documents to carry out.
    void OpenRequested();
    void SaveRequested();
    void NewRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildCoolBar();
    void arrangeBands();
    void ExecScript();
    void syncTargetChoice();
    bool handleWindowKey(int key);

    Session& session_;
    Desktop& desktop_;
    QString tag_;
    bool changed_ = false;
    QString filename_;
    bool isFile_ = false;
    bool settingText_ = false;
    bool running_ = false;
};

} // namespace vantor
