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
        CreateView,
        DropQuery,
        SetDefault,
        CreateIndex,
        CreateRelationship,
        CreateQuery
    };
    Kind kind;
    QString name;
    QString text;
};

// An object that no script can bring in line, and why.
struct SyncNote {
    enum class Cause {
        Unscriptable, // a kind of object no statement makes: links, their sources
        LetterCase,   // names that differ only in letter case, which Jet keeps as created
        NoColumns,    // a table without columns
        NotAlterable, // a difference ALTER TABLE cannot make
        AccessOnly,   // a setting Jet DDL cannot express; the reason says what to do in Access
        Dependency    // what the object needs (its table, fields, a unique index) will be missing
    };
    ObjectKind kind; // of the side the note was made for
    QString name;    // as the diff names the object
    QString reason;
    Cause cause = Cause::Unscriptable;
    // "TYPE [name]: reason"
    QString text() const;
};

struct SyncScript {
    std::vector<SyncStep> steps; // in the order they must run
    std::vector<SyncNote> notes;
    QStringList dataLoss; // what each batch that destroys data does, in script order
    // The steps' texts, after a comment block that lists the batches that destroy data, if any.
    QString Text() const;
    QStringList NoteTexts() const;
    // "1 batch of the script destroys data", "3 batches of the script destroy data".
    QString DataLossSummary() const;
};

// The script that brings the target side of a comparison in line with the other side: CREATE
// for what the target lacks, DROP for its surplus, ALTER TABLE for a differing table, DROP then
// CREATE for a differing view, query, index or relationship, ALTER COLUMN ... DEFAULT for a
// default value. Queries and views go before anything they read is dropped or altered and come
// back after it exists (a reader after what it reads); relationships go before the tables,
// fields and indexes they hang on and come back after every table and index exists, those in
// the way of a change but still wanted afterwards included. So the script runs cleanly on a
// database in the target's state. Whatever Jet DDL cannot do, or cannot do without losing a
// setting, is left out whole and noted with the change to make in Access; each batch that
// destroys data starts with a "-- Data loss:" line. A non-empty objectName limits the script to
// that object and raises when the comparison has no object of that name.
SyncScript BuildSyncScript(const Diff& diff, Side target, const QString& objectName = QString());

// Every name a view definition may read, folded: bracketed names and bare words outside quoted
// strings. It over-approximates (keywords, columns), which only ever adds ordering constraints.
QSet<QString> NamesReadBy(const QString& definition);

} // namespace vantor
