// Saved queries written by Vantor into real Access files: every saved query of both shared
// folders, created from the statement a sync script holds for it in a copy of an empty file of
// the same format, reads back through Vantor's reader with the same SQL and through Jackcess with
// the same meaning; what the writer refuses leaves the file as it was; and a script of views and
// procedures runs end to end through vantor-cli, proven by the run itself.
#include "engine/SchemaDdl.h"
#include "engine/SqlText.h"
#include "engine/access/ReaderProcess.h"
#include "engine/access/writer/JetWriter.h"
#include "engine/snapshot/JetDdl.h"
#include "model/Error.h"
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
        {
            std::unique_ptr<JetFileWriter> writer = JetFileWriter::Open(db);
            for (const QString& statement : statements) {
                SCOPED_TRACE(statement.toStdString());
                const DdlStatement parsed = ParseJetDdl(statement);
                const std::optional<QString> why = WhyStatementNotWritable(parsed);
                ASSERT_FALSE(why.has_value()) << why->toStdString();
                EXPECT_NO_THROW(writer->Apply(parsed));
                ++written;
            }
            writer->Flush();
        }

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
