#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "cli/CompareSession.h"
#include "cli/Credentials.h"
#include "engine/SnapshotJson.h"
#include "model/Error.h"

namespace vantor::cli {

int SnapshotCommand(const QStringList& args) {
    CommandParser parser(
        QStringLiteral("snapshot"), QStringLiteral("DATABASE -o FILE.json [options]"),
        QStringLiteral("Writes the schema of a database (.mdb, .accdb or a .json snapshot) as a "
                       "schema snapshot: a\n.json file that Vantor opens like any database and "
                       "that scripts can run against.\nWithout -o the snapshot goes to standard "
                       "output."));
    AddOutputOption(parser);
    parser.AddOneSideLogin();
    if (!parser.Parse(args, 1))
        return ExitEqual;

    RefuseHarmfulOutput(parser.Value(QStringLiteral("output")),
                        {{QStringLiteral("source database"), parser.Positionals().first()}});
    DatabaseLogin login =
        ReadLogin(parser, parser.Positionals().first(), QString(), QStringLiteral("source"));
    auto source = OpenDatabase(login);
    QByteArray json;
    try {
        json = WriteSnapshotJson(source->schema());
    } catch (const Error& e) {
        throw CliError(QStringLiteral("Unable to load schemas. ") + e.description());
    }
    WriteOutput(parser.Value(QStringLiteral("output")), json);
    return ExitEqual;
}

} // namespace vantor::cli
