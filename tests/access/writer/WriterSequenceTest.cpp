// Seeded random sequences of Jet DDL statements applied side by side to a copy of a real file,
// through the writer, and to its schema, through the interpreter that predicts what a script
// makes: after every step both succeed or both fail, the file reads back as the prediction with
// the untouched tables' rows as they were, and Jackcess, which shares no code with either, agrees
// at the checkpoints. VANTOR_SEQUENCE_SEED and VANTOR_SEQUENCE_STEPS replay or lengthen a run;
// VANTOR_SEQUENCE_JACKCESS=off leaves Jackcess out of long hunts.
#include "engine/access/ScriptRunProof.h"
#include "engine/access/reader/MdbSchemaReader.h"
#include "engine/access/reader/RowDigest.h"
#include "engine/access/writer/JetWriter.h"
#include "engine/snapshot/JetDdl.h"
#include "model/Error.h"
#include "tests/access/AccessTestFiles.h"
#include "tests/access/writer/RandomStatements.h"
#include "tests/access/writer/SchemaShape.h"
#include "tests/access/writer/WriterTestFiles.h"
#include "tests/support/Jackcess.h"
#include "tests/support/QtPrinters.h"

#include <QMap>
#include <cstdio>
#include <gtest/gtest.h>

namespace vantor {
namespace {

using test::RandomStatement;

// Refusals that depend on the rows, which a schema alone cannot foresee.
const char* const kRowRefusals[] = {"duplicate values", "cannot contain a Null value"};

int environmentNumber(const char* name, int fallback) {
    bool ok = false;
    const int value = qEnvironmentVariableIntValue(name, &ok);
    return ok ? value : fallback;
}

struct Tally {
    QMap<QString, int> ran, refusedByBoth, refusedForRows, notWritable, refusedLate;
    QStringList notes; // refusals worded otherwise by the two, and the writer's own limits

    void print(const QString& file, quint32 seed) const {
        std::printf("sequence on %s, seed %u:\n", qPrintable(file), seed);
        QSet<QString> kinds;
        for (const auto* counts :
             {&ran, &refusedByBoth, &refusedForRows, &notWritable, &refusedLate})
            for (auto it = counts->begin(); it != counts->end(); ++it)
                kinds.insert(it.key());
        QStringList sorted = kinds.values();
        sorted.sort();
        for (const QString& kind : sorted)
            std::printf("  %-28s ran %3d, refused by both %3d, for rows %3d, not writable %3d, "
                        "refused by the writer %3d\n",
                        qPrintable(kind), ran.value(kind), refusedByBoth.value(kind),
                        refusedForRows.value(kind), notWritable.value(kind),
                        refusedLate.value(kind));
        for (const QString& note : notes)
            std::printf("  %s\n", qPrintable(note));
    }
};

// The copy, what the interpreter predicts for it and what the file held at the start.
class Sequence {
public:
    Sequence(const QString& path, quint32 seed) : path_(path), seed_(seed), random_(seed) {
        predicted_ = ReadMdbSchema(path);
        original_ = predicted_;
        rowsBefore_ = DigestMdbRows(path);
        for (const TableRowDigest& d : rowsBefore_)
            if (d.rows > 0)
                withRows_.insert(FoldKey(d.table));
    }

    // Runs one random statement both ways; false, after reporting it, when they part.
    bool step(int number) {
        const RandomStatement statement = random_.Next(predicted_, withRows_);
        where_ = QStringLiteral("seed %1, step %2: %3").arg(seed_).arg(number).arg(statement.sql);
        DdlStatement parsed;
        try {
            parsed = ParseJetDdl(statement.sql);
        } catch (const Error& e) {
            ADD_FAILURE() << where_.toStdString()
                          << "\nthe parser refuses it: " << e.description().toStdString();
            return false;
        }
        if (WhyStatementNotWritable(parsed)) {
            ++tally_.notWritable[statement.kind];
            return true;
        }
        const QByteArray before = test::FileBytes(path_);
        const std::optional<QString> written = writerError(parsed);
        Schema next = predicted_;
        std::optional<QString> predicted;
        try {
            ApplyJetDdl(next, statement.sql);
        } catch (const Error& e) {
            predicted = e.description();
        }
        if (written && !predicted && writerMayRefuse(*written, parsed, statement.kind)) {
            EXPECT_EQ(test::FileBytes(path_), before) << where_.toStdString();
            return !::testing::Test::HasFailure();
        }
        if (written.has_value() != predicted.has_value()) {
            ADD_FAILURE() << where_.toStdString()
                          << "\nwriter: " << written.value_or("done").toStdString()
                          << "\ninterpreter: " << predicted.value_or("done").toStdString();
            return false;
        }
        if (written) {
            ++tally_.refusedByBoth[statement.kind];
            // Both refuse; which of two faults Jet names first is not known for every pair.
            if (*written != *predicted)
                tally_.notes << where_ + "\n    writer: " + *written +
                                    "\n    interpreter: " + *predicted;
            EXPECT_EQ(test::FileBytes(path_), before)
                << where_.toStdString() << "\na refused statement changed the file";
            return !::testing::Test::HasFailure();
        }
        ++tally_.ran[statement.kind];
        predicted_ = next;
        done_ << parsed;
        ranSql_ << AccessBatch{statement.sql, QString()};
        return readsAsPredicted();
    }

    // Vantor's reader finds the predicted schema, saved queries as the file stores them, and the
    // rows where they were.
    bool readsAsPredicted() {
        const Schema stored = PredictedSchema(original_, ranSql_, qint32(ranSql_.size()));
        const QStringList differences = WhatDiffers(
            stored, ReadMdbSchema(path_), RowEffectsOf(done_), rowsBefore_, DigestMdbRows(path_));
        EXPECT_TRUE(differences.isEmpty()) << where_.toStdString() << "\n"
                                           << differences.join('\n').toStdString();
        return differences.isEmpty();
    }

    // Jackcess reads the predicted schema (apart from what it read otherwise than Vantor in the
    // original already), the untouched tables' rows as they were and every index whole.
    void checkWithJackcess(const QSet<QString>& readOtherwiseAtStart,
                           const QMap<QString, test::JackcessRows>& rowsAtStart) {
        const std::optional<QJsonObject> schema = test::JackcessSchema(path_);
        ASSERT_TRUE(schema.has_value())
            << "Jackcess cannot read the file after " << where_.toStdString();
        const QSet<QString> jackcess = test::ShapeOf(*schema);
        const QSet<QString> vantor = test::ShapeOf(predicted_);
        for (const QString& line : (jackcess - vantor) + (vantor - jackcess))
            EXPECT_TRUE(readOtherwiseAtStart.contains(line))
                << (jackcess.contains(line) ? "only Jackcess reads: " : "Jackcess does not read: ")
                << line.toStdString() << "\nafter " << where_.toStdString();
        const auto rows = test::JackcessRowDigests(path_);
        ASSERT_TRUE(rows.has_value())
            << "Jackcess cannot read the rows after " << where_.toStdString();
        const RowEffects effects = RowEffectsOf(done_);
        for (auto it = rowsAtStart.begin(); it != rowsAtStart.end(); ++it) {
            if (!predicted_.findTable(it.key()))
                continue;
            if (effects.changed.contains(FoldKey(it.key())))
                EXPECT_EQ(rows->value(it.key()).rows, it.value().rows) << it.key().toStdString();
            else
                EXPECT_EQ(rows->value(it.key()), it.value()) << it.key().toStdString();
        }
        QString complaint;
        EXPECT_TRUE(test::JackcessOutput("IndexCheck", {path_}, &complaint).has_value())
            << "an index misses rows after " << where_.toStdString() << ": "
            << complaint.toStdString();
    }

    const Schema& predicted() const { return predicted_; }
    const Tally& tally() const { return tally_; }

private:
    std::optional<QString> writerError(const DdlStatement& parsed) {
        try {
            std::unique_ptr<JetFileWriter> writer = JetFileWriter::Open(path_);
            writer->Apply(parsed);
            writer->Flush();
        } catch (const Error& e) {
            return e.description();
        }
        return std::nullopt;
    }

    // The writer refusing what the interpreter ran is sound only for a refusal that depends on
    // rows the table holds, or for a statement it says it cannot write yet.
    bool writerMayRefuse(const QString& error, const DdlStatement& parsed, const QString& kind) {
        if (error.startsWith(QLatin1String("Vantor "))) {
            ++tally_.refusedLate[kind];
            tally_.notes << where_ + "\n    writer: " + error;
            return true;
        }
        const auto* index = std::get_if<CreateIndexStmt>(&parsed);
        const QString table = index ? index->table : QString();
        for (const char* words : kRowRefusals)
            if (error.contains(QLatin1String(words)) && withRows_.contains(FoldKey(table))) {
                ++tally_.refusedForRows[kind];
                tally_.notes << where_ + "\n    writer: " + error;
                return true;
            }
        return false;
    }

    QString path_;
    quint32 seed_;
    test::RandomStatements random_;
    Schema predicted_;
    Schema original_;
    QList<TableRowDigest> rowsBefore_;
    QSet<QString> withRows_;
    QList<DdlStatement> done_;
    QList<AccessBatch> ranSql_;
    Tally tally_;
    QString where_ = QStringLiteral("the start");
};

struct SequenceFile {
    const char* folder; // "access" or "access-more"
    const char* name;
};

void PrintTo(const SequenceFile& file, std::ostream* out) {
    *out << file.folder << '/' << file.name;
}

class WriterSequence : public ::testing::TestWithParam<SequenceFile> {};

TEST_P(WriterSequence, WriterAndInterpreterAgreeAtEveryStep) {
    const SequenceFile& file = GetParam();
    const QString folder = QLatin1String(file.folder) == QLatin1String("access")
                               ? test::SharedAccessDir()
                               : test::SharedAccessMoreDir();
    if (folder.isEmpty())
        GTEST_SKIP() << "skipped: ../shared/testdata/" << file.folder << " is absent";
    const QString original = QDir(folder).absoluteFilePath(file.name);
    ASSERT_TRUE(QFile::exists(original)) << original.toStdString();
    ASSERT_FALSE(WhyFileNotWritable(original).has_value()) << file.name;
    const auto seed = quint32(
        environmentNumber("VANTOR_SEQUENCE_SEED", int(qHash(QLatin1String(file.name)) & 0xffff)));
    const int steps = environmentNumber("VANTOR_SEQUENCE_STEPS", 40);
    std::printf("replay with VANTOR_SEQUENCE_SEED=%u VANTOR_SEQUENCE_STEPS=%d\n", seed, steps);

    QTemporaryDir dir;
    const QString path = test::CopyToTemp(dir, original);
    ASSERT_FALSE(path.isEmpty());
    Sequence sequence(path, seed);
    // Long hunts for disagreements may leave the slow second reader out.
    const bool jackcess = !test::WhyJackcessMissing().has_value() &&
                          qEnvironmentVariable("VANTOR_SEQUENCE_JACKCESS") != "off";
    QSet<QString> readOtherwise;
    QMap<QString, test::JackcessRows> rowsAtStart;
    if (jackcess) {
        const std::optional<QJsonObject> schema = test::JackcessSchema(path);
        const auto rows = test::JackcessRowDigests(path);
        ASSERT_TRUE(schema && rows) << "Jackcess cannot read " << file.name;
        const QSet<QString> a = test::ShapeOf(*schema), b = test::ShapeOf(sequence.predicted());
        readOtherwise = (a - b) + (b - a);
        rowsAtStart = *rows;
    }
    for (int n = 1; n <= steps; ++n) {
        if (!sequence.step(n))
            break;
        if (jackcess && (n == steps / 2 || n == steps))
            sequence.checkWithJackcess(readOtherwise, rowsAtStart);
    }
    sequence.tally().print(file.name, seed);
}

INSTANTIATE_TEST_SUITE_P(
    RealFiles, WriterSequence,
    ::testing::Values(SequenceFile{"access", "indexTestV2000.mdb"},
                      SequenceFile{"access", "testV2010.accdb"},
                      SequenceFile{"access-more", "accessLike.mdb"},
                      SequenceFile{"access-more", "columnOrder.accdb"}),
    [](const ::testing::TestParamInfo<SequenceFile>& info) {
        return QString::fromLatin1(info.param.name).section('.', 0, 0).toStdString();
    });

} // namespace
} // namespace vantor

namespace vantor {
namespace {

// The two readings the sequences compare agree line for line on a table of every column type and
// index option the writer makes, so that a difference there is the file's and not the
// comparison's.
TEST(WriterSequenceShapes, EveryTypeReadsAlikeThroughBothReaders) {
    REQUIRE_JACKCESS();
    if (test::SharedAccessDir().isEmpty())
        GTEST_SKIP() << "skipped: ../shared/testdata/access is absent";
    for (const char* name : {"emptyJet4.mdb", "empty2010.accdb"}) {
        SCOPED_TRACE(name);
        QTemporaryDir dir;
        const QString path = test::CopyToTemp(dir, test::SharedAccessFile(name));
        ASSERT_FALSE(path.isEmpty());
        for (const char* statement :
             {"CREATE TABLE [Every] ([Id] COUNTER CONSTRAINT [Key] PRIMARY KEY, [T] TEXT(40), "
              "[M] MEMO, [B] BYTE, [S] SHORT, [L] LONG, [F] SINGLE, [D] DOUBLE, [C] CURRENCY, "
              "[N] DECIMAL(12,3), [W] DATETIME, [Y] YESNO, [O] LONGBINARY, [R] BINARY(16), "
              "[G] GUID, CONSTRAINT [Pair] UNIQUE ([T], [B]))",
              "CREATE INDEX [Down] ON [Every] ([W] DESC, [D]) WITH IGNORE NULL",
              "CREATE INDEX [Needed] ON [Every] ([L]) WITH DISALLOW NULL"}) {
            std::unique_ptr<JetFileWriter> writer = JetFileWriter::Open(path);
            writer->Apply(ParseJetDdl(statement));
            writer->Flush();
        }
        const std::optional<QJsonObject> jackcess = test::JackcessSchema(path);
        ASSERT_TRUE(jackcess.has_value());
        const QSet<QString> theirs = test::ShapeOf(*jackcess);
        const QSet<QString> ours = test::ShapeOf(ReadMdbSchema(path));
        QStringList onlyTheirs = (theirs - ours).values(), onlyOurs = (ours - theirs).values();
        onlyTheirs.sort();
        onlyOurs.sort();
        EXPECT_EQ(onlyTheirs, QStringList());
        EXPECT_EQ(onlyOurs, QStringList());
        EXPECT_TRUE(ours.contains("column Every.N decimal(12,3)"));
        EXPECT_TRUE(ours.contains("column Every.Id counter"));
        EXPECT_TRUE(ours.contains("index Every.Down (-W,+D) ---I"));
        EXPECT_TRUE(ours.contains("index Every.Needed (+L) --R-"));
        EXPECT_EQ(ours.size(), 20); // the table, 15 columns and 4 indexes
    }
}

} // namespace
} // namespace vantor
