#include "engine/access/writer/JetWriter.h"

#include "engine/access/JetHeader.h"
#include "engine/access/writer/AlterColumnType.h"
#include "engine/access/writer/AlterColumns.h"
#include "engine/access/writer/Constraints.h"
#include "engine/access/writer/CreateTable.h"
#include "engine/access/writer/DropTable.h"
#include "engine/access/writer/IndexStatements.h"
#include "engine/access/writer/PageAllocator.h"
#include "engine/access/writer/PageFile.h"
#include "engine/access/writer/SavedQueries.h"
#include "model/Error.h"

#include <QFile>
#include <QtEndian>

namespace vantor {

namespace {

AlterAddStmt withoutConstraints(AlterAddStmt add) {
    add.constraints.clear();
    for (DdlColumn& column : add.columns)
        column.constraints.clear();
    return add;
}

const char kNotYet[] = "Vantor cannot run this statement on an Access file yet.";
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
                addColumnsAndConstraints(allocator, *add);
            else if (const auto* dropColumns = std::get_if<AlterDropColumnsStmt>(&statement))
                jet::DropColumns(file_, allocator, *dropColumns, format_);
            else if (const auto* alter = std::get_if<AlterColumnStmt>(&statement))
                jet::AlterColumn(file_, allocator, *alter, format_, sortVersion_);
            else if (const auto* dropConstraint = std::get_if<AlterDropConstraintStmt>(&statement))
                jet::DropConstraint(file_, allocator, *dropConstraint, format_);
            else if (const auto* view = std::get_if<CreateViewStmt>(&statement))
                createQuery(allocator, view->view, jet::StoredQueryOf(*view));
            else if (const auto* procedure = std::get_if<CreateProcedureStmt>(&statement))
                createQuery(allocator, procedure->procedure, jet::StoredQueryOf(*procedure));
            else if (const auto* dropView = std::get_if<DropViewStmt>(&statement))
                jet::DropSavedQuery(file_, allocator, dropView->view, true, format_);
            else if (const auto* dropProcedure = std::get_if<DropProcedureStmt>(&statement))
                jet::DropSavedQuery(file_, allocator, dropProcedure->procedure, false, format_);
            file_.Commit();
        } catch (...) {
            file_.Rollback();
            throw;
        }
    }

    void Flush() override { file_.Flush(); }

private:
    // Jet adds the columns first, so that their own constraints and the table's can name them.
    void addColumnsAndConstraints(jet::PageAllocator& allocator, const AlterAddStmt& add) {
        if (!add.columns.isEmpty())
            jet::AddColumns(file_, allocator, withoutConstraints(add), format_, sortVersion_);
        const QList<DdlConstraint> constraints =
            jet::ConstraintsInOrder(add.columns, add.constraints);
        if (!constraints.isEmpty())
            jet::AddConstraints(file_, allocator, add.table, constraints, format_);
    }

    void createQuery(jet::PageAllocator& allocator, const QString& name,
                     const std::variant<jetsql::StorableQuery, QString>& query) {
        if (const QString* why = std::get_if<QString>(&query))
            throw Error(ErrorCode::Provider, *why);
        jet::CreateSavedQuery(file_, allocator, name, std::get<jetsql::StorableQuery>(query),
                              format_);
    }

    jet::PageFile file_;
    jet::KeyFormat format_;
    quint8 sortVersion_;
};

std::optional<QString>
whyQueryNotWritable(const std::variant<jetsql::StorableQuery, QString>& query) {
    if (const QString* why = std::get_if<QString>(&query))
        return *why;
    return std::nullopt;
}

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
        return add->columns.isEmpty() ? std::nullopt
                                      : jet::WhyAddColumnsNotWritable(withoutConstraints(*add));
    if (const auto* alter = std::get_if<AlterColumnStmt>(&statement))
        return jet::WhyAlterColumnNotWritable(*alter);
    if (const auto* view = std::get_if<CreateViewStmt>(&statement))
        return whyQueryNotWritable(jet::StoredQueryOf(*view));
    if (const auto* procedure = std::get_if<CreateProcedureStmt>(&statement))
        return whyQueryNotWritable(jet::StoredQueryOf(*procedure));
    if (std::holds_alternative<DropTableStmt>(statement) ||
        std::holds_alternative<AlterDropColumnsStmt>(statement) ||
        std::holds_alternative<CreateIndexStmt>(statement) ||
        std::holds_alternative<DropIndexStmt>(statement) ||
        std::holds_alternative<AlterDropConstraintStmt>(statement) ||
        std::holds_alternative<DropViewStmt>(statement) ||
        std::holds_alternative<DropProcedureStmt>(statement))
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
