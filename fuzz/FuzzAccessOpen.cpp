// Feeds mutated Access files through open, schema queries and a refused Execute, as a user's
// connection would. Any escape other than the back end's own error is a finding.
#include "engine/Source.h"
#include "engine/SqlText.h"
#include "model/Error.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>

namespace {

QString& inputPath() {
    static QTemporaryDir dir;
    static QString path = dir.filePath(QStringLiteral("input.mdb"));
    return path;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The reader inherits this: libmdb's leaks on bad files are not what is fuzzed here.
    setenv("ASAN_OPTIONS", "detect_leaks=0:allocator_may_return_null=1", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace vantor;
    QFile file(inputPath());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        std::abort();
    file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    file.close();

    try {
        std::unique_ptr<Source> source = OpenDatabaseFile({inputPath(), {}, {}});
        const Schema& schema = source->schema();
        for (const Table& table : schema.tables)
            CreateTableText(table);
        source->execute(QStringLiteral("DROP TABLE x"));
    } catch (const Error&) {
        // The expected way for a bad file to end.
    }
    return 0;
}
