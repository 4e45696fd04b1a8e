#pragma once

#include "engine/Source.h"
#include "engine/access/ReaderLimits.h"
#include "engine/access/ReaderProcess.h"

namespace vantor {

// An Access file (.mdb, .accdb): the header and the credentials are checked on open, and the
// reader program reads the schema on the first request, or a forked child runs entry when one
// is given (see PendingAccessRead). Nothing is ever written.
class AccessSource : public Source {
public:
    AccessSource(QString path, ReaderLimits limits, QString password = {},
                 ReaderEntry entry = nullptr);
    void execute(const QString& statement) override;
    void prefetch() override;

protected:
    Schema load() override;
    Schema loadTableByTable(const TableSink& take) override;

private:
    std::unique_ptr<PendingAccessRead> startRead() const;
    // The read prefetch started, or a new one.
    std::unique_ptr<PendingAccessRead> takeRead();

    QString path_;
    ReaderLimits limits_;
    QString password_; // only for files encrypted with it; handed to the reader
    ReaderEntry entry_;
    std::unique_ptr<PendingAccessRead> pending_;
};

// Checks the file and the credentials as Jet would on open and returns the source; raises Jet's
// error otherwise.
std::unique_ptr<Source> OpenAccessFile(const DatabaseLogin& login, ReaderEntry entry = nullptr);

// Checks a file's header and the credentials as Jet would on open; raises Jet's error otherwise.
// A file encrypted with its password is checked against the password when it is read.
void CheckAccessOpen(const QString& path, const QString& userId, const QString& password);

} // namespace vantor
