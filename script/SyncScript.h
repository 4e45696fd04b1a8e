#pragma once

#include "engine/Compare.h"

#include <QSet>
#include <QString>
#include <QStringList>
#include <vector>

namespace vantor {

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

// An object that no script can bring in line, and why.
struct SyncNote {
    ObjectKind kind; // of the side the note was made for
    QString name;
    QString reason;
    // "TYPE [name]: reason"
    QString text() const;
};

struct SyncScript {
    std::vector<SyncStep> steps; // in the order they must run
    std::vector<SyncNote> notes;
    QString Text() const;
    QStringList NoteTexts() const;
};

// The script that brings the target side of a comparison in line with the other side: CREATE
// for what the target lacks, DROP for its surplus, ALTER TABLE for a differing table, DROP VIEW
// then CREATE VIEW for a differing view. Views go before anything they read is dropped or
// altered and come back after it exists, so the script runs cleanly on a database in the
// target's state, and the relationships and indexes that would stop a table or column from being
// dropped are dropped first. A non-empty objectName limits the script to that object and raises
// when the comparison has no object of that name.
SyncScript BuildSyncScript(const Diff& diff, Side target, const QString& objectName = QString());

// Every name a view definition may read, folded: bracketed names and bare words outside quoted
// strings. It over-approximates (keywords, columns), which only ever adds ordering constraints.
QSet<QString> NamesReadBy(const QString& definition);

} // namespace vantor
