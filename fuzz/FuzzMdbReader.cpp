// Runs the reader's code and libmdb in this process on mutated files, so that a crash can be
// traced to the line that made it. Run with -fork and -ignore_crashes: libmdb has known faults.
#include "engine/access/reader/MdbSchemaReader.h"

#include <QFile>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static QTemporaryDir dir;
    static const QString path = dir.filePath(QStringLiteral("input.mdb"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        std::abort();
    file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    file.close();
    try {
        vantor::ReadMdbSchema(path);
    } catch (const vantor::UnreadableFile&) {
    } catch (const vantor::EncryptedFile&) {
    } catch (const std::runtime_error&) {
    }
    return 0;
}
