#include "tests/ui/support/UiFixture.h"

#include "tests/support/TestPaths.h"
#include "ui/compare/DiffMarking.h"
#include "ui/shell/MainWindow.h"

#include <QDir>
#include <QFile>
#include <QTextCursor>
#include <QTextEdit>
#include <QTreeWidget>

namespace vantor::test {

namespace {
constexpr qint32 adInteger = 3;
constexpr qint32 adWChar = 130;
} // namespace

std::unique_ptr<MainWindow> UiFixture::NewMainWindow() {
    return std::make_unique<MainWindow>(session, desktop, files.filePath("recent.rct"),
                                        files.filePath("PLUGINS"));
}

bool UiFixture::Compare(const QString& primary, const QString& secondary) {
    session.setLogin(Side::Primary, {primary, "Admin", {}});
    session.setLogin(Side::Secondary, {secondary, "Admin", {}});
    try {
        session.refresh();
        return true;
    } catch (const Error&) {
        return false;
    }
}

ExampleDatabases MakeExampleDatabases() {
    ExampleDatabases dbs{MemoryDatabase::Create("pri"), MemoryDatabase::Create("sec")};
    for (const auto& db : {dbs.pri, dbs.sec}) {
        db->AddTable("MSysObjects", ObjectKind::SystemTable).Column("Id", adInteger);
        db->AddTable("MSysAccessStorage", ObjectKind::AccessTable).Column("Id", adInteger);
        db->AddTable("Orders")
            .Column("OrderID", adInteger, {}, false)
            .Column("CustomerID", adInteger);
        db->AddTable("Linked", ObjectKind::Link);
    }
    dbs.pri->AddTable("Customers")
        .Column("CustomerID", adInteger, {}, false)
        .Column("Name", adWChar, 50);
    dbs.sec->AddTable("Customers")
        .Column("CustomerID", adInteger, {}, false)
        .Column("Name", adWChar, 80);
    dbs.pri->AddTable("OnlyPri").Column("X", adInteger);
    dbs.sec->AddTable("OnlySec").Column("Y", adInteger);
    dbs.pri->AddView("Open Orders", "SELECT a FROM Orders;");
    dbs.sec->AddView("Open Orders", "SELECT b FROM Orders;");
    return dbs;
}

QByteArray FileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

QString CopyExample(const QString& name, const QString& path) {
    if (!QFile::copy(SourceDir() + "/examples/" + name, path))
        return {};
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    return path;
}

QString WriteProgram(const QString& folder, const QString& name, bool executable) {
    const QString path = QDir(folder).absoluteFilePath(name);
    if (!WriteFile(path, "#!/bin/sh\ntouch \"$0.ran\"\n"))
        return QString();
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner |
                                    (executable ? QFile::ExeOwner : QFile::Permissions()));
    return path;
}

QStringList Texts(int count, const std::function<QString(int)>& text) {
    QStringList texts;
    for (int i = 0; i < count; ++i)
        texts << text(i);
    return texts;
}

void ShowObject(Navigator& nav, const QString& name) {
    nav.objectTree()->setCurrentItem(nav.node(":" + name));
    nav.activateCurrent();
}

QString RedMask(const QTextEdit& pane) {
    QString mask = pane.toPlainText();
    QTextCursor cursor(pane.document());
    for (qsizetype i = 0; i < mask.size(); ++i) {
        // A cursor's format is that of the character before it.
        cursor.setPosition(int(i) + 1);
        if (mask[i] != QLatin1Char('\n'))
            mask[i] = cursor.charFormat().foreground().color() == kMarkRed ? 'r' : '.';
    }
    return mask;
}

} // namespace vantor::test
