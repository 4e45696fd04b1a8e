#include "tests/support/JackcessRunner.h"

#include "tests/support/TestPaths.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QProcess>
#include <QStandardPaths>

namespace vantor::test {

namespace {

QString runScript() {
    const QString shared = SharedAccessDir();
    if (shared.isEmpty())
        return QString();
    // The tools sit beside the test data: ../shared/testdata/access -> ../shared/tools.
    return QDir(shared).absoluteFilePath(QStringLiteral("../../tools/jackcess/run"));
}

} // namespace

std::optional<QString> WhyNoJackcess() {
    if (!QFileInfo(runScript()).isFile())
        return QStringLiteral("the Jackcess tools beside the shared test data are absent");
    if (QStandardPaths::findExecutable(QStringLiteral("java")).isEmpty())
        return QStringLiteral("Java is not installed (scripts/setup-deps.sh installs it)");
    return std::nullopt;
}

std::optional<QByteArray> RunJackcess(const QString& program, const QStringList& arguments,
                                      QString* error) {
    if (std::optional<QString> why = WhyNoJackcess()) {
        if (error)
            *error = *why;
        return std::nullopt;
    }
    QProcess process;
    process.start(QStringLiteral("bash"), QStringList{runScript(), program} + arguments);
    constexpr int kMostMs = 5 * 60 * 1000; // the first run compiles the programs
    if (!process.waitForFinished(kMostMs) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        if (error)
            *error = QString::fromUtf8(process.readAllStandardError()).trimmed();
        process.kill();
        process.waitForFinished();
        return std::nullopt;
    }
    return process.readAllStandardOutput();
}

std::optional<QMap<QString, JackcessRows>> JackcessRowDigests(const QString& path) {
    const std::optional<QByteArray> out = RunJackcess(QStringLiteral("RowDigest"), {path});
    if (!out)
        return std::nullopt;
    QMap<QString, JackcessRows> tables;
    for (const QByteArray& line : out->split('\n')) {
        const QList<QByteArray> fields = line.split('\t');
        if (fields.size() != 3)
            continue;
        tables.insert(QString::fromUtf8(fields[0]),
                      {fields[1].toLongLong(), QString::fromLatin1(fields[2]).trimmed()});
    }
    return tables;
}

std::optional<QJsonObject> JackcessSchema(const QString& path) {
    const std::optional<QByteArray> out =
        RunJackcess(QStringLiteral("SchemaDump"), {QStringLiteral("--json"), path});
    if (!out)
        return std::nullopt;
    const QJsonDocument document = QJsonDocument::fromJson(*out);
    if (!document.isObject())
        return std::nullopt;
    return document.object();
}

} // namespace vantor::test
