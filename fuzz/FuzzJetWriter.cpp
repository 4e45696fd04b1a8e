// Opens mutated files with the writer and runs statements of every kind it writes on them: the
// writer reads the untrusted file as it goes, so it must end in vantor::Error for anything it
// cannot make sense of, never crash, hang or touch memory outside its pages.
#include "engine/access/writer/JetWriter.h"
#include "engine/access/writer/PageFile.h"
#include "engine/access/writer/TableDef.h"
#include "engine/access/writer/TableScan.h"
#include "model/Error.h"

#include <QFile>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>

namespace {

using namespace vantor;

// The first user tables of the catalog and one column of each, as far as they can be read.
QList<QPair<QString, QString>> someTables(const QString& path) {
    QList<QPair<QString, QString>> found;
    try {
        const jet::PageFile file(path, 4096, false); // the only page size the writer takes
        for (const jet::CatalogObject& object : jet::ReadCatalog(file)) {
            if (object.type != jet::kTableObjectType || object.name.startsWith("MSys"))
                continue;
            const jet::TableDef def = jet::ReadTableDef(file, quint32(object.id));
            found.append({object.name,
                          def.columns.isEmpty() ? QStringLiteral("x") : def.columns.first().name});
            if (found.size() == 2)
                break;
        }
    } catch (const Error&) {
    }
    return found;
}

void apply(const QString& path, const QString& statement) {
    try {
        std::unique_ptr<JetFileWriter> writer = JetFileWriter::Open(path);
        writer->Apply(ParseJetDdl(statement));
        writer->Flush();
    } catch (const Error&) {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static QTemporaryDir dir;
    static const QString path = dir.filePath(QStringLiteral("input.accdb"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        std::abort();
    file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    file.close();

    apply(path, "CREATE TABLE [FuzzNew] ([Id] COUNTER PRIMARY KEY, [Name] TEXT(20) NOT NULL "
                "DEFAULT \"x\", [Notes] MEMO, CONSTRAINT [ByName] UNIQUE ([Name]))");
    for (const auto& [table, column] : someTables(path)) {
        apply(path, QStringLiteral("CREATE INDEX [FuzzIx] ON [%1] ([%2] DESC)").arg(table, column));
        apply(path, QStringLiteral("CREATE UNIQUE INDEX [FuzzUx] ON [%1] ([%2]) WITH IGNORE NULL")
                        .arg(table, column));
        apply(path, QStringLiteral("DROP INDEX [FuzzIx] ON [%1]").arg(table));
        apply(path, QStringLiteral("ALTER TABLE [%1] ADD COLUMN [FuzzCol] LONG").arg(table));
        apply(path,
              QStringLiteral("ALTER TABLE [%1] ALTER COLUMN [%2] TEXT(10)").arg(table, column));
        apply(path, QStringLiteral("CREATE VIEW [FuzzView] AS SELECT * FROM [%1]").arg(table));
        apply(path, QStringLiteral("DROP TABLE [%1]").arg(table));
    }
    apply(path, "DROP TABLE [FuzzNew]");
    return 0;
}
