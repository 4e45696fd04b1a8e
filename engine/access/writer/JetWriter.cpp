#include "engine/access/writer/JetWriter.h"

#include "engine/access/JetHeader.h"
#include "engine/access/writer/AlterColumnType.h"
#include "engine/access/writer/AlterColumns.h"
#include "engine/access/writer/CreateTable.h"
#include "engine/access/writer/DropTable.h"
#include "engine/access/writer/IndexStatements.h"
#include "engine/access/writer/PageAllocator.h"
#include "engine/access/writer/PageFile.h"
#include "model/Error.h"

#include <QFile>
#include <QtEndian>

namespace vantor {

namespace {

const char kNotYet[] =
    "Vantor can run CREATE TABLE (without FOREIGN KEY constraints), DROP TABLE, "
    "ALTER TABLE ADD, ALTER and DROP COLUMN, CREATE INDEX and DROP INDEX on Access "
    "files so far; it cannot run this statement on one yet.";
constexpr int kSortOrderOffset = 0x6e;
constexpr int kSortVersionOffset = 0x71;
constexpr quint16 kGeneralSortLcid = 1033;

class PageWriter final : public JetFileWriter {
public:
    PageWriter(const QString& path, int pageSize, int version, quint8 sortVersion)
        : file_(path, pageSize, true), format_{version == 1}, sortVersion_(sortVersion) {}

    void Apply(const DdlStatement& statement) override {
        if (std::optional<QString> why = WhyStatementNotWritable(statement))
            throw Error(ErrorCode::Provider, *why);
        file_.Begin();
        try {
            jet::PageAllocator allocator(file_);
            if (const auto* table = std::get_if<CreateTableStmt>(&statement))
                jet::CreateTable(file_, allocator, *table, format_, sortVersion_);
            else if (const auto* drop = std::get_if<DropTableStmt>(&statement))
                jet::DropTable(file_, allocator, drop->table, format_);
            else if (const auto* create = std::get_if<CreateIndexStmt>(&statement))
                jet::CreateIndex(file_, allocator, *create, format_);
            else if (const auto* dropIndex = std::get_if<DropIndexStmt>(&statement))
                jet::DropIndex(file_, allocator, *dropIndex);
            else if (const auto* add = std::get_if<AlterAddStmt>(&statement))
                jet::AddColumns(file_, allocator, *add, format_, sortVersion_);
            else if (const auto* dropColumns = std::get_if<AlterDropColumnsStmt>(&statement))
                jet::DropColumns(file_, allocator, *dropColumns, format_);
            else if (const auto* alter = std::get_if<AlterColumnStmt>(&statement))
                jet::AlterColumn(file_, allocator, *alter, format_, sortVersion_);
            file_.Commit();
        } catch (...) {
            file_.Rollback();
            throw;
        }
    }

    void Flush() override { file_.Flush(); }

private:
    jet::PageFile file_;
    jet::KeyFormat format_;
    quint8 sortVersion_;
};

} // namespace

std::optional<QString> WhyFileNotWritable(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("The file cannot be read: %1").arg(file.errorString());
    QByteArray start = file.read(kJetHeaderBytes);
    QString whyNot;
    std::optional<JetHeader> header = ParseJetHeader(start, &whyNot);
    if (!header)
        return whyNot;
    if (header->IsJet3())
        return QStringLiteral("Vantor writes Access 2000 and later files only; this one is in the "
                              "Access 97 format.");
    if (header->encodingKey != 0)
        return QStringLiteral("Vantor does not write encrypted Access files.");
    QByteArray page = ToggleJetHeaderMask(start);
    const auto lcid = qFromLittleEndian<quint16>(page.constData() + kSortOrderOffset);
    const auto sortVersion = static_cast<quint8>(page[kSortVersionOffset]);
    if (lcid != kGeneralSortLcid || sortVersion > 1)
        return QStringLiteral("Vantor writes files in the General sort order only; this one "
                              "sorts text by locale %1, version %2.")
            .arg(lcid)
            .arg(sortVersion);
    return std::nullopt;
}

std::optional<QString> WhyStatementNotWritable(const DdlStatement& statement) {
    if (const auto* table = std::get_if<CreateTableStmt>(&statement))
        return jet::WhyCreateTableNotWritable(*table);
    if (const auto* add = std::get_if<AlterAddStmt>(&statement))
        return jet::WhyAddColumnsNotWritable(*add);
    if (const auto* alter = std::get_if<AlterColumnStmt>(&statement))
        return jet::WhyAlterColumnNotWritable(*alter);
    if (std::holds_alternative<DropTableStmt>(statement) ||
        std::holds_alternative<AlterDropColumnsStmt>(statement) ||
        std::holds_alternative<CreateIndexStmt>(statement) ||
        std::holds_alternative<DropIndexStmt>(statement))
        return std::nullopt;
    return QString::fromLatin1(kNotYet);
}

std::unique_ptr<JetFileWriter> JetFileWriter::Open(const QString& path) {
    if (std::optional<QString> why = WhyFileNotWritable(path))
        throw Error(ErrorCode::Provider, *why);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Error(ErrorCode::Provider,
                    QStringLiteral("The file cannot be read: %1").arg(file.errorString()));
    const QByteArray start = file.read(kJetHeaderBytes);
    const std::optional<JetHeader> header = ParseJetHeader(start);
    if (!header)
        throw Error(ErrorCode::Provider, QStringLiteral("The file is not an Access database."));
    const QByteArray page = ToggleJetHeaderMask(start);
    return std::make_unique<PageWriter>(path, header->pageSize, header->version,
                                        static_cast<quint8>(page[kSortVersionOffset]));
}

} // namespace vantor
