#include "engine/access/reader/ApplyRun.h"

#include "engine/access/ReaderProtocol.h"
#include "engine/access/WriterProtocol.h"
#include "model/Error.h"
#include "tests/support/ErrorOf.h"
#include "tests/support/QtPrinters.h"

#include <QTemporaryFile>
#include <gtest/gtest.h>

using namespace vantor;
using namespace vantor::test;

namespace {

// What a writer was asked to do, and where it is told to fail or to be stopped.
struct WriterLog {
    QStringList applied; // the tables of the statements applied
    int flushes = 0;
    int failAt = 0;
    int stopDuring = 0;
    bool flushFails = false;
    bool stopAsked = false;
};

class RecordingWriter : public JetFileWriter {
public:
    explicit RecordingWriter(WriterLog& log) : log_(log) {}
    void Apply(const DdlStatement& statement) override {
        const int number = static_cast<int>(log_.applied.size()) + 1 + failures_;
        if (number == log_.stopDuring)
            log_.stopAsked = true; // as the parent does while the batch runs
        if (number == log_.failAt) {
            ++failures_;
            throw Error(ErrorCode::Provider, QStringLiteral("No room for batch %1.").arg(number));
        }
        log_.applied << std::get<CreateTableStmt>(statement).table;
    }
    void Flush() override {
        ++log_.flushes;
        if (log_.flushFails)
            throw Error(ErrorCode::Provider, QStringLiteral("The disk refused."));
    }

private:
    WriterLog& log_;
    int failures_ = 0;
};

struct Applied {
    int exitCode = -1;
    QByteArray answer;
};

Applied apply(WriterLog& log, const QByteArray& request, bool openFails = false) {
    QTemporaryFile answer;
    EXPECT_TRUE(answer.open());
    const int code = RunApply(
        "/copy.mdb", request, answer.handle(),
        [&](const QString&) -> std::unique_ptr<JetFileWriter> {
            if (openFails)
                throw Error(ErrorCode::Provider, "Not a Jet 4 file.");
            return std::make_unique<RecordingWriter>(log);
        },
        [&log] { return log.stopAsked; });
    answer.seek(0);
    return {code, answer.readAll()};
}

const QStringList kThree = {"CREATE TABLE A (x INTEGER)", "CREATE TABLE B (x INTEGER)",
                            "CREATE TABLE C (x INTEGER)"};

} // namespace

// Batches run in order until one fails or a stop is asked for; what ran is flushed and answered.
TEST(ApplyRun, BatchesRunInOrderUntilAFailureOrAStop) {
    WriterLog all;
    const Applied whole = apply(all, ApplyRequestToJson(kThree));
    ASSERT_EQ(whole.exitCode, readerexit::Ok);
    const ApplyAnswer done = ApplyAnswerFromJson(whole.answer);
    EXPECT_EQ(done.applied, 3);
    EXPECT_FALSE(done.failure.has_value());
    EXPECT_FALSE(done.stopped);
    EXPECT_EQ(all.applied, (QStringList{"A", "B", "C"}));
    EXPECT_EQ(all.flushes, 1);

    WriterLog failing;
    failing.failAt = 2;
    const ApplyAnswer failed =
        ApplyAnswerFromJson(apply(failing, ApplyRequestToJson(kThree)).answer);
    EXPECT_EQ(failed.applied, 1);
    ASSERT_TRUE(failed.failure.has_value());
    EXPECT_EQ(failed.failure->batch, 1);
    EXPECT_EQ(failed.failure->number, static_cast<qint32>(ErrorCode::Provider));
    EXPECT_EQ(failed.failure->description, "No room for batch 2.");
    EXPECT_EQ(failing.applied, QStringList{"A"});
    EXPECT_EQ(failing.flushes, 1); // the batch before it must reach the disk

    // A stop asked for during batch 2 lets it finish and runs nothing after it.
    WriterLog stopping;
    stopping.stopDuring = 2;
    const ApplyAnswer stopped =
        ApplyAnswerFromJson(apply(stopping, ApplyRequestToJson(kThree)).answer);
    EXPECT_EQ(stopped.applied, 2);
    EXPECT_TRUE(stopped.stopped);
    EXPECT_EQ(stopping.applied, (QStringList{"A", "B"}));

    // A stop asked for before the run starts runs nothing.
    WriterLog early;
    early.stopAsked = true;
    const ApplyAnswer none = ApplyAnswerFromJson(apply(early, ApplyRequestToJson(kThree)).answer);
    EXPECT_EQ(none.applied, 0);
    EXPECT_TRUE(none.stopped);
    EXPECT_TRUE(early.applied.isEmpty());

    // A batch that does not parse fails as Jet's syntax error, in its place.
    WriterLog unparsed;
    const ApplyAnswer syntax = ApplyAnswerFromJson(
        apply(unparsed, ApplyRequestToJson({kThree[0], "CREATE TABLE", kThree[2]})).answer);
    EXPECT_EQ(syntax.applied, 1);
    ASSERT_TRUE(syntax.failure.has_value());
    EXPECT_EQ(syntax.failure->number, static_cast<qint32>(ErrorCode::SyntaxError));
}

// A writer that cannot open or flush the file, or a request that is not one, gives no answer at
// all: nothing of such a run may be taken for a result.
TEST(ApplyRun, NoAnswerWhenTheFileCannotBeWrittenOrTheRequestIsBroken) {
    WriterLog log;
    const Applied notOpened = apply(log, ApplyRequestToJson(kThree), true);
    EXPECT_EQ(notOpened.exitCode, writerexit::NotWritten);
    EXPECT_TRUE(notOpened.answer.isEmpty());

    WriterLog flushFails;
    flushFails.flushFails = true;
    const Applied notFlushed = apply(flushFails, ApplyRequestToJson(kThree));
    EXPECT_EQ(notFlushed.exitCode, writerexit::NotWritten);
    EXPECT_TRUE(notFlushed.answer.isEmpty());

    for (const QByteArray& broken :
         {QByteArray(), QByteArray("{\"batches\": \"CREATE TABLE A (x INTEGER)\"}"),
          QByteArray("{\"batches\": [1]}"), QByteArray("[\"CREATE TABLE A (x INTEGER)\"]")}) {
        WriterLog none;
        const Applied refused = apply(none, broken);
        EXPECT_EQ(refused.exitCode, writerexit::NotWritten) << broken.toStdString();
        EXPECT_TRUE(none.applied.isEmpty());
        EXPECT_EQ(none.flushes, 0);
    }
}

// The parent believes no answer that contradicts itself.
TEST(WriterProtocol, AnswersThatContradictThemselvesAreRejected) {
    const ApplyAnswer sound{2, false, ApplyFailure{2, -1, "Duplicate values."}};
    const ApplyAnswer back = ApplyAnswerFromJson(ApplyAnswerToJson(sound));
    EXPECT_EQ(back.applied, 2);
    ASSERT_TRUE(back.failure.has_value());
    EXPECT_EQ(back.failure->description, "Duplicate values.");

    for (const QByteArray& wrong :
         {QByteArray("{\"applied\": 2, \"failure\": {\"batch\": 0, \"number\": 1}}"),
          QByteArray("{\"applied\": -1}"), QByteArray("{\"stopped\": true}"),
          QByteArray("not json")})
        EXPECT_EQ(ErrorOf([&] { ApplyAnswerFromJson(wrong); }).code(), ErrorCode::Provider)
            << wrong.toStdString();

    const QList<TableRowDigest> digests = {{"Orders", 5, QByteArray(64, 'a')}};
    const QList<TableRowDigest> read = RowDigestsFromJson(RowDigestsToJson(digests));
    ASSERT_EQ(read.size(), 1);
    EXPECT_EQ(read[0].rows, 5);
    EXPECT_EQ(read[0].sha256, QByteArray(64, 'a'));
    EXPECT_EQ(ErrorOf([] {
                  RowDigestsFromJson("{\"tables\": [{\"name\": \"A\", \"rows\": 1, "
                                     "\"sha256\": \"short\"}]}");
              }).code(),
              ErrorCode::Provider);
}
