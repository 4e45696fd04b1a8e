#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "cli/CompareSession.h"
#include "engine/Connection.h"
#include "engine/Globals.h"
#include "engine/snapshot/SnapshotExport.h"
#include "model/VantorError.h"
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
    const int target = TargetSide(parser);

    const QStringList paths = parser.Positionals();
    DatabaseLogin primary =
        ReadLogin(parser, paths[0], QStringLiteral("primary-"), QStringLiteral("primary"));
    DatabaseLogin secondary =
        ReadLogin(parser, paths[1], QStringLiteral("secondary-"), QStringLiteral("secondary"));
    ProgressScope progress(parser);
    auto engine = OpenAndCompare(primary, secondary);
    SyncScript script;
    try {
        const DbSchema targetSchema = ReadDatabaseSchema(target == 0 ? *CnPrimary : *CnSecondary);
        script =
            BuildSyncScript(*engine, target, parser.Value(QStringLiteral("object")), &targetSchema);
    } catch (const VantorError& e) {
        throw CliError(e.Description());
    }
    for (const QString& note : script.notes)
        PrintError(QStringLiteral("note: ") + note);
    WriteOutput(parser.Value(QStringLiteral("output")), script.Text().toUtf8());
    return ExitEqual;
}

} // namespace vantor::cli
