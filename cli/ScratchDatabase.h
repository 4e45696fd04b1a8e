#pragma once

#include "engine/DbSchema.h"

#include <QString>
#include <memory>

namespace vantor::cli {

// A writable copy of a schema that lives only in this process, opened by the data source
// "scratch:NAME": scripts run on it with the snapshot back end's DDL, and nothing on disk is
// touched. Making one with a name already in use replaces it.
class ScratchDatabase {
public:
    static QString Create(const QString& name, DbSchema schema);
    static void Drop(const QString& name);
};

} // namespace vantor::cli
