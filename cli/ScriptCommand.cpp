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
        QStringLiteral("Writes the SQL script that brings the target database in line with the "
                       "other one: CREATE for what\nthe target lacks, DROP for its surplus, ALTER "
                       "TABLE for a differing table, DROP VIEW and CREATE VIEW\nfor a differing "
                       "view; lines end in CR LF and each batch ends with a GO line. Objects that "
                       "no\nscript can bring in line are noted on stderr."));
    AddTargetOption(parser);
    parser.AddOption(QStringLiteral("object"),
                     QStringLiteral("Script only the table or view of this name."),
                     QStringLiteral("NAME"));
    AddOutputOption(parser);
    AddQuietOption(parser);
    parser.AddTwoSideLogins();
    if (!parser.Parse(args, 2))
        return ExitEqual;
    const Side target = TargetSide(parser);

    const QStringList paths = parser.Positionals();
    DatabaseLogin primary =
        ReadLogin(parser, paths[0], QStringLiteral("primary-"), QStringLiteral("primary"));
    DatabaseLogin secondary =
        ReadLogin(parser, paths[1], QStringLiteral("secondary-"), QStringLiteral("secondary"));
    ProgressLine progress(ShowsProgress(parser));
    auto session = OpenAndCompare(primary, secondary, &progress);
    SyncScript script;
    try {
        script = BuildSyncScript(*session->diff(), target, parser.Value(QStringLiteral("object")));
    } catch (const Error& e) {
        throw CliError(e.description());
    }
    for (const SyncNote& note : script.notes)
        PrintError(QStringLiteral("note: ") + note.text());
    WriteOutput(parser.Value(QStringLiteral("output")), script.Text().toUtf8());
    return ExitEqual;
}

} // namespace vantor::cli
