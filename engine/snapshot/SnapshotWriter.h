#pragma once

#include "model/Schema.h"

#include <QByteArray>
#include <QHash>

namespace vantor {

// Writes the same bytes as WriteSnapshotJson, but keeps each table's text and writes again only
// the tables that changed since the last call, so one statement against a large schema costs
// little more than copying the file's bytes.
class SnapshotWriter {
public:
    QByteArray Write(const Schema& schema);

private:
    struct CachedTable {
        Table table; // holding a copy keeps the lists shared, which proves them unchanged
        QByteArray text;
    };
    QByteArray tableText(const Table& table, QHash<QString, CachedTable>& next);

    QHash<QString, CachedTable> cache_; // by exact table name
    QByteArray buffer_;
};

} // namespace vantor
