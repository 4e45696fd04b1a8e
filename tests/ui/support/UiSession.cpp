#include "tests/ui/support/UiSession.h"

#include "tests/support/TestPaths.h"

#include <QFile>
#include <QTextBlock>
#include <QTextEdit>

namespace vantor::test {

namespace {
constexpr qint32 adInteger = 3;
constexpr qint32 adWChar = 130;
} // namespace

ExampleDatabases MakeExampleDatabases() {
    ExampleDatabases dbs{MemoryDatabase::Create("pri"), MemoryDatabase::Create("sec")};
    for (const auto& db : {dbs.pri, dbs.sec}) {
        db->AddTable("MSysObjects", "SYSTEM TABLE").Column("Id", adInteger);
        db->AddTable("MSysAccessStorage", "ACCESS TABLE").Column("Id", adInteger);
        db->AddTable("Orders")
            .Column("OrderID", adInteger, {}, false)
            .Column("CustomerID", adInteger);
        db->AddTable("Linked", "LINK");
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

QString RedMask(const QTextEdit& pane) {
    QString text = pane.toPlainText();
    QString mask(text.size(), QLatin1Char('.'));
    for (QTextBlock block = pane.document()->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            QTextFragment fragment = it.fragment();
            bool red = fragment.charFormat().foreground().color() == kMarkRed;
            for (int i = 0; i < fragment.length(); ++i)
                mask[fragment.position() + i] = red ? QLatin1Char('r') : QLatin1Char('.');
        }
    }
    for (qsizetype i = 0; i < text.size(); ++i)
        if (text[i] == QLatin1Char('\n'))
            mask[i] = QLatin1Char('\n');
    return mask;
}

QString ExpectedMask(const QString& text, const QList<DiffRun>& runs) {
    QString mask(text.size(), QLatin1Char('.'));
    for (const DiffRun& run : runs)
        for (qsizetype i = run.offset; i < run.offset + run.length && i < text.size(); ++i)
            mask[i] = QLatin1Char('r');
    for (qsizetype i = 0; i < text.size(); ++i)
        if (text[i] == QLatin1Char('\n'))
            mask[i] = QLatin1Char('\n');
    return mask;
}

} // namespace vantor::test
