#include "tests/support/Jackcess.h"

#include "tests/support/TestPaths.h"

#include <QDir>
#include <QFileInfo>
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

} // namespace vantor::test
