#pragma once

#include "engine/Recordset.h"

#include <QString>
#include <QVariantList>
#include <memory>
#include <vector>

namespace vantor {

// Schema rowsets the engine asks for (ADO's SchemaEnum values).
constexpr qint32 adSchemaColumns = 4;
constexpr qint32 adSchemaTables = 20;
constexpr qint32 adSchemaViews = 23;

// What a connection hands a back end when it opens.
struct OpenRequest {
    QString provider;
    QString dataSource;
    QString userId;
    QString password;
};

// One open database of some back end. Errors are raised as VantorError.
class BackendSession {
public:
    virtual ~BackendSession() = default;
    virtual std::shared_ptr<Recordset> OpenSchema(qint32 schema, const QVariantList& criteria) = 0;
    virtual void Execute(const QString& commandText) = 0;
    // Starts reading the schema in the background where the back end can, so that two databases
    // are read side by side; the next schema query takes what it read.
    virtual void Prefetch() {}
};

// A kind of database (Access file, snapshot, in-memory) chosen by its data source.
class Backend {
public:
    virtual ~Backend() = default;
    virtual bool Accepts(const QString& dataSource) const = 0;
    virtual std::unique_ptr<BackendSession> Open(const OpenRequest& request) const = 0;
};

class BackendRegistry {
public:
    // The registry with every back end of the program.
    static BackendRegistry& Instance();

    void Register(std::shared_ptr<Backend> backend);
    // The first back end that accepts the data source opens it; none accepting is Jet's error
    // for a file it cannot read (or cannot find).
    std::unique_ptr<BackendSession> Open(const OpenRequest& request) const;

private:
    std::vector<std::shared_ptr<Backend>> backends_;
};

// Rowset column names as the provider serves them.
namespace schemacol {
inline const QString TableName = QStringLiteral("TABLE_NAME");
inline const QString TableType = QStringLiteral("TABLE_TYPE");
inline const QString ColumnName = QStringLiteral("COLUMN_NAME");
inline const QString DataType = QStringLiteral("DATA_TYPE");
inline const QString CharacterMaximumLength = QStringLiteral("CHARACTER_MAXIMUM_LENGTH");
inline const QString IsNullable = QStringLiteral("IS_NULLABLE");
inline const QString OrdinalPosition = QStringLiteral("ORDINAL_POSITION");
inline const QString ViewDefinition = QStringLiteral("VIEW_DEFINITION");
} // namespace schemacol

// The table-name criterion of a columns query (third entry), empty when absent or null.
QString CriteriaTableName(const QVariantList& criteria);

} // namespace vantor
