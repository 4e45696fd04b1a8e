#include "engine/access/writer/JetWriter.h"

#include "model/Error.h"

namespace vantor {

namespace {
const char kNotYet[] = "Vantor cannot write Access files yet.";
}

std::optional<QString> WhyFileNotWritable(const QString& path) {
    Q_UNUSED(path);
    return QString::fromLatin1(kNotYet);
}

std::optional<QString> WhyStatementNotWritable(const DdlStatement& statement) {
    Q_UNUSED(statement);
    return QString::fromLatin1(kNotYet);
}

std::unique_ptr<JetFileWriter> JetFileWriter::Open(const QString& path) {
    Q_UNUSED(path);
    throw Error(ErrorCode::Provider, QString::fromLatin1(kNotYet));
}

} // namespace vantor
