#pragma once

#include "engine/Globals.h"
#include "engine/memory/MemoryBackend.h"
#include "tests/ui/support/AnsweringUi.h"
#include "ui/compare/DiffMarking.h"
#include "ui/shell/HelpCommands.h"

#include <QUrl>
#include <memory>

class QTextEdit;

namespace vantor::test {

// Fresh globals and in-memory databases for one test, with the answering interface installed
// and the URLs that would go to the browser recorded instead.
class UiSession {
public:
    UiSession() : desktopOpener_(UrlOpener()) {
        ResetGlobals();
        MemoryDatabase::DropAll();
        InstallDesktopUi(&ui);
        UrlOpener() = [this](const QUrl& url) {
            openedUrls << url;
            return true;
        };
    }
    ~UiSession() {
        UrlOpener() = desktopOpener_;
        ResetGlobals();
        MemoryDatabase::DropAll();
    }
    UiSession(const UiSession&) = delete;
    UiSession& operator=(const UiSession&) = delete;

    AnsweringUi ui;
    QList<QUrl> openedUrls;

private:
    UrlOpenerFunction desktopOpener_;
};

// Two small databases, "memory:pri" and "memory:sec", with one object in every state:
// Orders equal, Customers different (a longer Name), OnlyPri and OnlySec on one side each,
// the view "Open Orders" differing in one letter, a linked table of type LINK, and the
// system tables that the tree leaves out.
struct ExampleDatabases {
    std::shared_ptr<MemoryDatabase> pri;
    std::shared_ptr<MemoryDatabase> sec;
};
ExampleDatabases MakeExampleDatabases();

// A file's bytes, empty when it cannot be read; and a file written whole.
QByteArray FileBytes(const QString& path);
bool WriteFile(const QString& path, const QByteArray& bytes);
// A writable copy of examples/NAME at path, or an empty string when the copy fails.
QString CopyExample(const QString& name, const QString& path);

// A pane's colouring, one character per character of its text: 'r' red, '.' any other colour,
// and the line breaks kept as they are.
QString RedMask(const QTextEdit& pane);
// The mask that marking exactly the runs in a text of that text's length would give.
QString ExpectedMask(const QString& text, const QList<DiffRun>& runs);

} // namespace vantor::test
