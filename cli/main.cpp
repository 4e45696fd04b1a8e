#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "model/Error.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <cstdio>
#include <functional>
#include <map>
#include <optional>
#include <unistd.h>

using namespace vantor;
using namespace vantor::cli;

namespace {

const char* kUsage = R"(Usage: vantor-cli COMMAND [arguments] [options]

Compares the schemas of two Microsoft Access databases (.mdb, .accdb) or schema
snapshots (.json), writes the SQL that brings one in line with the other, and runs it.

Commands:
  compare PRIMARY SECONDARY               report every object with its state
  script PRIMARY SECONDARY --target SIDE  the SQL that brings SIDE in line with the other
  snapshot DATABASE -o FILE.json          write a database's schema as a snapshot
  run SCRIPT --on DATABASE                run a script batch by batch
  verify PRIMARY SECONDARY --target SIDE  prove the script converges on a copy of SIDE
  dump DATABASE                           print the schema as text for git and review
  git-setup [REPO]                        let git diff show Access files as their schema

Run 'vantor-cli COMMAND --help' for the options of a command.
Exit codes: 0 equal (or done), 1 different (or not converged), 2 error.
)";

int runCommand(const QString& name, const QStringList& args) {
    static const std::map<QString, std::function<int(const QStringList&)>> commands{
        {QStringLiteral("compare"), CompareCommand},    {QStringLiteral("script"), ScriptCommand},
        {QStringLiteral("snapshot"), SnapshotCommand},  {QStringLiteral("run"), RunCommand},
        {QStringLiteral("verify"), VerifyCommand},      {QStringLiteral("dump"), DumpCommand},
        {QStringLiteral("git-setup"), GitSetupCommand},
    };
    auto it = commands.find(name);
    if (it == commands.end())
        throw UsageError(QStringLiteral("vantor-cli: unknown command '%1'\nRun 'vantor-cli --help' "
                                        "for the list of commands.")
                             .arg(name));
    return it->second(args);
}

// The arguments as text. Qt keeps paths as text in UTF-8, so a name whose bytes are not UTF-8
// has no text that opens it: such an argument that names a file becomes a link to it, made in
// links, whose name shows those bytes as replacement characters.
QStringList argumentsOf(int argc, char** argv, std::optional<QTemporaryDir>& links) {
    QStringList args;
    for (int i = 1; i < argc; ++i) {
        const QByteArray raw(argv[i]);
        QStringDecoder utf8(QStringDecoder::Utf8);
        const QString text = utf8.decode(raw);
        if (!utf8.hasError() || ::access(raw.constData(), F_OK) != 0) {
            args << text;
            continue;
        }
        if (!links)
            links.emplace(QDir::temp().filePath(QStringLiteral("vantor-cli-XXXXXX")));
        QByteArray target = raw;
        if (!target.startsWith('/')) {
            char here[4096];
            if (::getcwd(here, sizeof here))
                target = QByteArray(here) + '/' + raw;
        }
        // A folder for each argument, as two such files may share their name.
        const QString folder = links->filePath(QString::number(i));
        const QString link = folder + u'/' + QFileInfo(text).fileName();
        const bool linked = links->isValid() && QDir().mkpath(folder) &&
                            ::symlink(target.constData(), QFile::encodeName(link).constData()) == 0;
        args << (linked ? link : text);
    }
    return args;
}

// Everything after the program's set-up; errors end it with exit code 2 and their message.
int runMain(const QStringList& args) {
    const QString first = args.value(0);
    if (first == QLatin1String("--version")) {
        std::printf("vantor-cli %s\n", VANTOR_VERSION);
        return ExitEqual;
    }
    if (first == QLatin1String("--help") || first == QLatin1String("-h") ||
        first == QLatin1String("help")) {
        if (args.size() > 1 && first == QLatin1String("help"))
            return runCommand(args[1], {QStringLiteral("--help")});
        std::fputs(kUsage, stdout);
        return ExitEqual;
    }
    if (first.isEmpty()) {
        std::fputs(kUsage, stderr);
        return ExitTrouble;
    }
    return runCommand(first, args.mid(1));
}

} // namespace

int main(int argc, char** argv) {
    try {
        QCoreApplication app(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("vantor-cli"));
        QCoreApplication::setApplicationVersion(QStringLiteral(VANTOR_VERSION));
        std::optional<QTemporaryDir> links;
        return runMain(argumentsOf(argc, argv, links));
    } catch (const CliError& e) {
        PrintError(e.Message());
    } catch (const std::exception& e) {
        PrintError(DescriptionOf(e));
    }
    return ExitTrouble;
}
