#pragma once

#include "engine/Session.h"
#include "tests/support/MemorySource.h"
#include "tests/ui/support/AnsweringDesktop.h"
#include "ui/compare/CompareView.h"
#include "ui/compare/ComparisonCommands.h"
#include "ui/navigator/Navigator.h"

#include <QTemporaryDir>
#include <functional>
#include <memory>

class QTextEdit;

namespace vantor {
class MainWindow;
}

namespace vantor::test {

// What every window of a test is handed: a session on the test's databases and a desktop that
// answers for the user; the in-memory databases start empty.
class UiFixture {
public:
    ~UiFixture() { MemoryDatabase::DropAll(); }
    UiFixture(const UiFixture&) = delete;
    UiFixture& operator=(const UiFixture&) = delete;

    Session session{OpenTestDatabase};
    AnsweringDesktop desktop;
    QTemporaryDir files;
    // A comparison window and the navigator whose objects it shows, for tests without the main
    // window; and the commands that connect and refresh, which tell the user how that ended.
    CompareView compare{session, desktop};
    Navigator nav{session};
    ComparisonCommands commands{session, desktop};

    UiFixture() {
        MemoryDatabase::DropAll();
        QObject::connect(&nav, &Navigator::objectActivated, &compare, &CompareView::showObject);
        QObject::connect(&nav, &Navigator::refreshRequested, &commands,
                         &ComparisonCommands::refresh);
    }

    // A main window that keeps its recent-file list and looks for add-ins in files, never in
    // the program's own places.
    std::unique_ptr<MainWindow> NewMainWindow();
    // Names both databases and compares them as the connect dialog does; false when that fails.
    bool Compare(const QString& primary, const QString& secondary);
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
// A shell program that leaves NAME.ran beside itself when it runs, so a test sees that it ran;
// its path, or an empty string when it cannot be written.
QString WriteProgram(const QString& folder, const QString& name, bool executable = true);

// The texts of count things, the one at i given by text(i).
QStringList Texts(int count, const std::function<QString(int)>& text);
// Double-clicks the object's node in the tree, as a user shows it in the comparison window.
void ShowObject(Navigator& nav, const QString& name);

// A pane's colouring, one character per character of its text: 'r' red, '.' any other colour,
// and the line breaks kept as they are.
QString RedMask(const QTextEdit& pane);

} // namespace vantor::test
