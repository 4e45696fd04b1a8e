#pragma once

#include "ui/shell/DocumentSet.h"

#include <QObject>
#include <QString>

class QMdiSubWindow;
class QTabBar;

namespace vantor {

class ScriptWindow;
class MainWindow;

// The main window's numbered script documents: untitled scripts and script files, each in its
// own editor window with a tab in the tab strip, which it keeps. Numbers count up through the
// run and are never reused. Unsaved edits are never lost without the user's word.
class ScriptDocuments : public QObject {
    Q_OBJECT

public:
    ScriptDocuments(MainWindow& main, QTabBar& tabs);

    static QString UntitledCaption(int n) { return QStringLiteral("Untitled %1").arg(n); }

    // The slot for a new document.
    int GetFreeDocIndex();
    ScriptWindow* NewDocument();
    // Opens the file as a document, or brings up the document that has it open already; after
    // asking, a path with no file opens an empty document. Null when nothing was opened.
    ScriptWindow* OpenDocument(const QString& path);
    // Asks for a script file and opens it.
    void OpenCommand();
    // False when the document was not saved (the user cancelled, or writing failed).
    bool SaveDocument();
    bool SaveDocumentAs();
    void SaveAllDocuments();
    // Loads the current document's file again, after asking when that would lose edits.
    void ReloadDocument();

    // Asks about each document with unsaved edits; false when the user chose to cancel.
    bool QueryCloseAll();

    // The editor of document n, or null.
    ScriptWindow* Document(int n) const;
    ScriptWindow* CurrentDocument() const;
    // The number of the document last activated, 0 before the first.
    int CurrentNumber() const { return current_; }
    // The window of document n, or null once it is closed.
    QMdiSubWindow* Window(int n) const { return slots_.Item(n); }
    // The highest document number so far.
    int Count() const { return slots_.UBound(); }
    void CloseCurrentDocument();
    // The tool bar's Close, Save, Save As and Reload act on the current document: with none
    // they are disabled, and Reload also while the document has no file.
    void EnableDocumentCommands();

    static bool FileExists(const QString& path);
    static QString GetFileExtension(const QString& path);

    // Offers the open databases as targets in every document.
    void RefreshTargets();
    // The databases are closed: every document is aimed at none, and the log says which lost
    // their target.
    void ForgetTargets();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    ScriptWindow* createWindow(int n);
    void offerTargets(ScriptWindow* editor);
    void addTab(int n, ScriptWindow* editor);
    void removeTab(int n);
    void activate(int n);
    void refreshTab(ScriptWindow* editor);
    // The tab strip's click: brings up the document, making its window again if it was closed.
    void activateTab(int index);
    // Document n is closing: the commands no longer act on it.
    void followClosedDocument(int n);
    // Puts path at the top of the recent-file list.
    void remember(const QString& path);
    bool writeTo(ScriptWindow* editor, const QString& path);
    // Yes saves, No discards, Cancel keeps the document open: false for Cancel or a failed save.
    bool askToSave(ScriptWindow* editor);

    MainWindow& main_;
    QTabBar& tabs_;
    DocumentSet slots_;
    int current_ = 0;
    int closing_ = 0;
};

} // namespace vantor
