#pragma once

#include "engine/Source.h"
#include "engine/snapshot/SnapshotFile.h"

namespace vantor {

// A schema snapshot: a database whose schema lives in one ".json" file. Statements are Jet DDL,
// applied to the schema and written back by replacing the file atomically.
// faultAt reaches every write of the file (see ReplaceFileAtomically).
std::unique_ptr<Source> OpenSnapshotFile(const DatabaseLogin& login, WriteFaultHook faultAt = {});

// Writes schema as a snapshot file, creating it or replacing it atomically.
void SaveSnapshot(const Schema& schema, const QString& path);

// A writable copy of a schema that lives only in memory: statements change the copy and nothing
// on disk is touched. Verifying a script runs it on one.
class ScratchSource : public Source {
public:
    explicit ScratchSource(Schema schema) : schema_(std::move(schema)) {}
    void execute(const QString& statement) override;

protected:
    Schema load() override { return schema_; }

private:
    Schema schema_; // what the first read returns
};

} // namespace vantor
