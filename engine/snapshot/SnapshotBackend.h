#pragma once

#include "engine/Backend.h"

namespace vantor {

// Schema snapshots: a data source ending in ".json" is a database whose schema lives in that one
// file, and Execute runs Jet DDL against it.
class SnapshotBackend : public Backend {
public:
    bool Accepts(const QString& dataSource) const override;
    std::unique_ptr<BackendSession> Open(const OpenRequest& request) const override;
};

} // namespace vantor
