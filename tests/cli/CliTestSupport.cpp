#include "tests/cli/CliTestSupport.h"

#include "engine/SnapshotJson.h"
#include "tests/support/TestPaths.h"

#include <QDir>
#include <QFile>
#include <QProcess>

namespace vantor::test {

CliOutcome RunCli(const QStringList& args, const QByteArray& input) {
    QProcess process;
    process.setProgram(QDir(BinaryDir()).filePath(QStringLiteral("bin/vantor-cli")));
    process.setArguments(args);
    process.start();
    if (!process.waitForStarted(10000))
        return {-1, QString(), QStringLiteral("vantor-cli did not start")};
    process.write(input);
    process.closeWriteChannel();
    process.waitForFinished(180000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

SchemaColumn Col(const QString& name, qint32 type, qint32 len, bool nullable) {
    SchemaColumn c;
    c.name = name;
    c.dataType = type;
    if (len > 0 || type == 130)
        c.maxLength = len;
    c.nullable = nullable;
    return c;
}

SchemaTable Table(const QString& name, QList<SchemaColumn> columns, const QString& type) {
    for (qsizetype i = 0; i < columns.size(); ++i)
        columns[i].ordinal = static_cast<qint32>(i + 1);
    SchemaTable t;
    t.name = name;
    t.type = type;
    t.columns = columns;
    return t;
}

QString CliTest::Write(const QString& name, const DbSchema& schema) {
    return WriteText(name, WriteSnapshotJson(schema));
}

QString CliTest::WriteText(const QString& name, const QByteArray& bytes) {
    QFile file(Path(name));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return file.fileName();
}

QByteArray CliTest::ReadBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString CliTest::ShopV1() {
    DbSchema s;
    s.tables = {Table("Customers", {Col("CustomerID", 3, 0, false), Col("Name", 130, 50)}),
                Table("Orders", {Col("OrderID", 3, 0, false), Col("CustomerID", 3)}),
                Table("Shippers", {Col("ShipperID", 3, 0, false), Col("Phone", 130, 24)}),
                Table("MSysObjects", {Col("Id", 3)}, "SYSTEM TABLE")};
    s.views = {{"Open Orders", "SELECT * FROM Orders;\r\n"},
               {"Big Customers", "SELECT * FROM [Open Orders] INNER JOIN Customers ON "
                                 "[Open Orders].CustomerID = Customers.CustomerID;\r\n"}};
    return Write("shop-v1.json", s);
}

QString CliTest::ShopV2() {
    DbSchema s;
    s.tables = {Table("Customers",
                      {Col("CustomerID", 3, 0, false), Col("Name", 130, 80), Col("Umsätze", 6)}),
                Table("Orders", {Col("OrderID", 3, 0, false), Col("CustomerID", 3)}),
                Table("Stock Movements", {Col("MovementID", 3, 0, false), Col("OrderID", 3)}),
                Table("MSysObjects", {Col("Id", 3)}, "SYSTEM TABLE")};
    s.tables[1].indexes = {{"PrimaryKey", {{"OrderID", false}}, true, true}};
    s.relationships = {
        {"OrdersStock Movements", "Stock Movements", "Orders", {{"OrderID", "OrderID"}}}};
    s.views = {{"Open Orders", "SELECT Orders.* FROM Orders WHERE OrderID > 10;\r\n"},
               {"Big Customers", "SELECT Customers.* FROM [Open Orders] INNER JOIN Customers ON "
                                 "[Open Orders].CustomerID = Customers.CustomerID;\r\n"}};
    return Write("shop-v2.json", s);
}

QString CliTest::AccessFile(const QString& name) {
    const QString dir = SharedAccessDir();
    if (dir.isEmpty() || !QFile::exists(QDir(dir).filePath(name)))
        return QString();
    return QDir(dir).filePath(name);
}

} // namespace vantor::test
