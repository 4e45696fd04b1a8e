#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "cli/CompareSession.h"
#include "cli/Credentials.h"
#include "model/Error.h"
#include "script/SyncScript.h"

namespace vantor::cli {

int ScriptCommand(const QStringList& args) {
    CommandParser parser(
        QStringLiteral("script"), QStringLiteral("PRIMARY SECONDARY --target SIDE [options]"),
        QStringLiteral(
            "Writes the SQL script that brings the target database in line with the other one: "
            "CREATE for what\nthe target lacks, DROP for its surplus, ALTER TABLE for a differing "
            "table, DROP and CREATE for a\ndiffering view, query, index or relationship, ALTER "
            "COLUMN ... DEFAULT for a default value; lines end in\nCR LF and each batch ends with "
            "a GO line. What no script can bring in line is noted on stderr with\nthe change to "
            "make in Access. Each batch that destroys data starts with a \"-- Data loss\" line,\n"
            "the script starts with a list of them, and stderr says how many there are."));
    AddTargetOption(parser);
    parser.AddOption(QStringLiteral("object"),
                     QStringLiteral("Script only the object of this name, as compare lists it "
                                    "(e.g. Orders, Orders.PrimaryKey)."),
                     QStringLiteral("NAME"));
    AddOutputOption(parser);
    AddCompareOptions(parser);
    AddQuietOption(parser);
    parser.AddTwoSideLogins();
    if (!parser.Parse(args, 2))
        return ExitEqual;
    const Side target = TargetSide(parser);

    const QStringList paths = parser.Positionals();
    RefuseHarmfulOutput(parser.Value(QStringLiteral("output")),
                        {{QStringLiteral("primary database"), paths[0]},
                         {QStringLiteral("secondary database"), paths[1]}});
    DatabaseLogin primary =
        ReadLogin(parser, paths[0], QStringLiteral("primary-"), QStringLiteral("primary"));
    DatabaseLogin secondary =
        ReadLogin(parser, paths[1], QStringLiteral("secondary-"), QStringLiteral("secondary"));
    ProgressLine progress(ShowsProgress(parser));
    auto session = OpenAndCompare(primary, secondary, CompareSettingsOf(parser), &progress);
    SyncScript script;
    try {
        script = BuildSyncScript(*session->diff(), target, parser.Value(QStringLiteral("object")));
    } catch (const Error& e) {
        throw CliError(e.description());
    }
    for (const SyncNote& note : script.notes)
        PrintError(QStringLiteral("note: ") + note.text());
    if (!script.dataLoss.isEmpty())
        PrintError(QStringLiteral("warning: ") + script.DataLossSummary() +
                   QStringLiteral("; each is marked by a \"-- Data loss\" line."));
    WriteOutput(parser.Value(QStringLiteral("output")), script.Text().toUtf8());
    return ExitEqual;
}

} // namespace vantor::cli
