// Saved queries written by Vantor into real Access files: every saved query of both shared
// folders, created by a proven run of the statement a sync script holds for it on a copy of an
// empty file of the same format, reads back through Vantor's reader with the same SQL and through
// Jackcess with the same meaning; what the writer refuses leaves the file as it was; and a script
// of views and procedures runs end to end through vantor-cli, proven by the run itself.
#include "engine/SchemaDdl.h"
#include "engine/SqlText.h"
#include "engine/access/ReaderProcess.h"
#include "engine/access/writer/JetWriter.h"
#include "engine/snapshot/JetDdl.h"
#include "model/Error.h"
#include "script/AccessScriptRun.h"
#include "script/BatchRunner.h"
#include "tests/access/AccessTestFiles.h"
#include "tests/support/ErrorOf.h"
#include "tests/support/Jackcess.h"
#include "tests/support/QtPrinters.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace vantor;
using namespace vantor::test;

namespace {

QString copyOf(const QTemporaryDir& dir, const QString& path, const QString& as) {
    const QString target = dir.filePath(as);
    QFile::remove(target);
    if (!QFile::copy(path, target))
        return QString();
    QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
    return target;
}

// An empty database in the format of the given file.
QString emptyLike(const QString& path) {
    if (path.endsWith(QLatin1String(".mdb")))
        return SharedAccessFile(QStringLiteral("empty2003.mdb"));
    return SharedAccessFile(path.contains(QLatin1String("2007"))
                                ? QStringLiteral("empty2007.accdb")
                                : QStringLiteral("empty2010.accdb"));
}

// The statement a sync script holds for a view: CREATE VIEW without the GO that ends its batch.
QString createViewStatement(const View& view) {
    QString text = CreateViewText(view);
    text.chop(QStringLiteral("\r\nGO").size());
    return text;
}

// A query's SQL as Jackcess prints it, spaced and bracketed alike: Jackcess writes its own
// text from the rows, so equal rows read equal and the spelling of names does not count.
QString jackcessMeaning(QString sql) {
    static const QRegularExpression kBlanks(QStringLiteral("\\s+"));
    return sql.remove(u'[').remove(u']').replace(kBlanks, QStringLiteral(" ")).trimmed();
}

QMap<QString, QPair<QString, QString>> jackcessQueries(const QJsonObject& schema) {
    QMap<QString, QPair<QString, QString>> out;
    for (const QJsonValue& q : schema.value("queries").toArray()) {
        const QJsonObject o = q.toObject();
        out.insert(o.value("name").toString(),
                   {o.value("type").toString(), jackcessMeaning(o.value("sql").toString())});
    }
    return out;
}

QString parameterText(const QList<QueryParameter>& parameters) {
    QStringList out;
    for (const QueryParameter& p : parameters)
        out << p.name + ' ' + p.type;
    return out.join(", ");
}

} // namespace

TEST(SavedQueryRun, EverySavedQueryOfBothFoldersIsWrittenAndReadsBackTheSame) {
    if (SharedAccessDir().isEmpty())
        GTEST_SKIP() << "skipped: ../shared/testdata/access is absent";
    QTemporaryDir dir;
    int written = 0;
    int inexpressible = 0;
    for (const RealAccessFile& file : SharedAccessFiles()) {
        if (!file.password.isEmpty())
            continue;
        Schema source;
        try {
            source = RunAccessReader(file.path);
        } catch (const Error&) {
            continue; // the damage tests' business
        }
        if (source.views.isEmpty() && source.queries.isEmpty())
            continue;
        SCOPED_TRACE(file.path.toStdString());
        QStringList statements;
        for (const View& v : source.views)
            statements << createViewStatement(v);
        for (const Query& q : source.queries) {
            const QString text = CreateProcedureText(q);
            if (text.isEmpty())
                ++inexpressible; // union, crosstab, pass-through, data definition
            else
                statements << text;
        }
        const QString empty = emptyLike(file.path);
        const QString db =
            copyOf(dir, empty, QFileInfo(file.path).fileName() + "." + QFileInfo(empty).suffix());
        ASSERT_FALSE(db.isEmpty());
        ASSERT_FALSE(WhyFileNotWritable(db).has_value());
        for (const QString& statement : statements) {
            const std::optional<QString> why = WhyStatementNotWritable(ParseJetDdl(statement));
            ASSERT_FALSE(why.has_value()) << statement.toStdString() << "\n" << why->toStdString();
        }
        // The safe run writes them and proves the copy against the prediction before swapping.
        const AccessScriptOutcome outcome = RunScriptOnAccess(
            TextLineSource(statements.join("\r\nGO\r\n") + "\r\n"), db, DefaultAccessRunOptions());
        ASSERT_TRUE(outcome.run.Succeeded())
            << (outcome.run.failure ? outcome.run.failure->description : QString()).toStdString();
        written += static_cast<int>(statements.size());
        QFile::remove(outcome.backup);

        // Vantor's reader: the same views and queries, word for word.
        const Schema back = RunAccessReader(db);
        for (const View& v : source.views) {
            const View* made = back.findView(v.name);
            ASSERT_NE(made, nullptr) << v.name.toStdString();
            EXPECT_EQ(made->definition, v.definition) << v.name.toStdString();
        }
        for (const Query& q : source.queries) {
            if (CreateProcedureText(q).isEmpty()) {
                EXPECT_EQ(back.findQuery(q.name), nullptr);
                continue;
            }
            const Query* made = back.findQuery(q.name);
            ASSERT_NE(made, nullptr) << q.name.toStdString();
            EXPECT_EQ(made->kind, q.kind) << q.name.toStdString();
            EXPECT_EQ(made->sql, q.sql) << q.name.toStdString();
            EXPECT_EQ(parameterText(made->parameters), parameterText(q.parameters));
        }
        EXPECT_EQ(back.tables.size(), RunAccessReader(empty).tables.size());

        // Jackcess, which shares no code with Vantor, reads the same kind and SQL.
        const std::optional<QJsonObject> before = JackcessSchema(file.path);
        if (!before)
            continue; // Jackcess cannot run here, or cannot read this older file
        const std::optional<QJsonObject> after = JackcessSchema(db);
        ASSERT_TRUE(after.has_value()) << "Jackcess cannot read the written file";
        const auto original = jackcessQueries(*before);
        const auto made = jackcessQueries(*after);
        for (auto it = made.begin(); it != made.end(); ++it) {
            ASSERT_TRUE(original.contains(it.key())) << it.key().toStdString();
            EXPECT_EQ(it.value(), original.value(it.key())) << it.key().toStdString();
        }
        EXPECT_EQ(made.size(), statements.size());
        QString complaint;
        EXPECT_TRUE(JackcessOutput("IndexCheck", {"--system", db}, &complaint).has_value())
            << complaint.toStdString();
    }
    if (written == 0)
        GTEST_SKIP() << "skipped: no shared file with saved queries";
    EXPECT_GE(written, 40);
    EXPECT_GE(inexpressible, 8);
}

namespace {

// The rows of a system table that name an object, as libmdb's exporter reads them.
int rowsNaming(const QString& db, const QString& table, qint32 id) {
    QProcess exporter;
    exporter.start("mdb-export", {db, table});
    if (!exporter.waitForFinished(60000) || exporter.exitCode() != 0)
        return -1;
    int count = 0;
    for (const QString& line : QString::fromUtf8(exporter.readAllStandardOutput()).split('\n'))
        if (line.startsWith(QString::number(id) + ','))
            ++count;
    return count;
}

// The catalog id of a named object, as libmdb's exporter reads MSysObjects; 0 when none.
qint32 objectId(const QString& db, const QString& name) {
    QProcess exporter;
    exporter.start("mdb-export", {db, "MSysObjects"});
    if (!exporter.waitForFinished(60000))
        return 0;
    for (const QString& line : QString::fromUtf8(exporter.readAllStandardOutput()).split('\n')) {
        const QStringList fields = line.split(',');
        if (fields.size() > 2 && fields[2] == '"' + name + '"')
            return fields[0].toInt();
    }
    return 0;
}

} // namespace

// Statements the writer cannot carry out, whether Jet would refuse them too or Vantor cannot
// store the query exactly, fail with the reason and leave every byte of the file as it was.
TEST(SavedQueryRun, RefusedStatementsLeaveTheFileAsItWas) {
    struct Case {
        const char* statement;
        const char* reason;
    };
    const Case cases[] = {
        {"CREATE VIEW [Table1] AS SELECT col1 FROM Table2", "Table 'Table1' already exists."},
        {"CREATE PROCEDURE [selectquery] AS DELETE * FROM Table1",
         "Table 'SelectQuery' already exists."},
        {"CREATE VIEW [Both] AS SELECT col1 FROM Table1 UNION SELECT col1 FROM Table2",
         "Only simple SELECT queries are allowed in VIEWS."},
        {"CREATE VIEW [Copy] AS SELECT col1 INTO Table9 FROM Table1",
         "Only simple SELECT queries are allowed in VIEWS."},
        {"CREATE PROCEDURE [Nothing] AS SELECT FROM", "would read back as"},
        {"CREATE PROCEDURE [Lost] AS INSERT INTO Table1 ( col1, col2 ) SELECT col1 FROM Table2",
         "targets col1,col2"},
        {"CREATE VIEW [Long] AS SELECT col1 FROM Table1 WHERE col1 = 'LONG'", "more than about"},
        {"DROP VIEW [UpdateQuery]", "View 'UpdateQuery' does not exist."},
        {"DROP PROCEDURE [Table1]", "Procedure 'Table1' does not exist."},
        {"DROP VIEW [Table1]", "View 'Table1' does not exist."},
        {"DROP PROCEDURE [Nowhere]", "Procedure 'Nowhere' does not exist."},
    };
    QTemporaryDir dir;
    for (const QString name : {"queryTestV2003.mdb", "queryTestV2010.accdb"}) {
        REQUIRE_SHARED_FILE(path, name);
        SCOPED_TRACE(name.toStdString());
        const QString db = copyOf(dir, path, name);
        ASSERT_FALSE(WhyFileNotWritable(db).has_value());
        const QByteArray before = FileBytes(db);
        for (const Case& c : cases) {
            QString statement = QString::fromLatin1(c.statement);
            statement.replace("'LONG'", '\'' + QString(3000, u'x') + '\'');
            SCOPED_TRACE(c.statement);
            const Error e = ErrorOf([&] {
                std::unique_ptr<JetFileWriter> writer = JetFileWriter::Open(db);
                writer->Apply(ParseJetDdl(statement));
                writer->Flush();
            });
            EXPECT_TRUE(e.description().contains(QLatin1String(c.reason)))
                << e.description().toStdString();
            ASSERT_EQ(FileBytes(db), before);
        }
    }
}

// Dropping a view or a procedure takes its catalog row, its definition rows and its permissions
// with it, leaves the other saved queries alone, and frees its name for a new one.
TEST(SavedQueryRun, DroppedQueriesLeaveNothingBehind) {
    QTemporaryDir dir;
    for (const QString name : {"queryTestV2003.mdb", "queryTestV2010.accdb"}) {
        REQUIRE_SHARED_FILE(path, name);
        SCOPED_TRACE(name.toStdString());
        const QString db = copyOf(dir, path, name);
        const Schema before = RunAccessReader(db);
        const View* select = before.findView("SelectQuery");
        const Query* update = before.findQuery("UpdateQuery");
        ASSERT_NE(select, nullptr);
        ASSERT_NE(update, nullptr);
        const qint32 selectId = objectId(db, "SelectQuery");
        const qint32 updateId = objectId(db, "UpdateQuery");
        ASSERT_LT(selectId, 0);
        ASSERT_LT(updateId, 0);
        ASSERT_GT(rowsNaming(db, "MSysACEs", selectId), 0);
        {
            std::unique_ptr<JetFileWriter> writer = JetFileWriter::Open(db);
            writer->Apply(ParseJetDdl("DROP VIEW [SelectQuery]"));
            writer->Apply(ParseJetDdl("DROP PROCEDURE [updatequery]"));
            writer->Flush();
        }
        // The reader refuses a file whose MSysQueries holds rows of an object it lacks.
        const Schema dropped = RunAccessReader(db);
        EXPECT_EQ(dropped.findView("SelectQuery"), nullptr);
        EXPECT_EQ(dropped.findQuery("UpdateQuery"), nullptr);
        EXPECT_EQ(dropped.queries.size(), before.queries.size() - 1);
        for (const Query& q : dropped.queries) {
            const Query* was = before.findQuery(q.name);
            ASSERT_NE(was, nullptr) << q.name.toStdString();
            EXPECT_EQ(q.sql, was->sql) << q.name.toStdString();
        }
        for (qint32 id : {selectId, updateId}) {
            EXPECT_EQ(rowsNaming(db, "MSysQueries", id), 0) << id;
            EXPECT_EQ(rowsNaming(db, "MSysACEs", id), 0) << id;
            EXPECT_EQ(rowsNaming(db, "MSysObjects", id), 0) << id;
        }

        // The same statements a sync script would hold bring both back as they were.
        {
            std::unique_ptr<JetFileWriter> writer = JetFileWriter::Open(db);
            writer->Apply(ParseJetDdl(createViewStatement(*select)));
            writer->Apply(ParseJetDdl(CreateProcedureText(*update)));
            writer->Flush();
        }
        const Schema again = RunAccessReader(db);
        ASSERT_NE(again.findView("SelectQuery"), nullptr);
        EXPECT_EQ(again.findView("SelectQuery")->definition, select->definition);
        ASSERT_NE(again.findQuery("UpdateQuery"), nullptr);
        EXPECT_EQ(again.findQuery("UpdateQuery")->sql, update->sql);
        EXPECT_EQ(rowsNaming(db, "MSysACEs", objectId(db, "SelectQuery")),
                  rowsNaming(path, "MSysACEs", selectId));
        QString complaint;
        if (!WhyJackcessMissing()) {
            EXPECT_TRUE(JackcessOutput("IndexCheck", {"--system", db}, &complaint).has_value())
                << complaint.toStdString();
        }
    }
}

// A hand-written script of views and procedures, end to end through the program users run: the
// run proves the copy against the SQL Access will show for each query, then swaps it in.
TEST(SavedQueryRun, AScriptOfViewsAndProceduresRunsThroughTheCli) {
    REQUIRE_SHARED_FILE(path, "testV2003.mdb");
    QTemporaryDir dir;
    const QString db = copyOf(dir, path, "target.mdb");
    const QString cliPath = QDir(BinaryDir()).filePath("bin/vantor-cli");

    // A script with a query the writer cannot store is refused whole, before anything is written.
    const QByteArray original = FileBytes(db);
    const QString refused = WriteFile(
        dir, "refused.sql",
        "CREATE VIEW [Fine] AS SELECT A FROM Table1\r\nGO\r\n"
        "CREATE VIEW [Both] AS SELECT A FROM Table1 UNION SELECT column1 FROM Table2\r\n");
    QProcess refusing;
    refusing.start(cliPath, {"run", refused, "--on", db});
    ASSERT_TRUE(refusing.waitForFinished(300000));
    EXPECT_NE(refusing.exitCode(), 0);
    EXPECT_TRUE(QString::fromUtf8(refusing.readAllStandardError())
                    .contains("Only simple SELECT queries are allowed in VIEWS."));
    EXPECT_EQ(FileBytes(db), original);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2); // db, script

    const QString script = WriteFile(
        dir, "queries.sql",
        "CREATE VIEW [Wide] AS SELECT A, B FROM Table1 WHERE C > 3 ORDER BY A DESC\r\nGO\r\n"
        "CREATE PROCEDURE [Everything] AS SELECT * FROM Table1\r\nGO\r\n"
        "CREATE PROCEDURE [Bump] ([Step] Long, [Who] Text(20)) AS UPDATE Table1 SET E = E + "
        "[Step] WHERE A = [Who]\r\nGO\r\n"
        "CREATE PROCEDURE [Keep] AS INSERT INTO Table2 ( column1 ) SELECT A FROM Table1\r\nGO\r\n"
        "CREATE VIEW [Gone] AS SELECT A FROM Table1\r\nGO\r\n"
        "CREATE PROCEDURE [Brief] AS SELECT A FROM Table1\r\nGO\r\n"
        "DROP PROCEDURE [Brief]\r\nGO\r\n"
        "CREATE PROCEDURE [Brief] AS SELECT B FROM Table1\r\nGO\r\n"
        "DROP VIEW [Gone]\r\n");
    QProcess cli;
    cli.start(cliPath, {"run", script, "--on", db});
    ASSERT_TRUE(cli.waitForFinished(300000));
    ASSERT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString()
                                 << cli.readAllStandardOutput().toStdString();

    const Schema after = RunAccessReader(db);
    const View* wide = after.findView("Wide");
    ASSERT_NE(wide, nullptr);
    EXPECT_EQ(wide->definition,
              "SELECT A, B\r\nFROM Table1\r\nWHERE C > 3\r\nORDER BY A DESC;\r\n");
    // A select procedure without parameters is what Access and the reader call a view.
    const View* everything = after.findView("Everything");
    ASSERT_NE(everything, nullptr);
    EXPECT_EQ(everything->definition, "SELECT *\r\nFROM Table1;\r\n");
    const Query* bump = after.findQuery("Bump");
    ASSERT_NE(bump, nullptr);
    EXPECT_EQ(bump->kind, QueryKind::Update);
    EXPECT_EQ(bump->sql, "PARAMETERS Step Long, Who Text ( 20 );\r\nUPDATE Table1 SET E = E + "
                         "[Step]\r\nWHERE A = [Who];\r\n");
    const Query* keep = after.findQuery("Keep");
    ASSERT_NE(keep, nullptr);
    EXPECT_EQ(keep->kind, QueryKind::Append);
    EXPECT_EQ(after.findView("Gone"), nullptr);
    // Created, dropped and created again as a procedure, it reads back as its last form.
    const View* brief = after.findView("Brief");
    ASSERT_NE(brief, nullptr);
    EXPECT_EQ(brief->definition, "SELECT B\r\nFROM Table1;\r\n");

    const std::optional<QJsonObject> jackcess = JackcessSchema(db);
    if (!jackcess)
        return; // Jackcess cannot run here
    const auto queries = jackcessQueries(*jackcess);
    EXPECT_EQ(queries.value("Wide").first, "SELECT");
    EXPECT_EQ(queries.value("Bump").first, "UPDATE");
    EXPECT_EQ(queries.value("Keep").first, "APPEND");
    EXPECT_EQ(queries.value("Wide").second, "SELECT A, B FROM Table1 WHERE C > 3 ORDER BY A DESC;");
    EXPECT_FALSE(queries.contains("Gone"));
}

// Queries created and dropped by turns leave room on earlier pages of MSysQueries; a query
// written after that still reads back clause by clause in its order.
TEST(SavedQueryRun, QueriesWrittenIntoReusedRoomReadBackInOrder) {
    REQUIRE_SHARED_FILE(path, "empty2010.accdb");
    QTemporaryDir dir;
    const QString db = copyOf(dir, path, "churn.accdb");
    auto viewText = [](int n) {
        QStringList outputs;
        for (int c = 0; c < 12; ++c)
            outputs << QStringLiteral("T%1.Column%2 AS Alias%2").arg(n).arg(c);
        return QStringLiteral("SELECT %1\r\nFROM T%2\r\nWHERE T%2.Column1 > %2\r\nORDER BY "
                              "T%2.Column3;\r\n")
            .arg(outputs.join(", "))
            .arg(n);
    };
    QMap<QString, QString> expected;
    {
        std::unique_ptr<JetFileWriter> writer = JetFileWriter::Open(db);
        auto create = [&](int n) {
            const QString name = QStringLiteral("View%1").arg(n);
            writer->Apply(ParseJetDdl("CREATE VIEW [" + name + "] AS\r\n" + viewText(n)));
            expected.insert(name, viewText(n));
        };
        for (int n = 0; n < 40; ++n)
            ASSERT_NO_THROW(create(n)) << n;
        for (int n = 0; n < 40; n += 2) {
            writer->Apply(ParseJetDdl(QStringLiteral("DROP VIEW [View%1]").arg(n)));
            expected.remove(QStringLiteral("View%1").arg(n));
        }
        for (int n = 40; n < 70; ++n)
            ASSERT_NO_THROW(create(n)) << n;
        writer->Flush();
    }
    const Schema back = RunAccessReader(db);
    EXPECT_EQ(back.views.size(), expected.size());
    for (auto it = expected.begin(); it != expected.end(); ++it) {
        const View* v = back.findView(it.key());
        ASSERT_NE(v, nullptr) << it.key().toStdString();
        EXPECT_EQ(v->definition, it.value()) << it.key().toStdString();
    }
    const std::optional<QJsonObject> jackcess = JackcessSchema(db);
    if (!jackcess)
        return; // Jackcess cannot run here
    const auto queries = jackcessQueries(*jackcess);
    EXPECT_EQ(queries.size(), expected.size());
    for (auto it = expected.begin(); it != expected.end(); ++it)
        EXPECT_EQ(queries.value(it.key()).second, jackcessMeaning(it.value()))
            << it.key().toStdString();
    QString complaint;
    EXPECT_TRUE(JackcessOutput("IndexCheck", {"--system", db}, &complaint).has_value())
        << complaint.toStdString();
}
