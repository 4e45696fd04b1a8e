#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "cli/Terminal.h"
#include "engine/Globals.h"

namespace vantor::cli {

void AddOutputOption(CommandParser& parser) {
    parser.AddOption(QCommandLineOption({QStringLiteral("o"), QStringLiteral("output")},
                                        QStringLiteral("Write to FILE instead of standard output."),
                                        QStringLiteral("FILE")));
}

void AddQuietOption(CommandParser& parser) {
    parser.AddOption(QStringLiteral("quiet"),
                     QStringLiteral("No progress line on stderr while schemas load."));
}

void AddAllOption(CommandParser& parser) {
    parser.AddOption(QStringLiteral("all"),
                     QStringLiteral("Include the database's system and Access tables."));
}

void AddTargetOption(CommandParser& parser) {
    parser.AddOption(QStringLiteral("target"),
                     QStringLiteral("The database to bring in line with the other: primary or "
                                    "secondary (required)."),
                     QStringLiteral("SIDE"));
}

int TargetSide(const CommandParser& parser) {
    const QString target = parser.Value(QStringLiteral("target")).toLower();
    if (target == QLatin1String("primary"))
        return 0;
    if (target == QLatin1String("secondary"))
        return 1;
    parser.Fail(parser.IsSet(QStringLiteral("target"))
                    ? QStringLiteral("--target must be primary or secondary, not '%1'")
                          .arg(parser.Value(QStringLiteral("target")))
                    : QStringLiteral("--target primary|secondary is required"));
}

QString SideName(int side) {
    return side == 0 ? QStringLiteral("primary") : QStringLiteral("secondary");
}

ProgressScope::ProgressScope(const CommandParser& parser)
    : line_(StderrIsTerminal() && !parser.IsSet(QStringLiteral("quiet"))) {
    SetUi(&line_);
}

ProgressScope::~ProgressScope() {
    SetUi(nullptr);
}

} // namespace vantor::cli
