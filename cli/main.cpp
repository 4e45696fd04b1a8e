#include "engine/Globals.h"
#include "engine/clsEngine.h"
#include "engine/memory/MemoryBackend.h"

#include <QCoreApplication>
#include <QTextStream>

using namespace vantor;

namespace {

// Two versions of a small order-entry schema, so the program has something real to open.
void fillExamples() {
    auto v1 = MemoryDatabase::Create("orders-v1");
    v1->AddTable("Customers").Column("CustomerID", 3, {}, false).Column("Name", 130, 50);
    v1->AddTable("Orders").Column("OrderID", 3, {}, false).Column("CustomerID", 3);
    v1->AddView("Open Orders", "SELECT * FROM Orders;\r\n");
    auto v2 = MemoryDatabase::Create("orders-v2");
    v2->AddTable("Customers").Column("CustomerID", 3, {}, false).Column("Name", 130, 80);
    v2->AddTable("Orders").Column("OrderID", 3, {}, false).Column("CustomerID", 3);
    v2->AddTable("Products").Column("ProductID", 3, {}, false);
}

int countRows(Connection& cn, qint32 schema) {
    auto rs = cn.OpenSchema(schema);
    return rs->RecordCount();
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vantor-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VANTOR_VERSION));
    QTextStream out(stdout);
    QTextStream err(stderr);
    QStringList args = app.arguments().mid(1);

    if (args.value(0) == QLatin1String("--version")) {
        out << "vantor-cli " << VANTOR_VERSION << "\n";
        return 0;
    }
    if (args.value(0) != QLatin1String("demo")) {
        err << "usage: vantor-cli demo | --version\n";
        return 2;
    }

    fillExamples();
    Engine = std::make_shared<clsEngine>();
    Engine->DbPathPrimary(QStringLiteral("memory:orders-v1"));
    Engine->DbPathSecondary(QStringLiteral("memory:orders-v2"));
    Engine->DbUserPrimary(QStringLiteral("Admin"));
    Engine->DbUserSecondary(QStringLiteral("Admin"));
    if (!Engine->DbOpen()) {
        err << "Cannot open database. " << Engine->ErrDescription() << "\n";
        return 2;
    }
    for (auto [label, cn] :
         {std::pair{"primary  ", CnPrimary}, std::pair{"secondary", CnSecondary}})
        out << label << " " << cn->Properties(prop::DataSource).Value().toString() << ": "
            << countRows(*cn, adSchemaTables) << " tables and views, "
            << countRows(*cn, adSchemaViews) << " views\n";
    return 0;
}
