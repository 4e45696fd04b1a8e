#pragma once

#include "engine/DbSchema.h"
#include "engine/access/ReaderLimits.h"

#include <QString>

namespace vantor {

// The reader program: where VANTOR_MDB_READER names it, else beside the running program, else
// in ../libexec/vantor from there (an installed program); a missing one is named beside.
QString AccessReaderProgram();

// Runs the reader on the file and returns the schema it printed. Every failure is raised as
// Jet's "Unrecognized database format" error, with the reason when the reader was stopped.
DbSchema RunAccessReader(const QString& path, const ReaderLimits& limits = {});

} // namespace vantor
