#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "model/Error.h"

#include <QCoreApplication>
#include <cstdio>
#include <functional>
#include <map>

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
        return runMain(QCoreApplication::arguments().mid(1));
    } catch (const CliError& e) {
        PrintError(e.Message());
    } catch (const std::exception& e) {
        PrintError(DescriptionOf(e));
    }
    return ExitTrouble;
}
