// vantor-mdb-reader [--answer-fd N] [--password-stdin | --apply | --digest] [--] FILE: writes
// the schema of an Access file as a snapshot, so that libmdb runs in a process of its own that
// the parent can limit and stop; applies batches of Jet DDL to a copy of one, or digests its
// rows, under the same limits.
#include "engine/access/reader/ReaderCommand.h"

int main(int argc, char** argv) {
    return vantor::ReaderMain(argc, argv, vantor::JetFileWriter::Open);
}
