#include "cli/CliSupport.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cstdio>

namespace vantor::cli {

namespace {

bool isStandardOutput(const QString& path) {
    return path.isEmpty() || path == QLatin1String("-");
}

} // namespace

void RefuseHarmfulOutput(const QString& output, const std::vector<NamedInput>& inputs) {
    if (isStandardOutput(output))
        return;
    if (const QString hazard = OutputHazard(output, inputs); !hazard.isEmpty())
        throw CliError(hazard);
}

void WriteOutput(const QString& path, const QByteArray& bytes) {
    WriteOutputInPieces(path, [&bytes](const OutputPieceWriter& write) { write(bytes); });
}

void WriteOutputInPieces(const QString& path,
                         const std::function<void(const OutputPieceWriter&)>& produce) {
    if (isStandardOutput(path)) {
        produce([](QByteArrayView piece) {
            if (!piece.isEmpty())
                std::fwrite(piece.data(), 1, static_cast<size_t>(piece.size()), stdout);
        });
        if (std::fflush(stdout) != 0 || std::ferror(stdout))
            throw CliError(QStringLiteral("Cannot write to standard output."));
        return;
    }
    RefuseHarmfulOutput(path, {});
    auto writeTo = [&produce](QFileDevice& out) {
        bool written = true;
        produce([&out, &written](QByteArrayView piece) {
            written = written &&
                      (piece.isEmpty() || out.write(piece.data(), piece.size()) == piece.size());
        });
        return written;
    };
    // A device or a pipe (/dev/null, /dev/stdout, a FIFO) is written to as it is: replacing it
    // with a new file, as for a regular one, would destroy it.
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) {
        QFile device(path);
        if (!device.open(QIODevice::WriteOnly) || !writeTo(device) || !device.flush())
            throw CliError(QStringLiteral("Cannot write '%1': %2").arg(path, device.errorString()));
        return;
    }
    // A regular file is replaced whole or not at all.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !writeTo(file) || !file.commit())
        throw CliError(QStringLiteral("Cannot write '%1': %2").arg(path, file.errorString()));
}

void PrintError(const QString& line) {
    std::fflush(stdout);
    QByteArray bytes = line.toLocal8Bit();
    bytes.append('\n');
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stderr);
    std::fflush(stderr);
}

} // namespace vantor::cli
