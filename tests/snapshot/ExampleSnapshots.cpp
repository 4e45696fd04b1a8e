#include "tests/snapshot/ExampleSnapshots.h"

#include "engine/snapshot/JetDdl.h"
#include "tests/support/Found.h"

namespace vantor::test {

namespace {

const char* const kCommonTables[] = {
    "CREATE TABLE [Products] ([ProductID] COUNTER CONSTRAINT [PrimaryKey] PRIMARY KEY, "
    "[Product Name] TEXT(40) NOT NULL, [Unit Price] CURRENCY DEFAULT 0, "
    "[Units In Stock] SMALLINT DEFAULT 0, [Discontinued] YESNO DEFAULT No)",
    "CREATE INDEX [Product Name] ON [Products] ([Product Name])",
    "CREATE TABLE [Orders] ([OrderID] COUNTER CONSTRAINT [PrimaryKey] PRIMARY KEY, "
    "[Customer ID] LONG, [Order Date] DATETIME DEFAULT Date(), [Ship City] TEXT(15), "
    "[Notes] MEMO, CONSTRAINT [CustomersOrders] FOREIGN KEY ([Customer ID]) "
    "REFERENCES [Customers])",
    "CREATE TABLE [Order Details] ([OrderID] LONG NOT NULL, [ProductID] LONG NOT NULL, "
    "[Quantity] SMALLINT NOT NULL DEFAULT 1, [Unit Price] CURRENCY NOT NULL, "
    "[Discount] SINGLE DEFAULT 0, CONSTRAINT [PrimaryKey] PRIMARY KEY ([OrderID], [ProductID]), "
    "CONSTRAINT [OrdersOrder Details] FOREIGN KEY ([OrderID]) REFERENCES [Orders] "
    "ON DELETE CASCADE, CONSTRAINT [ProductsOrder Details] FOREIGN KEY ([ProductID]) "
    "REFERENCES [Products])",
};

void apply(Schema& s, const QString& statement) {
    ApplyJetDdl(s, statement);
}

void describe(Schema& s, const QString& table, const QString& column, const QString& text) {
    for (Column& c : FOUND(s.findTable(table)).columns)
        if (c.name == column)
            c.description = text;
}

// A saved query's text as Access shows it: a clause a line, CR LF, a final semicolon.
void createView(Schema& s, const QString& name, const QStringList& clauses) {
    s.views.append(View{name, clauses.join(QStringLiteral("\r\n")) + QStringLiteral(";\r\n")});
}

void commonExtras(Schema& s) {
    describe(s, "Customers", "Customer ID", "Number the order desk gives each customer.");
    describe(s, "Products", "Units In Stock",
             QString::fromUtf8("Stück on the shelf, counted nightly."));
    for (Column& c : FOUND(s.findTable("Orders")).columns)
        if (c.dataType == 130)
            c.allowZeroLength = true;
}

} // namespace

Schema ExampleOrdersV1() {
    Schema s;
    apply(s, "CREATE TABLE [Customers] ([Customer ID] COUNTER CONSTRAINT [PrimaryKey] PRIMARY "
             "KEY, [Company Name] TEXT(40) NOT NULL, [Contact Name] TEXT(30), [City] TEXT(15), "
             "[Country] TEXT(15), [Phone] TEXT(24), [Fax] TEXT(24))");
    for (const char* sql : kCommonTables)
        apply(s, QString::fromUtf8(sql));
    apply(s, "CREATE TABLE [Shippers] ([ShipperID] COUNTER CONSTRAINT [PrimaryKey] PRIMARY KEY, "
             "[Company Name] TEXT(40) NOT NULL, [Phone] TEXT(24))");
    commonExtras(s);
    createView(s, "Product List",
               {"SELECT Products.ProductID, Products.[Product Name], Products.[Unit Price]",
                "FROM Products", "WHERE (((Products.Discontinued)=No))",
                "ORDER BY Products.[Product Name]"});
    createView(s, QString::fromUtf8("Umsätze nach Kunde"),
               {"SELECT Customers.[Company Name], Sum([Order Details].Quantity*[Order "
                "Details].[Unit Price]) AS Umsatz",
                "FROM (Customers INNER JOIN Orders ON Customers.[Customer ID] = Orders.[Customer "
                "ID]) INNER JOIN [Order Details] ON Orders.OrderID = [Order Details].OrderID",
                "GROUP BY Customers.[Company Name]"});
    return s;
}

Schema ExampleOrdersV2() {
    Schema s;
    // Fax is gone, City is longer, the contact is required, e-mail and street are new.
    apply(s, QString::fromUtf8(
                 "CREATE TABLE [Customers] ([Customer ID] COUNTER CONSTRAINT [PrimaryKey] "
                 "PRIMARY KEY, [Company Name] TEXT(40) NOT NULL, [Contact Name] TEXT(30) NOT "
                 "NULL, [Straße] TEXT(60), [City] TEXT(30), [Country] TEXT(15), [Phone] "
                 "TEXT(24), [E-Mail] TEXT(50))"));
    for (const char* sql : kCommonTables)
        apply(s, QString::fromUtf8(sql));
    apply(s, "ALTER TABLE [Products] ADD [Reorder Level] SMALLINT DEFAULT 0, "
             "[Quantity Per Unit] TEXT(20)");
    apply(s, "ALTER TABLE [Orders] ADD [Shipped Date] DATETIME");
    apply(s, QString::fromUtf8(
                 "CREATE TABLE [Stock Movements] ([Movement ID] COUNTER CONSTRAINT [PrimaryKey] "
                 "PRIMARY KEY, [ProductID] LONG NOT NULL, [Moved On] DATETIME NOT NULL, "
                 "[Quantity] SMALLINT NOT NULL, [Entrepôt] TEXT(20), CONSTRAINT "
                 "[ProductsStock Movements] FOREIGN KEY ([ProductID]) REFERENCES [Products])"));
    commonExtras(s);
    describe(s, "Stock Movements", QString::fromUtf8("Entrepôt"),
             "Warehouse the goods left or entered.");
    createView(s, "Product List",
               {"SELECT Products.ProductID, Products.[Product Name], Products.[Unit Price], "
                "Products.[Quantity Per Unit]",
                "FROM Products", "WHERE (((Products.Discontinued)=No))",
                "ORDER BY Products.[Product Name]"});
    createView(s, QString::fromUtf8("Umsätze nach Kunde"),
               {"SELECT Customers.[Company Name], Customers.Country, Sum([Order "
                "Details].Quantity*[Order Details].[Unit Price]*(1-[Order Details].Discount)) AS "
                "Umsatz",
                "FROM (Customers INNER JOIN Orders ON Customers.[Customer ID] = Orders.[Customer "
                "ID]) INNER JOIN [Order Details] ON Orders.OrderID = [Order Details].OrderID",
                "GROUP BY Customers.[Company Name], Customers.Country"});
    createView(
        s, "Low Stock",
        {"SELECT Products.[Product Name], Products.[Units In Stock], Products.[Reorder Level]",
         "FROM Products",
         "WHERE (((Products.[Units In Stock])<=[Products].[Reorder Level]) AND "
         "((Products.Discontinued)=No))"});
    return s;
}

} // namespace vantor::test
