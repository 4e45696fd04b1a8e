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
                     QStringLiteral("Include the database's system and Access tables (and, as "
                                    "--show-hidden, every hidden object)."));
}

void AddSelectionOptions(CommandParser& parser) {
    parser.AddOption(QStringLiteral("kinds"),
                     QStringLiteral("Take in only these kinds of object, comma-separated: %1 "
                                    "(default all).")
                         .arg(KindGroupNames().join(QStringLiteral(", "))),
                     QStringLiteral("LIST"));
    parser.AddOption(QStringLiteral("exclude"),
                     QStringLiteral("Leave out objects whose name, or whose table's name, matches "
                                    "PATTERN (* and ?, any letter case); may be repeated."),
                     QStringLiteral("PATTERN"));
    parser.AddOption(QStringLiteral("show-hidden"),
                     QStringLiteral("Include hidden queries and the database's own system objects "
                                    "with their indexes and relationships."));
}

void AddCompareOptions(CommandParser& parser) {
    AddSelectionOptions(parser);
    parser.AddOption(QStringLiteral("ignore-case"),
                     QStringLiteral("Count definitions that differ only in letter case as equal."));
    parser.AddOption(QStringLiteral("ignore-whitespace"),
                     QStringLiteral("Count view and query texts that differ only in blanks and "
                                    "line breaks as equal."));
}

CompareSettings CompareSettingsOf(const CommandParser& parser) {
    CompareSettings settings;
    if (parser.IsSet(QStringLiteral("kinds"))) {
        QString unknown;
        std::optional<quint32> kinds =
            ParseKindGroups(parser.Value(QStringLiteral("kinds")), &unknown);
        if (!kinds)
            parser.Fail(QStringLiteral("unknown kind '%1' in --kinds (use %2)")
                            .arg(unknown, KindGroupNames().join(QStringLiteral(", "))));
        if (*kinds == 0)
            parser.Fail(QStringLiteral("--kinds names no kind of object"));
        settings.kinds = *kinds;
    }
    settings.exclude = parser.Values(QStringLiteral("exclude"));
    settings.ignoreCase = parser.IsSet(QStringLiteral("ignore-case"));
    settings.ignoreWhitespace = parser.IsSet(QStringLiteral("ignore-whitespace"));
    settings.showHidden =
        parser.IsSet(QStringLiteral("show-hidden")) || parser.IsSet(QStringLiteral("all"));
    return settings;
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
