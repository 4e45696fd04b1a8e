#include "tests/cli/CliTestSupport.h"

#include "engine/SnapshotJson.h"

#include <QDir>
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

QString CliTest::Write(const QString& name, const Schema& schema) {
    return WriteText(name, WriteSnapshotJson(schema));
}

QString CliTest::ShopV1() {
    SchemaPair shop;
    shop.pri("Customers").Column("CustomerID", 3, {}, false).Column("Name", 130, 50);
    shop.pri("Orders").Column("OrderID", 3, {}, false).Column("CustomerID", 3);
    shop.pri("Shippers").Column("ShipperID", 3, {}, false).Column("Phone", 130, 24);
    shop.pri("MSysObjects", ObjectKind::SystemTable).Column("Id", 3);
    shop.priView("Open Orders", "SELECT * FROM Orders;\r\n");
    shop.priView("Big Customers", "SELECT * FROM [Open Orders] INNER JOIN Customers ON "
                                  "[Open Orders].CustomerID = Customers.CustomerID;\r\n");
    return Write("shop-v1.json", shop.primary);
}

QString CliTest::ShopV2() {
    SchemaPair shop;
    shop.pri("Customers")
        .Column("CustomerID", 3, {}, false)
        .Column("Name", 130, 80)
        .Column("Umsätze", 6);
    shop.pri("Orders").Column("OrderID", 3, {}, false).Column("CustomerID", 3);
    shop.pri("Stock Movements").Column("MovementID", 3, {}, false).Column("OrderID", 3);
    shop.pri("MSysObjects", ObjectKind::SystemTable).Column("Id", 3);
    shop.primary.tables[1].indexes = {{"PrimaryKey", {{"OrderID", false}}, true, true}};
    shop.primary.relationships = {
        {"OrdersStock Movements", "Stock Movements", "Orders", {{"OrderID", "OrderID"}}}};
    shop.priView("Open Orders", "SELECT Orders.* FROM Orders WHERE OrderID > 10;\r\n");
    shop.priView("Big Customers", "SELECT Customers.* FROM [Open Orders] INNER JOIN Customers ON "
                                  "[Open Orders].CustomerID = Customers.CustomerID;\r\n");
    return Write("shop-v2.json", shop.primary);
}

} // namespace vantor::test
