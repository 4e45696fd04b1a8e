#pragma once

#include "engine/DbSchema.h"

#include <QSet>
#include <QString>
#include <QStringList>
#include <vector>

namespace vantor {

class clsEngine;

// One object's share of a sync script, its batches each ended by a "GO" line.
struct SyncStep {
    enum class Kind {
        DropView,
        DropRelationship,
        DropIndex,
        DropTable,
        AlterTable,
        CreateTable,
        CreateView
    };
    Kind kind;
    QString name;
    QString text;
};

struct SyncScript {
    std::vector<SyncStep> steps; // in the order they must run
    QStringList notes;           // what no script can bring in line, each with the reason
    QString Text() const;
};

// The script that brings the target side (0 primary, 1 secondary) of the engine's last
// comparison in line with the other side: CREATE for what the target lacks, DROP for its
// surplus, ALTER TABLE for a differing table, DROP VIEW then CREATE VIEW for a differing view.
// Views go before anything they read is dropped or altered and come back after it exists, so
// the script runs cleanly on a database in the target's state. A non-empty objectName limits
// the script to that object and raises when the comparison has no object of that name.
// targetSchema, the target's whole schema when the caller has it, lets the script first drop
// the relationships and indexes that would stop a table or column from being dropped.
SyncScript BuildSyncScript(const clsEngine& engine, int targetSide,
                           const QString& objectName = QString(),
                           const DbSchema* targetSchema = nullptr);

// Every name a view definition may read, folded: bracketed names and bare words outside quoted
// strings. It over-approximates (keywords, columns), which only ever adds ordering constraints.
QSet<QString> NamesReadBy(const QString& definition);

} // namespace vantor
