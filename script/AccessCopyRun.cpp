#include "script/AccessCopyRun.h"

#include "engine/access/AccessErrors.h"
#include "engine/access/ReaderProcess.h"
#include "engine/access/ScriptRunFiles.h"
#include "model/Error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace vantor {

namespace {

// The run speaks of the file it is given, which here is the copy; the user knows only the file.
QString naming(QString text, const QString& copy, const QString& original) {
    return text.replace(copy, original);
}

} // namespace

CopyRunOutcome RunScriptOnCopyOf(const LineSource& script, const QString& path,
                                 AccessRunOptions options) {
    const QFileInfo named(path);
    const QString original =
        named.canonicalFilePath().isEmpty() ? named.absoluteFilePath() : named.canonicalFilePath();
    if (!QFileInfo(original).isFile())
        throw accesserr::FileNotFound(path);
    // A file the writer refuses is refused before it is copied.
    if (options.whyFileNotWritable)
        if (std::optional<QString> why = options.whyFileNotWritable(original))
            throw Error(ErrorCode::Provider,
                        QStringLiteral("Vantor cannot change '%1', so it cannot try the script "
                                       "on a copy of it: %2")
                            .arg(original, *why));
    auto say = [progress = options.progress](const QString& line) {
        if (progress)
            progress(line);
    };

    // Another folder, so that a file in a folder the user cannot write can still be tried, and
    // nothing is ever left beside the original.
    QTemporaryDir folder(QDir::temp().filePath(QStringLiteral("vantor-copy-XXXXXX")));
    if (!folder.isValid())
        throw Error(ErrorCode::Provider,
                    QStringLiteral("Cannot make a folder for a copy of '%1': %2")
                        .arg(original, folder.errorString()));
    const QString copy =
        QFileInfo(folder.path()).canonicalFilePath() + QLatin1Char('/') + named.fileName();
    say(QStringLiteral("Copying '%1' to try the script on the copy.").arg(original));
    try {
        CopyToDisk(original, copy);
    } catch (const Error& e) {
        throw Error(e.code(), QStringLiteral("Cannot copy '%1' to try the script: %2")
                                  .arg(original, e.description()));
    }
    // A copy of a file marked read-only is still the copy's to change.
    QFile::setPermissions(copy, QFile::permissions(copy) | QFile::ReadOwner | QFile::WriteOwner);

    options.keepBackup = false;
    options.progress = nullptr;
    CopyRunOutcome outcome;
    try {
        say(QStringLiteral("Running the script on the copy and proving the result."));
        outcome.run = RunScriptOnAccess(script, copy, options).run;
        if (outcome.run.failure)
            outcome.run.failure->description =
                naming(outcome.run.failure->description, copy, original);
        say(QStringLiteral("Reading the changed copy."));
        outcome.changed = PendingAccessRead(copy, options.readLimits, {}, options.stop).Take();
    } catch (const Error& e) {
        throw Error(e.code(), naming(e.description(), copy, original));
    }
    return outcome;
}

} // namespace vantor
