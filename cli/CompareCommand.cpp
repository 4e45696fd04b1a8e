#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "cli/Credentials.h"
#include "cli/Reports.h"

namespace vantor::cli {

int CompareCommand(const QStringList& args) {
    CommandParser parser(
        QStringLiteral("compare"), QStringLiteral("PRIMARY SECONDARY [options]"),
        QStringLiteral(
            "Compares the schemas of two databases (.mdb, .accdb or .json snapshots) and "
            "reports every table, view,\nquery, index, relationship, set of properties and link "
            "source with its state: equal, different,\nonly in primary, only in secondary.\n"
            "Exit code 0 when all are equal, 1 when any differ, 2 on an error."));
    parser.AddFormat({QStringLiteral("text"), QStringLiteral("json"), QStringLiteral("html")});
    AddOutputOption(parser);
    AddAllOption(parser);
    AddCompareOptions(parser);
    AddQuietOption(parser);
    parser.AddTwoSideLogins();
    if (!parser.Parse(args, 2))
        return ExitEqual;

    const QStringList paths = parser.Positionals();
    RefuseHarmfulOutput(parser.Value(QStringLiteral("output")),
                        {{QStringLiteral("primary database"), paths[0]},
                         {QStringLiteral("secondary database"), paths[1]}});
    DatabaseLogin primary =
        ReadLogin(parser, paths[0], QStringLiteral("primary-"), QStringLiteral("primary"));
    DatabaseLogin secondary =
        ReadLogin(parser, paths[1], QStringLiteral("secondary-"), QStringLiteral("secondary"));
    const CompareSettings settings = CompareSettingsOf(parser);
    ProgressLine progress(ShowsProgress(parser));
    auto session = OpenAndCompare(primary, secondary, settings, &progress);
    CompareReport report = MakeCompareReport(*session, settings.showHidden);

    const QString format = parser.Format();
    QByteArray bytes = format == QLatin1String("json")   ? CompareAsJson(report)
                       : format == QLatin1String("html") ? CompareAsHtml(report)
                                                         : CompareAsText(report);
    WriteOutput(parser.Value(QStringLiteral("output")), bytes);
    return report.AllEqual() ? ExitEqual : ExitDifferent;
}

} // namespace vantor::cli
