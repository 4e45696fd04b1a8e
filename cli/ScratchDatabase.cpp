#include "cli/ScratchDatabase.h"

#include "engine/Backend.h"
#include "engine/SchemaRowsets.h"
#include "engine/snapshot/JetDdl.h"
#include "model/VantorError.h"

#include <QHash>

namespace vantor::cli {

namespace {

const QString kPrefix = QStringLiteral("scratch:");

QHash<QString, std::shared_ptr<DbSchema>>& databases() {
    static QHash<QString, std::shared_ptr<DbSchema>> all;
    return all;
}

class ScratchSession : public BackendSession {
public:
    explicit ScratchSession(std::shared_ptr<DbSchema> schema) : schema_(std::move(schema)) {}

    std::shared_ptr<Recordset> OpenSchema(qint32 schema, const QVariantList& criteria) override {
        return SchemaRowset(*schema_, schema, criteria);
    }
    void Execute(const QString& commandText) override { ApplyJetDdl(*schema_, commandText); }

private:
    std::shared_ptr<DbSchema> schema_; // shared by every connection to the same scratch name
};

class ScratchBackend : public Backend {
public:
    bool Accepts(const QString& dataSource) const override {
        return dataSource.startsWith(kPrefix);
    }
    std::unique_ptr<BackendSession> Open(const OpenRequest& request) const override {
        auto schema = databases().value(request.dataSource.mid(kPrefix.size()));
        if (!schema)
            throw VantorError(err::Provider,
                              QStringLiteral("Could not find file '%1'.").arg(request.dataSource));
        return std::make_unique<ScratchSession>(schema);
    }
};

} // namespace

QString ScratchDatabase::Create(const QString& name, DbSchema schema) {
    static const bool registered = [] {
        BackendRegistry::Instance().Register(std::make_shared<ScratchBackend>());
        return true;
    }();
    Q_UNUSED(registered);
    databases().insert(name, std::make_shared<DbSchema>(std::move(schema)));
    return kPrefix + name;
}

void ScratchDatabase::Drop(const QString& name) {
    databases().remove(name);
}

} // namespace vantor::cli
