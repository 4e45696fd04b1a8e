#include "engine/Backend.h"

#include "engine/access/AccessBackend.h"
#include "engine/memory/MemoryBackend.h"
#include "engine/snapshot/SnapshotBackend.h"
#include "model/VantorError.h"

#include <QFileInfo>

namespace vantor {

BackendRegistry& BackendRegistry::Instance() {
    static BackendRegistry registry = [] {
        BackendRegistry r;
        r.Register(std::make_shared<MemoryBackend>());
        r.Register(std::make_shared<AccessBackend>());
        r.Register(std::make_shared<SnapshotBackend>());
        return r;
    }();
    return registry;
}

void BackendRegistry::Register(std::shared_ptr<Backend> backend) {
    backends_.push_back(std::move(backend));
}

std::unique_ptr<BackendSession> BackendRegistry::Open(const OpenRequest& request) const {
    for (const auto& backend : backends_) {
        if (backend->Accepts(request.dataSource))
            return backend->Open(request);
    }
    if (!QFileInfo(request.dataSource).isFile())
        throw VantorError(err::Provider,
                          QStringLiteral("Could not find file '%1'.").arg(request.dataSource));
    throw VantorError(err::Provider,
                      QStringLiteral("Unrecognized database format '%1'.").arg(request.dataSource));
}

QString CriteriaTableName(const QVariantList& criteria) {
    if (criteria.size() < 3 || criteria[2].isNull())
        return QString();
    return criteria[2].toString();
}

} // namespace vantor
