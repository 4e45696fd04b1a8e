#include "cli/CliSupport.h"
#include "cli/Commands.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <cstdio>
#include <utility>
#include <vector>

namespace vantor::cli {

namespace {

// Every letter case of each extension, since files copied from Windows often come in capitals.
const QStringList kAttributeLines{
    QStringLiteral("*.[mM][dD][bB] diff=vantor"),
    QStringLiteral("*.[aA][cC][cC][dD][bB] diff=vantor"),
    QStringLiteral("*.[mM][dD][eE] diff=vantor"),
    QStringLiteral("*.[aA][cC][cC][dD][eE] diff=vantor"),
};

struct GitResult {
    int code = -1;
    QString out;
};

GitResult git(const QString& folder, const QStringList& args) {
    QProcess process;
    process.setProgram(QStringLiteral("git"));
    process.setArguments(QStringList{QStringLiteral("-C"), folder} + args);
    process.start();
    if (!process.waitForStarted())
        throw CliError(
            QStringLiteral("Cannot run git: %1. Install git first (apt-get install git).")
                .arg(process.errorString()));
    process.closeWriteChannel();
    process.waitForFinished(-1);
    if (process.exitStatus() != QProcess::NormalExit)
        throw CliError(QStringLiteral("git %1 stopped before it finished.").arg(args.join(u' ')));
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()).trimmed()};
}

// The word a shell reads back as text itself.
QString shellWord(const QString& text) {
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_./+-]+$"));
    if (plain.match(text).hasMatch())
        return text;
    return u'\'' + QString(text).replace(u'\'', QLatin1String("'\\''")) + u'\'';
}

// How git should start this program: by name where the search path finds this very program, so
// that the setting outlives an upgrade, and by its full path otherwise.
QString thisProgram() {
    const QString self = QCoreApplication::applicationFilePath();
    const QString found = QStandardPaths::findExecutable(QStringLiteral("vantor-cli"));
    if (!found.isEmpty() &&
        QFileInfo(found).canonicalFilePath() == QFileInfo(self).canonicalFilePath())
        return QStringLiteral("vantor-cli");
    return shellWord(self);
}

// Adds the lines of kAttributeLines that the attributes file lacks at its end, leaving the rest as
// it was, and answers them.
QStringList addAttributes(const QString& path) {
    RefuseHarmfulOutput(path, {});
    QFile file(path);
    QByteArray existing;
    if (file.exists()) {
        if (!file.open(QIODevice::ReadOnly))
            throw CliError(QStringLiteral("Cannot read '%1': %2").arg(path, file.errorString()));
        existing = file.readAll();
        file.close();
    }
    QStringList present;
    for (const QByteArray& line : existing.split('\n'))
        present << QString::fromUtf8(line).simplified();
    QStringList added;
    for (const QString& line : kAttributeLines)
        if (!present.contains(line))
            added << line;
    if (added.isEmpty())
        return added;
    QByteArray text;
    if (!existing.isEmpty() && !existing.endsWith('\n'))
        text += '\n';
    text += (added.join(u'\n') + u'\n').toUtf8();
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append) || file.write(text) != text.size() ||
        !file.flush())
        throw CliError(QStringLiteral("Cannot write '%1': %2").arg(path, file.errorString()));
    return added;
}

void printSection(const QString& heading, const QStringList& lines) {
    if (lines.isEmpty())
        return;
    QString text = heading + u'\n';
    for (const QString& line : lines)
        text += QStringLiteral("  ") + line + u'\n';
    std::fputs(text.toLocal8Bit().constData(), stdout);
}

} // namespace

int GitSetupCommand(const QStringList& args) {
    CommandParser parser(
        QStringLiteral("git-setup"), QStringLiteral("[REPO]"),
        QStringLiteral(
            "Sets up the git repository REPO (default: the current folder) so that git diff, git\n"
            "log -p and git show print the schema of Access files as text ('vantor-cli dump'), "
            "and\n'git difftool -t vantor' compares two versions with 'vantor-cli compare'. It "
            "adds the\nmissing lines to the .gitattributes file at the top of the work tree and "
            "the missing\nsettings to the repository's own config; it never removes or replaces "
            "anything, and\nsays what it added and what it found set otherwise."));
    if (!parser.Parse(args, 0, 1))
        return ExitEqual;
    const QString folder = parser.Positionals().value(0, QStringLiteral("."));
    if (!QFileInfo(folder).isDir())
        throw CliError(QStringLiteral("Cannot set up '%1': there is no such folder.").arg(folder));

    const GitResult top =
        git(folder, {QStringLiteral("rev-parse"), QStringLiteral("--show-toplevel")});
    if (top.code != 0 || top.out.isEmpty())
        throw CliError(QStringLiteral("Cannot set up '%1': it is not in the work tree of a git "
                                      "repository. Run 'git init' there first.")
                           .arg(folder));
    const QString attributes = QDir(top.out).filePath(QStringLiteral(".gitattributes"));
    const QString program = thisProgram();
    const std::vector<std::pair<QString, QString>> settings{
        // git adds the file's path, which may start with a dash.
        {QStringLiteral("diff.vantor.textconv"), program + QStringLiteral(" dump --textconv --")},
        {QStringLiteral("diff.vantor.cachetextconv"), QStringLiteral("true")},
        // Hunk headers name the object a change is in: its heading is the only line not indented.
        {QStringLiteral("diff.vantor.xfuncname"), QStringLiteral("^[A-Z].*$")},
        {QStringLiteral("difftool.vantor.cmd"),
         program + QStringLiteral(" compare -- \"$LOCAL\" \"$REMOTE\"")},
    };

    const QStringList addedLines = addAttributes(attributes);
    QStringList set;
    QStringList kept;
    for (const auto& [key, value] : settings) {
        const GitResult current = git(folder, {QStringLiteral("config"), QStringLiteral("--local"),
                                               QStringLiteral("--get"), key});
        if (current.code == 0) {
            if (current.out != value)
                kept << QStringLiteral("%1 = %2").arg(key, current.out);
            continue;
        }
        if (git(folder, {QStringLiteral("config"), QStringLiteral("--local"), key, value}).code !=
            0)
            throw CliError(
                QStringLiteral("git could not set %1 in the repository's config.").arg(key));
        set << QStringLiteral("%1 = %2").arg(key, value);
    }

    printSection(QStringLiteral("Added to %1:").arg(QDir::toNativeSeparators(attributes)),
                 addedLines);
    printSection(QStringLiteral("Set in the repository's config:"), set);
    printSection(QStringLiteral("Left as they were (set otherwise before):"), kept);
    if (addedLines.isEmpty() && set.isEmpty())
        std::printf("Nothing to add: the repository is already set up for Access files.\n");
    if (!addedLines.isEmpty())
        std::printf("Commit .gitattributes so that every clone knows its Access files; each clone "
                    "runs 'vantor-cli git-setup' once for its own config.\n");
    return ExitEqual;
}

} // namespace vantor::cli
