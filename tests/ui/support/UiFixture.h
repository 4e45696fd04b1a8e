#pragma once

#include "engine/Session.h"
#include "tests/support/MemorySource.h"
#include "tests/ui/support/AnsweringDesktop.h"

#include <QTemporaryDir>
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
    UiFixture();
    ~UiFixture();
    UiFixture(const UiFixture&) = delete;
    UiFixture& operator=(const UiFixture&) = delete;

    Session session{OpenTestDatabase};
    AnsweringDesktop desktop;
    QTemporaryDir files;

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

// A pane's colouring, one character per character of its text: 'r' red, '.' any other colour,
// and the line breaks kept as they are.
QString RedMask(const QTextEdit& pane);

} // namespace vantor::test
