#pragma once

#include <QSet>
#include <QString>
#include <QWidget>

class QAction;
class QComboBox;
class QToolButton;
class QGridLayout;
class QLabel;
class QLineEdit;
class QToolBar;

namespace vantor {

class Desktop;
class ScriptEditControl;
class Session;
struct AccessRunReport;
struct BatchRunResult;

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
    // Asked before the first run of a window on an Access file: it names the file and where its
    // original will be kept.
    static QString AccessRunQuestion(const QString& path);

    ScriptWindow(Session& session, Desktop& desktop, QWidget* parent = nullptr);

    // The document's number as text, which names its tab.
    QString tag() const { return tag_; }
    void setTag(const QString& tag) { tag_ = tag; }
    bool isChanged() const { return changed_; }
    // Announced, so the document's tab can show its changed picture.
    void setChanged(bool changed);
    // The document's file, when it has one.
    QString fileName() const { return fileName_; }
    void setFileName(const QString& path) { fileName_ = path; }
    bool isFile() const { return isFile_; }
    void setIsFile(bool isFile) { isFile_ = isFile; }
    // Whether the window's script is running now.
    bool isRunning() const { return running_; }

    ScriptEditControl* editor() const { return editor_; }
    // The session whose databases the script runs on.
    Session& session() const { return session_; }
    QComboBox* targetChoice() const { return targetChoice_; }
    // The target as the design keeps it: "0" the primary database, "1" the secondary one.
    QLineEdit* targetField() const { return targetField_; }
    // "Verify on a copy", beside the target.
    QToolButton* verifyButton() const { return verifyButton_; }
    // The button of a tool bar key ("open", "exec", "tbmark", ...), or null.
    QAction* button(const QString& key) const;

    // Puts a script into the editor without counting it as an edit.
    void setScript(const QString& text);
    // Offers the two open databases as targets; the choice and the target field follow each
    // other.
    void setTargets(const QString& primaryPath, const QString& secondaryPath);
    // Offers no target, as when no two databases are open.
    void clearTargets();
    // Whether the script is aimed at one of the databases; a script read from a file is not
    // until the user picks one.
    bool hasTarget() const;
    // Leaves the script aimed at neither database: a run asks which one first.
    void forgetTarget();
    // Prepares the bookmarks once the caller has put the script into the editor.
    void prepareBookmarks();

public Q_SLOTS:
    // Runs the script against the target in the background; the window stays usable meanwhile.
    void runScript();
    // Tries the script on a copy of the target Access file and says whether the copy then equals
    // the other database; the file itself is only read.
    void verifyOnCopy();
    // Closes the window as its frame does, asking about unsaved edits; a run under way is
    // stopped first.
    void closeWindow();

Q_SIGNALS:
    void changedFlagChanged(bool changed);
    // The file buttons of the window's own tool bar, for the documents to carry out.
    void openRequested();
    void saveRequested();
    void saveAsRequested();
    void newRequested();
    // A line for the main window's status bar.
    void statusMessage(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildToolBands();
    void wireButtons();
    void arrangeBands();
    void runFinished(const BatchRunResult& result);
    void runOnAccessFile(const QString& path, const QString& targetName);
    void accessRunFinished(const QString& path, const AccessRunReport& report);
    void syncTargetChoice();
    // "Verify on a copy" is offered where the script would run on an Access file.
    void offerVerification();
    // Asks the user which database an unaimed script runs on; false when the user cancels.
    bool askTarget();
    // Whether the script may start on a target now, saying why not when it may not.
    bool readyToStart();
    bool handleWindowKey(int key);

    Session& session_;
    Desktop& desktop_;
    QString tag_;
    bool changed_ = false;
    QString fileName_;
    bool isFile_ = false;
    bool settingText_ = false;
    bool running_ = false;
    // The database and text of the last run that went through completely, so that running the
    // same script there again is asked about first.
    QString completedOn_;
    QString completedText_;
    QString runningOn_;
    // The Access files the user agreed, in this window, to have changed by its scripts.
    QSet<QString> agreedFiles_;
    QWidget* toolBands_;
    QGridLayout* bandLayout_;
    QToolBar* fileBar_;
    QToolBar* editBar_;
    QToolBar* sqlBar_;
    QWidget* targetBand_;
    QComboBox* targetChoice_;
    QToolButton* verifyButton_;
    QLineEdit* targetField_;
    ScriptEditControl* editor_;
};

} // namespace vantor
