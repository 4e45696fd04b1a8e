#pragma once

#include "model/Schema.h"

#include <QSet>
#include <QString>
#include <random>

namespace vantor::test {

// One statement of a random sequence and the kind it is counted under.
struct RandomStatement {
    QString kind; // e.g. "CREATE INDEX"
    QString sql;
};

// Draws Jet DDL statements of every kind the parser reads, against the schema as it stands: most
// of them valid, some that Jet must refuse (taken or missing names, a second primary key, unique
// indexes over rows that repeat), on the file's own tables with rows as well as on new ones.
class RandomStatements {
public:
    explicit RandomStatements(quint32 seed) : random_(seed) {}

    // tablesWithRows: folded names of the tables that hold rows.
    RandomStatement Next(const Schema& schema, const QSet<QString>& tablesWithRows);

private:
    int below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }
    bool chance(int percent) { return below(100) < percent; }
    QString fresh(const char* prefix) { return QStringLiteral("%1%2").arg(prefix).arg(++made_); }

    // A user table of the schema, preferring those with rows when asked; null when none.
    const Table* someTable(const Schema& schema, const QSet<QString>& withRows, bool rowsFirst);
    QString columnType(bool allowCounter);
    QString columnDefinition(const QString& name, bool allowKey, bool allowCounter);
    QString someColumns(const Table& table, int most, bool directions);
    // A table with a one-column primary key to refer to, now and then one that is missing.
    QString keyedTable(const Schema& schema);
    QString foreignKey(const Schema& schema, const QString& column);

    RandomStatement createTable(const Schema& schema);
    RandomStatement dropTable(const Schema& schema, const QSet<QString>& withRows);
    RandomStatement createIndex(const Schema& schema, const QSet<QString>& withRows);
    RandomStatement dropIndex(const Schema& schema, const QSet<QString>& withRows);
    RandomStatement alterTable(const Schema& schema, const QSet<QString>& withRows);
    RandomStatement savedQuery(const Schema& schema, const QSet<QString>& withRows);

    std::mt19937 random_;
    int made_ = 0;
    QString references_; // what a column's own REFERENCES clause names in this statement
};

} // namespace vantor::test
