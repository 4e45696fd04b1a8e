#pragma once

#include "model/Schema.h"

#include <functional>
#include <stdexcept>

namespace vantor {

// A file the reader cannot make sense of; what() is a one-line reason for the parent.
class UnreadableFile : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A file whose pages contradict its catalog or end before it does: what could be read of it would
// be a smaller schema than it holds, so nothing of it is served.
class DamagedFile : public UnreadableFile {
public:
    using UnreadableFile::UnreadableFile;
};

// A file encrypted in a way the reader cannot undo; what() says which way.
class EncryptedFile : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// An encrypted file whose password does not match.
class WrongPassword : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads the whole schema of an Access file through libmdb, opening it read-only, or throws: a
// file that libmdb could not read from end to end is never answered with part of its schema.
// onDamage, when set, hears of damage the moment libmdb reports it, on another thread and while
// standard output and standard error are still set aside; a program that stops there spares
// itself whatever libmdb would go on to do with the damaged pages.
// password opens a file encrypted with Office encryption; its pages are decrypted in memory only.
// onTable, when set, takes each table as soon as it is read, and the schema returned holds none:
// a large file's tables then never wait in memory all together.
Schema ReadMdbSchema(const QString& path, const QString& password = {},
                     std::function<void(const QString& reason)> onDamage = {},
                     const std::function<void(const Table& table)>& onTable = {});

// The reason a file is damaged that the text libmdb printed while reading shows, or empty when it
// reports no failed read.
QString DamageInLibraryOutput(const QByteArray& said);

} // namespace vantor
