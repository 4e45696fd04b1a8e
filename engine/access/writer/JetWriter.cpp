#include "engine/access/writer/JetWriter.h"

#include "engine/access/JetHeader.h"
#include "engine/access/writer/PageFile.h"
#include "model/Error.h"

#include <QFile>
#include <QtEndian>

namespace vantor {

namespace {

const char kNoStatementsYet[] = "Vantor cannot change the schema of Access files yet.";
constexpr int kSortOrderOffset = 0x6e;
constexpr int kSortVersionOffset = 0x71;
constexpr quint16 kGeneralSortLcid = 1033;

class PageWriter final : public JetFileWriter {
public:
    PageWriter(const QString& path, int pageSize) : file_(path, pageSize, true) {}

    void Apply(const DdlStatement& statement) override {
        if (std::optional<QString> why = WhyStatementNotWritable(statement))
            throw Error(ErrorCode::Provider, *why);
        file_.Begin();
        try {
            file_.Commit();
        } catch (...) {
            file_.Rollback();
            throw;
        }
    }

    void Flush() override { file_.Flush(); }

private:
    jet::PageFile file_;
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
    const quint16 lcid = qFromLittleEndian<quint16>(page.constData() + kSortOrderOffset);
    const quint8 sortVersion = static_cast<quint8>(page[kSortVersionOffset]);
    if (lcid != kGeneralSortLcid || sortVersion > 1)
        return QStringLiteral("Vantor writes files in the General sort order only; this one "
                              "sorts text by locale %1, version %2.")
            .arg(lcid)
            .arg(sortVersion);
    return std::nullopt;
}

std::optional<QString> WhyStatementNotWritable(const DdlStatement& statement) {
    Q_UNUSED(statement);
    return QString::fromLatin1(kNoStatementsYet);
}

std::unique_ptr<JetFileWriter> JetFileWriter::Open(const QString& path) {
    if (std::optional<QString> why = WhyFileNotWritable(path))
        throw Error(ErrorCode::Provider, *why);
    return std::make_unique<PageWriter>(path, 4096);
}

} // namespace vantor
