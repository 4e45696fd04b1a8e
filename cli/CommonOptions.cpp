#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "cli/Terminal.h"

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

Side TargetSide(const CommandParser& parser) {
    const QString target = parser.Value(QStringLiteral("target")).toLower();
    if (target == QLatin1String("primary"))
        return Side::Primary;
    if (target == QLatin1String("secondary"))
        return Side::Secondary;
    parser.Fail(parser.IsSet(QStringLiteral("target"))
                    ? QStringLiteral("--target must be primary or secondary, not '%1'")
                          .arg(parser.Value(QStringLiteral("target")))
                    : QStringLiteral("--target primary|secondary is required"));
}

QString SideName(Side side) {
    return side == Side::Primary ? QStringLiteral("primary") : QStringLiteral("secondary");
}

bool ShowsProgress(const CommandParser& parser) {
    return StderrIsTerminal() && !parser.IsSet(QStringLiteral("quiet"));
}

} // namespace vantor::cli
