#include "tests/access/writer/RandomStatements.h"

#include <QStringList>

namespace vantor::test {

namespace {

QString bracketed(const QString& name) {
    return u'[' + name + u']';
}

// OLE columns make no index keys; now and then one is offered all the same, which must fail.
bool indexable(const Column& column, bool now) {
    const bool ole =
        column.dataType == 205 || (column.dataType == 128 && column.maxLength.value_or(0) == 0);
    return !ole || now;
}

} // namespace

const Table* RandomStatements::someTable(const Schema& schema, const QSet<QString>& withRows,
                                         bool rowsFirst) {
    QList<const Table*> all, full;
    for (const Table& t : schema.tables) {
        if (t.kind != ObjectKind::Table)
            continue;
        all << &t;
        if (withRows.contains(FoldKey(t.name)))
            full << &t;
    }
    if (rowsFirst && !full.isEmpty() && chance(70))
        return full[below(int(full.size()))];
    return all.isEmpty() ? nullptr : all[below(int(all.size()))];
}

// Every type family Jet stores, under the names Access and ANSI give them.
QString RandomStatements::columnType(bool allowCounter) {
    switch (below(allowCounter ? 17 : 16)) {
    case 0:
        return QStringLiteral("TEXT(%1)").arg(1 + below(255));
    case 1:
        return chance(50) ? QStringLiteral("VARCHAR(%1)").arg(1 + below(80))
                          : QStringLiteral("TEXT");
    case 2:
        return chance(50) ? QStringLiteral("MEMO") : QStringLiteral("LONGTEXT");
    case 3:
        return chance(50) ? QStringLiteral("BYTE") : QStringLiteral("TINYINT");
    case 4:
        return chance(50) ? QStringLiteral("SHORT") : QStringLiteral("SMALLINT");
    case 5:
        return chance(50) ? QStringLiteral("LONG") : QStringLiteral("INTEGER");
    case 6:
        return chance(50) ? QStringLiteral("SINGLE") : QStringLiteral("REAL");
    case 7:
        return chance(50) ? QStringLiteral("DOUBLE") : QStringLiteral("FLOAT");
    case 8:
        return chance(50) ? QStringLiteral("CURRENCY") : QStringLiteral("MONEY");
    case 9: {
        const int precision = 1 + below(28);
        return QStringLiteral("DECIMAL(%1,%2)").arg(precision).arg(below(precision + 1));
    }
    case 10:
        return chance(50) ? QStringLiteral("DATETIME") : QStringLiteral("DATE");
    case 11:
        return chance(50) ? QStringLiteral("YESNO") : QStringLiteral("BIT");
    case 12:
        return chance(50) ? QStringLiteral("LONGBINARY") : QStringLiteral("IMAGE");
    case 13:
        return QStringLiteral("BINARY(%1)").arg(1 + below(510));
    case 14:
        return chance(50) ? QStringLiteral("GUID") : QStringLiteral("UNIQUEIDENTIFIER");
    case 15:
        return chance(50) ? QStringLiteral("NUMERIC(18,2)") : QStringLiteral("DOUBLE");
    default:
        return chance(50) ? QStringLiteral("COUNTER") : QStringLiteral("AUTOINCREMENT");
    }
}

QString RandomStatements::columnDefinition(const QString& name, bool allowKey, bool allowCounter) {
    const QString type = columnType(allowCounter);
    QString sql = bracketed(name) + u' ' + type;
    if (chance(10) && type.startsWith(u'T'))
        sql += QStringLiteral(" WITH COMPRESSION");
    if (chance(20))
        sql += QStringLiteral(" NOT NULL");
    else if (chance(5))
        sql += QStringLiteral(" NULL");
    if (chance(15)) {
        if (type.startsWith(QLatin1String("TEXT")) || type.startsWith(QLatin1String("VARCHAR")))
            sql += QStringLiteral(" DEFAULT \"dflt\"");
        else if (type.startsWith(QLatin1String("DATE")))
            sql += QStringLiteral(" DEFAULT Now()");
        else if (!type.contains(QLatin1String("BINARY")) && type != QLatin1String("IMAGE") &&
                 !type.startsWith(QLatin1String("GUID")) && !type.startsWith(u'U'))
            sql += chance(50) ? QStringLiteral(" DEFAULT 7") : QStringLiteral(" DEFAULT -1");
    }
    if (allowKey && chance(12))
        sql += QStringLiteral(" CONSTRAINT [%1] PRIMARY KEY").arg(fresh("PK"));
    else if (chance(8))
        sql += chance(50) ? QStringLiteral(" UNIQUE")
                          : QStringLiteral(" CONSTRAINT [%1] UNIQUE").arg(fresh("UQ"));
    else if (chance(4) && !references_.isEmpty())
        sql += QStringLiteral(" REFERENCES [%1]").arg(references_);
    return sql;
}

// One to most columns of the table, now and then one it lacks, which Jet must refuse.
QString RandomStatements::someColumns(const Table& table, int most, bool directions) {
    QList<const Column*> usable;
    for (const Column& c : table.columns)
        if (indexable(c, chance(5)))
            usable << &c;
    QStringList picked;
    const int count = 1 + below(most);
    for (int n = 0; n < count && !usable.isEmpty(); ++n) {
        const Column* c = usable.takeAt(below(int(usable.size())));
        QString item = bracketed(c->name);
        if (directions && chance(30))
            item += QStringLiteral(" DESC");
        else if (directions && chance(10))
            item += QStringLiteral(" ASC");
        picked << item;
    }
    if (picked.isEmpty() || chance(5))
        picked << QStringLiteral("[NoSuchColumn]");
    return picked.join(QStringLiteral(", "));
}

QString RandomStatements::keyedTable(const Schema& schema) {
    QList<const Table*> keyed;
    for (const Table& t : schema.tables)
        for (const Index& i : t.indexes)
            if (t.kind == ObjectKind::Table && i.primary && i.columns.size() == 1)
                keyed << &t;
    return keyed.isEmpty() || chance(10) ? QStringLiteral("NoSuchTable")
                                         : keyed[below(int(keyed.size()))]->name;
}

QString RandomStatements::foreignKey(const Schema& schema, const QString& column) {
    QString sql = QStringLiteral("CONSTRAINT [%1] FOREIGN KEY (%2) REFERENCES %3")
                      .arg(fresh("FK"), column, bracketed(keyedTable(schema)));
    if (chance(30))
        sql += chance(70) ? QStringLiteral(" ON DELETE CASCADE")
                          : QStringLiteral(" ON DELETE SET NULL");
    if (chance(20))
        sql += QStringLiteral(" ON UPDATE CASCADE");
    return sql;
}

RandomStatement RandomStatements::createTable(const Schema& schema) {
    references_ = keyedTable(schema);
    QString name = fresh("Seq");
    if (chance(8) && !schema.tables.isEmpty()) // a name that is taken
        name = schema.tables[below(int(schema.tables.size()))].name;
    QStringList items;
    const int columns = 1 + below(8);
    bool counter = false;
    for (int n = 0; n < columns; ++n) {
        QString column = columnDefinition(QStringLiteral("C%1").arg(n), n == 0, !counter);
        counter = counter || column.contains(QLatin1String("COUNTER")) ||
                  column.contains(QLatin1String("AUTOINCREMENT"));
        items << column;
    }
    if (chance(5)) // two fields of one name
        items << columnDefinition(QStringLiteral("c0"), false, false);
    if (chance(15))
        items << QStringLiteral("CONSTRAINT [%1] UNIQUE ([C0]%2)")
                     .arg(fresh("UQ"), columns > 1 ? QStringLiteral(", [C1]") : QString());
    if (chance(10))
        items << foreignKey(schema, QStringLiteral("[C0]"));
    return {QStringLiteral("CREATE TABLE"),
            QStringLiteral("CREATE TABLE %1 (%2)").arg(bracketed(name), items.join(", "))};
}

RandomStatement RandomStatements::dropTable(const Schema& schema, const QSet<QString>& withRows) {
    QString name = QStringLiteral("NoSuchTable");
    QList<const Table*> made;
    for (const Table& t : schema.tables)
        if (t.kind == ObjectKind::Table && t.name.startsWith(QLatin1String("Seq")))
            made << &t;
    if (!made.isEmpty() && chance(70))
        name = made[below(int(made.size()))]->name;
    else if (const Table* t = chance(85) ? someTable(schema, withRows, false) : nullptr)
        name = t->name;
    return {QStringLiteral("DROP TABLE"), QStringLiteral("DROP TABLE %1").arg(bracketed(name))};
}

RandomStatement RandomStatements::createIndex(const Schema& schema, const QSet<QString>& withRows) {
    const Table* table = someTable(schema, withRows, true);
    if (!table || chance(4))
        return {QStringLiteral("CREATE INDEX"),
                QStringLiteral("CREATE INDEX [%1] ON [NoSuchTable] ([A])").arg(fresh("Ix"))};
    QString name = fresh("Ix");
    if (chance(6) && !table->indexes.isEmpty()) // a name the table already has
        name = table->indexes[below(int(table->indexes.size()))].name;
    QString sql = QStringLiteral("CREATE %1INDEX %2 ON %3 (%4)")
                      .arg(chance(35) ? QStringLiteral("UNIQUE ") : QString(), bracketed(name),
                           bracketed(table->name), someColumns(*table, 3, true));
    QStringList options;
    if (chance(10))
        options << QStringLiteral("PRIMARY");
    if (chance(15))
        options << QStringLiteral("DISALLOW NULL");
    if (chance(15))
        options << QStringLiteral("IGNORE NULL");
    if (!options.isEmpty())
        sql += QStringLiteral(" WITH ") + options.join(u' ');
    return {QStringLiteral("CREATE INDEX"), sql};
}

RandomStatement RandomStatements::dropIndex(const Schema& schema, const QSet<QString>& withRows) {
    const Table* table = someTable(schema, withRows, false);
    QString index = QStringLiteral("NoSuchIndex");
    if (table && !table->indexes.isEmpty() && chance(85))
        index = table->indexes[below(int(table->indexes.size()))].name;
    return {QStringLiteral("DROP INDEX"),
            QStringLiteral("DROP INDEX %1 ON %2")
                .arg(bracketed(index), bracketed(table ? table->name : "NoSuchTable"))};
}

RandomStatement RandomStatements::alterTable(const Schema& schema, const QSet<QString>& withRows) {
    const Table* table = someTable(schema, withRows, true);
    references_ = keyedTable(schema);
    const QString name = bracketed(table ? table->name : QStringLiteral("NoSuchTable"));
    const QString column = table && !table->columns.isEmpty() && chance(90)
                               ? table->columns[below(int(table->columns.size()))].name
                               : QStringLiteral("NoSuchColumn");
    switch (below(5)) {
    case 0:
        return {QStringLiteral("ALTER TABLE ADD COLUMN"),
                QStringLiteral("ALTER TABLE %1 ADD COLUMN %2")
                    .arg(name, columnDefinition(chance(90) ? fresh("Added") : column, false,
                                                chance(20)))};
    case 1:
        return {QStringLiteral("ALTER TABLE DROP COLUMN"),
                QStringLiteral("ALTER TABLE %1 DROP COLUMN %2").arg(name, bracketed(column))};
    case 2: {
        QString constraint;
        if (!table || chance(25))
            constraint = foreignKey(schema, bracketed(column));
        else
            constraint =
                QStringLiteral("CONSTRAINT [%1] %2 (%3)")
                    .arg(fresh("Con"),
                         chance(30) ? QStringLiteral("PRIMARY KEY") : QStringLiteral("UNIQUE"),
                         someColumns(*table, 2, false));
        return {QStringLiteral("ALTER TABLE ADD CONSTRAINT"),
                QStringLiteral("ALTER TABLE %1 ADD %2").arg(name, constraint)};
    }
    case 3: {
        QString constraint = QStringLiteral("NoSuchConstraint");
        if (table && !table->indexes.isEmpty() && chance(80))
            constraint = table->indexes[below(int(table->indexes.size()))].name;
        for (const Relationship& r : schema.relationships)
            if (table && r.table == table->name && chance(40))
                constraint = r.name;
        return {
            QStringLiteral("ALTER TABLE DROP CONSTRAINT"),
            QStringLiteral("ALTER TABLE %1 DROP CONSTRAINT %2").arg(name, bracketed(constraint))};
    }
    default:
        return {QStringLiteral("ALTER TABLE ALTER COLUMN"),
                QStringLiteral("ALTER TABLE %1 ALTER COLUMN %2")
                    .arg(name, columnDefinition(column, false, false))};
    }
}

RandomStatement RandomStatements::savedQuery(const Schema& schema, const QSet<QString>& withRows) {
    QList<QString> views, procedures;
    for (const View& v : schema.views)
        views << v.name;
    for (const Query& q : schema.queries)
        procedures << q.name;
    const Table* table = someTable(schema, withRows, false);
    const QString source = table ? bracketed(table->name) : QStringLiteral("[NoSuchTable]");
    const QString column = table && !table->columns.isEmpty() ? bracketed(table->columns[0].name)
                                                              : QStringLiteral("[NoSuchColumn]");
    switch (below(4)) {
    case 0:
        return {QStringLiteral("CREATE VIEW"),
                QStringLiteral("CREATE VIEW [%1] AS SELECT %2 FROM %3")
                    .arg(fresh("View"), chance(50) ? column : QStringLiteral("*"), source)};
    case 1:
        return {QStringLiteral("DROP VIEW"),
                QStringLiteral("DROP VIEW [%1]")
                    .arg(views.isEmpty() || chance(15) ? QStringLiteral("NoSuchView")
                                                       : views[below(int(views.size()))])};
    case 2: {
        const QString name = fresh("Proc");
        switch (below(3)) {
        case 0:
            return {QStringLiteral("CREATE PROCEDURE"),
                    QStringLiteral("CREATE PROCEDURE [%1] ([Wanted] TEXT(50)) AS SELECT * FROM "
                                   "%2 WHERE %3 = [Wanted]")
                        .arg(name, source, column)};
        case 1:
            return {QStringLiteral("CREATE PROCEDURE"),
                    QStringLiteral("CREATE PROCEDURE [%1] AS DELETE FROM %2").arg(name, source)};
        default:
            return {QStringLiteral("CREATE PROCEDURE"),
                    QStringLiteral("CREATE PROCEDURE [%1] ([Limit] LONG) AS UPDATE %2 SET %3 = "
                                   "%3 WHERE %3 > [Limit]")
                        .arg(name, source, column)};
        }
    }
    default:
        return {QStringLiteral("DROP PROCEDURE"),
                QStringLiteral("DROP PROCEDURE [%1]")
                    .arg(procedures.isEmpty() || chance(15)
                             ? QStringLiteral("NoSuchProcedure")
                             : procedures[below(int(procedures.size()))])};
    }
}

RandomStatement RandomStatements::Next(const Schema& schema, const QSet<QString>& tablesWithRows) {
    const int draw = below(100);
    if (draw < 22)
        return createTable(schema);
    if (draw < 30)
        return dropTable(schema, tablesWithRows);
    if (draw < 52)
        return createIndex(schema, tablesWithRows);
    if (draw < 60)
        return dropIndex(schema, tablesWithRows);
    if (draw < 85)
        return alterTable(schema, tablesWithRows);
    return savedQuery(schema, tablesWithRows);
}

} // namespace vantor::test
