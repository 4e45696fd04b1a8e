#pragma once

#include "engine/Source.h"
#include "model/Error.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <atomic>
#include <memory>
#include <optional>

namespace vantor {

// Adds columns to a table of a MemoryDatabase, one call each.
class TableBuilder {
public:
    explicit TableBuilder(Table& table) : table_(table) {}
    TableBuilder& Column(const QString& name, qint32 dataType,
                         std::optional<qint32> maxLength = std::nullopt, bool nullable = true);

private:
    Table& table_;
};

// A database that lives in the test, named by the path "memory:NAME". Its schema is served as
// it stands at each read; statements are only recorded.
class MemoryDatabase {
public:
    Schema schema;

    QList<DatabaseLogin> opens; // every open, with the credentials it was given
    int reads = 0;              // how often a source read the schema
    QStringList executed;       // every statement a source received

    std::optional<Error> failOpen;    // raised by every open while set
    std::optional<Error> failExecute; // raised by every statement while set
    std::optional<Error> failRead;    // raised by every schema read while set
    // While set, reads wait, as the read of a large file does, until it is cleared or the
    // work is cancelled; a test clears it from its own thread.
    std::atomic<bool> holdReads{false};
    // While set, a statement waits in the middle of being run, as a slow one does; executing
    // says that one is waiting. Clear it from another thread while the test waits for the run.
    std::atomic<bool> holdExecutes{false};
    std::atomic<bool> executing{false};

    TableBuilder AddTable(const QString& name, ObjectKind kind = ObjectKind::Table);
    void AddView(const QString& name, const QString& definition);

    // The database behind "memory:NAME", made empty when Create is called again.
    static std::shared_ptr<MemoryDatabase> Create(const QString& name);
    static std::shared_ptr<MemoryDatabase> Find(const QString& name);
    static void DropAll();
};

inline const QString kMemoryPrefix = QStringLiteral("memory:");

// Opens "memory:NAME" from the test's databases and anything else as the program does.
std::unique_ptr<Source> OpenTestDatabase(const DatabaseLogin& login);

} // namespace vantor
