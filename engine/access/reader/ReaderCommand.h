#pragma once

#include "engine/access/reader/ApplyRun.h"

namespace vantor {

// The reader program's command line (see ReaderProtocol.h and WriterProtocol.h), with the
// writer it applies batches with.
int ReaderMain(int argc, char** argv, const WriterOpener& openWriter);

} // namespace vantor
