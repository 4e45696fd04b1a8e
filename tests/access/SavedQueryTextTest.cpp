// Every saved query of the shared files, pinned by its whole text: a clause lost or changed on
// the way from the stored rows shows here, whatever kind of query it is in.
#include "engine/Source.h"
#include "tests/access/AccessTestFiles.h"
#include "tests/support/QtPrinters.h"

#include <QFileInfo>
#include <gtest/gtest.h>

using namespace vantor;
using namespace vantor::test;

namespace {

const char* kGolden = "tests/access/golden/saved-queries.txt";

// Line breaks show as they are stored: CR LF as a new line, a lone one spelled out.
QString shown(const QString& sql) {
    QString text = sql;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(u'\r', QLatin1String("<CR>"));
    return text.endsWith(u'\n') ? text : text + QStringLiteral("<no line end>\n");
}

QString savedQueriesText() {
    QString out;
    for (const RealAccessFile& file : SharedAccessFiles()) {
        const QString name = QFileInfo(file.path).fileName();
        Schema schema;
        try {
            schema = OpenDatabaseFile({file.path, {}, file.password})->schema();
        } catch (const std::exception& e) {
            out += QStringLiteral("== %1: not read (%2)\n").arg(name, QString::fromUtf8(e.what()));
            continue;
        }
        for (const View& v : schema.views)
            out += QStringLiteral("== %1 / %2 (VIEW%3)\n")
                       .arg(name, v.name, v.hidden ? QStringLiteral(", hidden") : QString()) +
                   shown(v.definition);
        for (const Query& q : schema.queries)
            out += QStringLiteral("== %1 / %2 (%3%4)\n")
                       .arg(name, q.name, QueryKindName(q.kind),
                            q.hidden ? QStringLiteral(", hidden") : QString()) +
                   shown(q.sql);
    }
    return out;
}

} // namespace

// VANTOR_WRITE_GOLDEN=1 writes the text afresh, for review before it is committed.
TEST(SavedQueryText, EveryQueryOfTheSharedFilesReadsAsReviewed) {
    if (SharedAccessDir().isEmpty() || SharedAccessMoreDir().isEmpty())
        GTEST_SKIP() << "skipped: the shared folders of Access files are absent";
    const QString path = QDir(SourceDir()).absoluteFilePath(QString::fromLatin1(kGolden));
    const QString text = savedQueriesText();
    if (qEnvironmentVariableIsSet("VANTOR_WRITE_GOLDEN")) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text.toUtf8());
    }
    const QStringList expected = QString::fromUtf8(FileBytes(path)).split(u'\n');
    const QStringList actual = text.split(u'\n');
    ASSERT_GT(expected.size(), 1) << "the golden file is missing: " << path.toStdString();
    // The first line that differs, with the query it belongs to, says more than two whole texts.
    QString query;
    for (qsizetype i = 0; i < std::max(expected.size(), actual.size()); ++i) {
        if (actual.value(i).startsWith(QLatin1String("== ")))
            query = actual.value(i);
        ASSERT_EQ(actual.value(i), expected.value(i))
            << "line " << i + 1 << " in " << query.toStdString();
    }
}
