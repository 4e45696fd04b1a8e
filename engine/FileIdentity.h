#pragma once

#include <QString>
#include <vector>

namespace vantor {

// A database a command reads, with the words that name its part in the command ("primary
// database").
struct NamedInput {
    QString role;
    QString path;
};

// Whether the name ends as an Access database's does (.mdb, .accdb, .mde, .accde, any letter
// case).
bool HasAccessFileName(const QString& path);

// Why writing target would destroy a database: it is one of inputs (the same file on the disk,
// however the path reaches it), or an Access database at all. Empty when target may be written.
QString OutputHazard(const QString& target, const std::vector<NamedInput>& inputs = {});

// What a path names when it is not a regular file ("a folder", "a named pipe (FIFO)", ...), so
// that it is refused before anything opens it; empty for a regular file or one that is missing.
QString NonFileKind(const QString& path);

// Raises the error that refuses a path naming anything but a regular file, before anything opens
// it: reading a pipe or a device would wait for data that never comes, or never end.
void RefuseNonFile(const QString& path);

} // namespace vantor
