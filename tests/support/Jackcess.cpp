#include "tests/support/Jackcess.h"

#include "tests/support/TestPaths.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QProcess>
#include <QStandardPaths>

namespace vantor::test {

namespace {

QString runScript() {
    return QDir::cleanPath(QDir(SourceDir()).absoluteFilePath("../shared/tools/jackcess/run"));
}

} // namespace

std::optional<QString> WhyJackcessMissing() {
    if (!QFileInfo(runScript()).isExecutable())
        return QStringLiteral("the Jackcess tools are absent (%1)").arg(runScript());
    if (QStandardPaths::findExecutable("java").isEmpty() ||
        QStandardPaths::findExecutable("javac").isEmpty())
        return QStringLiteral("Java is not installed (scripts/setup-deps.sh installs it)");
    return std::nullopt;
}

JackcessResult RunJackcess(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(runScript(), QStringList{program} + arguments);
    JackcessResult result;
    // The first run compiles the programs; allow for a slow machine.
    if (!process.waitForFinished(300000)) {
        process.kill();
        process.waitForFinished();
        result.errors = QStringLiteral("Jackcess did not finish");
        return result;
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.output = QString::fromUtf8(process.readAllStandardOutput());
    result.errors = QString::fromUtf8(process.readAllStandardError());
    return result;
}

std::optional<QByteArray> JackcessOutput(const QString& program, const QStringList& arguments,
                                         QString* error) {
    if (std::optional<QString> why = WhyJackcessMissing()) {
        if (error)
            *error = *why;
        return std::nullopt;
    }
    const JackcessResult result = RunJackcess(program, arguments);
    if (result.exitCode != 0) {
        if (error)
            *error = result.errors.trimmed();
        return std::nullopt;
    }
    return result.output.toUtf8();
}

std::optional<QMap<QString, JackcessRows>> JackcessRowDigests(const QString& path) {
    const std::optional<QByteArray> out = JackcessOutput(QStringLiteral("RowDigest"), {path});
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
        JackcessOutput(QStringLiteral("SchemaDump"), {QStringLiteral("--json"), path});
    if (!out)
        return std::nullopt;
    const QJsonDocument document = QJsonDocument::fromJson(*out);
    if (!document.isObject())
        return std::nullopt;
    return document.object();
}

} // namespace vantor::test
