#pragma once

#include "engine/Backend.h"
#include "engine/SchemaRowsets.h"
#include "engine/access/ReaderLimits.h"
#include "engine/access/ReaderProcess.h"

namespace vantor {

// Access files (.mdb, .accdb): the parent checks the header and the credentials on open, and the
// reader program reads the schema on the first schema query. Nothing is ever written.
class AccessBackend : public Backend {
public:
    bool Accepts(const QString& dataSource) const override;
    std::unique_ptr<BackendSession> Open(const OpenRequest& request) const override;
};

class AccessSession : public SchemaSession {
public:
    AccessSession(QString path, ReaderLimits limits, QString password = {});
    void Execute(const QString& commandText) override;
    void Prefetch() override;

protected:
    DbSchema LoadSchema() override;

private:
    QString path_;
    ReaderLimits limits_;
    QString password_; // only for files encrypted with it; handed to the reader
    std::unique_ptr<PendingAccessRead> pending_;
};

// Checks a file's header and the credentials as Jet would on open; raises Jet's error otherwise.
// A file encrypted with its password is checked against the password when it is read.
void CheckAccessOpen(const QString& path, const QString& userId, const QString& password);

} // namespace vantor
