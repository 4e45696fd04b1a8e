#pragma once

#include "engine/DbSchema.h"

#include <stdexcept>

namespace vantor {

// A file the reader cannot make sense of; what() is a one-line reason for the parent.
class UnreadableFile : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class EncryptedFile : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads the whole schema of an Access file through libmdb, opening it read-only.
DbSchema ReadMdbSchema(const QString& path);

} // namespace vantor
