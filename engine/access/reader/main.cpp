// vantor-mdb-reader FILE: prints the schema of an Access file as a snapshot, so that libmdb runs
// in a process of its own that the parent can limit and stop.
#include "engine/SnapshotJson.h"
#include "engine/access/ReaderProtocol.h"
#include "engine/access/reader/MdbSchemaReader.h"

#include <QFile>
#include <cstdio>
#include <new>

int main(int argc, char** argv) {
    using namespace vantor;
    int first = (argc > 1 && std::string_view(argv[1]) == "--") ? 2 : 1;
    if (argc != first + 1) {
        std::fputs("usage: vantor-mdb-reader [--] FILE\n", stderr);
        return readerexit::Usage;
    }
    try {
        DbSchema schema = ReadMdbSchema(QFile::decodeName(argv[first]));
        QByteArray json = WriteSnapshotJson(schema);
        if (std::fwrite(json.constData(), 1, json.size(), stdout) != size_t(json.size()) ||
            std::fflush(stdout) != 0)
            return readerexit::Unreadable;
        return readerexit::Ok;
    } catch (const EncryptedFile& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return readerexit::Encrypted;
    } catch (const UnreadableFile& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return readerexit::Unreadable;
    } catch (const std::bad_alloc&) {
        std::fputs("out of memory\n", stderr);
        return readerexit::OutOfMemory;
    }
}
