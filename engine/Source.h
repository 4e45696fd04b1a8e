#pragma once

#include "model/Error.h"
#include "model/Schema.h"

#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>

namespace vantor {

// What opens one database: its path (the data source), user name and password.
struct DatabaseLogin {
    QString path;
    QString user;
    QString password;
};

// Raised by work that stopped because the user cancelled it; nothing of it is kept.
class WorkCancelled : public std::exception {
public:
    const char* what() const noexcept override { return "The work was cancelled."; }
};

// Takes the tables of a schema one at a time, as they are read.
using TableSink = std::function<void(Table&&)>;

// One open database. It returns its whole schema as values and, where it can be written, runs
// Jet DDL against it. Errors are raised as Error.
class Source {
public:
    virtual ~Source() = default;

    // The whole schema, read on the first call. A read that failed fails every later call the
    // same way without reading again, so a file that took the reader to its limits costs that
    // time once.
    const Schema& schema();
    // The schema with each table handed to take as soon as it is read instead of kept, for work
    // that needs one table at a time (the text of a large schema); what is returned is the rest,
    // with no tables. A failed read raises as schema() does, after take may have had some tables:
    // they are not a schema and must be dropped. A schema read before is handed out from memory.
    Schema schemaTableByTable(const TableSink& take);
    // Runs one statement; a source that cannot be written raises an error that says so.
    virtual void execute(const QString& statement) = 0;
    // Starts reading the schema in the background where the source can, so that two databases
    // are read side by side; schema() takes what it read.
    virtual void prefetch() {}
    // A read started after this stops early, raising WorkCancelled, once stop is requested.
    void setStopToken(std::stop_token stop) { stop_ = std::move(stop); }

protected:
    virtual Schema load() = 0;
    // Sources that can read without keeping every table override this; the rest read the whole
    // schema once, as schema() does, and hand out its tables.
    virtual Schema loadTableByTable(const TableSink& take);
    // Whether the schema was read, or failed to be, already.
    bool loaded() const { return schema_.has_value() || loadError_.has_value(); }
    // The schema for a statement to change, read first when it has not been.
    Schema& mutableSchema();
    const std::stop_token& stopToken() const { return stop_; }

private:
    std::stop_token stop_;
    std::optional<Schema> schema_;
    std::optional<Error> loadError_;
};

// Opens a database for a session; tests hand the session one that knows their doubles.
using SourceOpener = std::function<std::unique_ptr<Source>(const DatabaseLogin&)>;

// Access files (.mdb, .accdb) and snapshots (.json), told apart by the path's ending; anything
// else fails as Jet fails on a file it cannot find or read. A program that links the Access
// reader may hand its entry, which reads path and writes the answer to answerFd, returning the
// reader's exit code: Access files are then read by forked children (see PendingAccessRead).
using ReaderEntry = int (*)(const QString& path, const QString& password, int answerFd);
std::unique_ptr<Source> OpenDatabaseFile(const DatabaseLogin& login);
std::unique_ptr<Source> OpenDatabaseFileReadBy(const DatabaseLogin& login, ReaderEntry entry);

} // namespace vantor
