#pragma once

#include "engine/Backend.h"
#include "engine/DbSchema.h"
#include "model/VantorError.h"

#include <optional>

namespace vantor {

// Not one of ADO's schemas: one row whose SNAPSHOT value is the whole schema in the snapshot
// format, so that an export keeps what the three rowsets cannot carry (indexes, relationships).
constexpr qint32 kSchemaWholeSnapshot = -1;
inline const QString kSnapshotColumn = QStringLiteral("SNAPSHOT");

// Serves the schema rowsets from a DbSchema in the order Jet's provider uses: tables by
// TABLE_TYPE then TABLE_NAME, columns by COLUMN_NAME, views by TABLE_NAME, names compared
// without regard to case. Every back end that holds a whole schema answers through this.
std::shared_ptr<Recordset> SchemaRowset(const DbSchema& schema, qint32 schemaKind,
                                        const QVariantList& criteria);

// A session whose schema is read once, on the first schema query, and then served from memory.
// A read that failed fails every later query the same way without reading again, so a file that
// took the reader to its limits costs that time once.
class SchemaSession : public BackendSession {
public:
    std::shared_ptr<Recordset> OpenSchema(qint32 schema, const QVariantList& criteria) override;

protected:
    virtual DbSchema LoadSchema() = 0;
    // Whether the schema was read, or failed to be, already.
    bool Loaded() const { return schema_.has_value() || loadError_.has_value(); }
    // The schema, loading it when it has not been loaded yet.
    DbSchema& Schema();

private:
    std::optional<DbSchema> schema_;
    std::optional<VantorError> loadError_;
};

} // namespace vantor
