#pragma once

#include "engine/snapshot/JetDdlStatements.h"

#include <QString>
#include <memory>
#include <optional>

namespace vantor {

// Why Vantor cannot change this file's schema at all (Jet 3, encrypted, a sort order other than
// General, not an Access file), or nothing when it can. Reads the header only.
std::optional<QString> WhyFileNotWritable(const QString& path);

// Why the writer cannot run this statement on an Access file, or nothing when it can.
std::optional<QString> WhyStatementNotWritable(const DdlStatement& statement);

// An Access file whose schema is changed in place, page by page. It is only ever handed a copy
// of the user's file; proving the result and swapping it in is the caller's work.
class JetFileWriter {
public:
    // Opens the file for writing; raises Error with the reason for a file it cannot write.
    static std::unique_ptr<JetFileWriter> Open(const QString& path);
    virtual ~JetFileWriter() = default;

    // Applies one statement entirely or not at all: on error, raised as Error in Jet's words,
    // every page is as it was before the call and the file has its former length.
    virtual void Apply(const DdlStatement& statement) = 0;
    // Puts everything written on the disk; raises Error when the disk refuses.
    virtual void Flush() = 0;
};

} // namespace vantor
