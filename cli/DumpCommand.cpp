#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "cli/CompareSession.h"
#include "cli/Credentials.h"
#include "engine/SchemaDump.h"
#include "model/Error.h"

#include <QFileInfo>
#include <optional>

namespace vantor::cli {

namespace {

// The reason without the file's name: git hands a converter a temporary copy whose name changes
// from run to run, and the line must not differ when the reason does not.
QString reasonWithoutName(QString reason, const QString& path) {
    const QString base = QFileInfo(path).fileName();
    for (const QString& name : {path, QFileInfo(path).absoluteFilePath(), base})
        if (!name.isEmpty())
            reason.remove(QStringLiteral(" '%1'").arg(name));
    return reason.simplified();
}

SchemaDumpPieces dumpOf(const CommandParser& parser, const QString& path) {
    const CompareSettings settings = CompareSettingsOf(parser);
    DatabaseLogin login = ReadLogin(parser, path, QString(), QStringLiteral("database"));
    auto source = OpenDatabase(login);
    try {
        return SchemaDumpPieces(*source, settings);
    } catch (const Error& e) {
        throw CliError(QStringLiteral("Unable to load schemas. ") + e.description());
    }
}

void writeDump(const QString& output, const SchemaDumpPieces& dump) {
    WriteOutputInPieces(output, [&dump](const OutputPieceWriter& write) { dump.WriteTo(write); });
}

} // namespace

int DumpCommand(const QStringList& args) {
    CommandParser parser(
        QStringLiteral("dump"), QStringLiteral("DATABASE [options]"),
        QStringLiteral(
            "Prints the schema of a database (.mdb, .accdb or a .json snapshot) as text made for\n"
            "version control: each kind of object in a section of its own, objects sorted by "
            "name,\ncolumns in their table's order, one setting per line. Nothing in it changes "
            "when the\nschema does not: the same schema in two file formats prints the same "
            "text. System\ntables and hidden queries are left out unless --show-hidden is given; "
            "passwords in\nconnect strings are shown as ***.\nAs git's converter for Access files "
            "(see 'vantor-cli git-setup'), --textconv prints a\nfile it cannot read as one line "
            "saying why, and exits 0, so that git log -p goes on."));
    parser.AddOption(QStringLiteral("textconv"),
                     QStringLiteral("A file that cannot be read prints one line saying why, and "
                                    "the exit code is 0."));
    AddOutputOption(parser);
    parser.AddOneSideLogin();
    AddSelectionOptions(parser);
    if (!parser.Parse(args, 1))
        return ExitEqual;

    const QString path = parser.Positionals().first();
    RefuseHarmfulOutput(parser.Value(QStringLiteral("output")),
                        {{QStringLiteral("database"), path}});
    const QString output = parser.Value(QStringLiteral("output"));
    if (!parser.IsSet(QStringLiteral("textconv"))) {
        writeDump(output, dumpOf(parser, path));
        return ExitEqual;
    }
    std::optional<SchemaDumpPieces> dump;
    QByteArray whyNot;
    try {
        dump.emplace(dumpOf(parser, path));
    } catch (const UsageError&) {
        throw;
    } catch (const std::exception& e) {
        whyNot = QStringLiteral("(Vantor cannot show this database's schema: %1)\n")
                     .arg(reasonWithoutName(DescriptionOf(e), path))
                     .toUtf8();
    }
    if (dump)
        writeDump(output, *dump);
    else
        WriteOutput(output, whyNot);
    return ExitEqual;
}

} // namespace vantor::cli
