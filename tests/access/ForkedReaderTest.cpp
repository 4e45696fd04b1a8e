// A read run by a forked child of this program instead of the reader program: the same answer,
// the same limits, and the same errors for whatever the child does.
#include "engine/SnapshotJson.h"
#include "engine/access/ReaderAnswer.h"
#include "engine/access/ReaderProcess.h"
#include "engine/access/ReaderProtocol.h"
#include "engine/access/reader/MdbSchemaReader.h"
#include "engine/access/reader/ReaderRun.h"
#include "tests/access/AccessTestFiles.h"
#include "tests/support/ErrorOf.h"
#include "tests/support/Jackcess.h"
#include "tests/support/QtPrinters.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace vantor;
using namespace vantor::test;

namespace {

QString failureOf(ReaderEntry entry, const ReaderLimits& limits = {},
                  const QString& password = {}) {
    return ErrorOf([&] { PendingAccessRead("/data/x.mdb", limits, password, {}, entry).Take(); })
        .description();
}

// Enough tables that the answer takes several pieces, each column with a default set.
Schema manyTables() {
    Schema s;
    s.sourceFormat = "JET4";
    for (int i = 0; i < 200; ++i) {
        Table t{QStringLiteral("Table %1").arg(i), ObjectKind::Table, {}, {}};
        for (int c = 0; c < 21; ++c) {
            Column column;
            column.name = QStringLiteral("Field %1").arg(c);
            column.dataType = 3;
            column.defaultValue = QString::number(c);
            t.columns.append(column);
        }
        s.tables.append(t);
    }
    return s;
}

} // namespace

// The schema that crosses from the child to the parent is the one the reader read, field for
// field, for files of every version and with every kind of object.
TEST(ForkedReader, AnswersAsTheReaderDoes) {
    for (const char* name :
         {"testV1997.mdb", "testV2003.mdb", "testV2007.accdb", "queryTestV2010.accdb",
          "complexDataTestV2007.accdb", "linkerTestV2007.accdb", "calcFieldTestV2010.accdb",
          "testEmoticonsV2010.accdb", "indexTestV2000.mdb", "unsupportedFieldsTestV2007.accdb"}) {
        const QString file = SharedAccessFile(name);
        if (file.isEmpty())
            GTEST_SKIP() << "the shared Access files are absent";
        const Schema forked = PendingAccessRead(file, ReaderLimits(), {}, {}, RunReader).Take();
        const Schema direct = ReadMdbSchema(file);
        ASSERT_FALSE(forked.tables.isEmpty()) << name;
        EXPECT_EQ(forked.sourceFormat, direct.sourceFormat) << name;
        EXPECT_EQ(QString::fromUtf8(WriteSnapshotJson(forked)),
                  QString::fromUtf8(WriteSnapshotJson(direct)))
            << name;
    }
}

// Run by hand, the reader program answers on standard output, apart from what libmdb prints
// there while it reads, and an answer far larger than one piece of it arrives whole both ways.
TEST(ForkedReader, ALargeAnswerArrivesWholeOnStandardOutputAndThroughTheChild) {
    REQUIRE_JACKCESS();
    QTemporaryDir dir;
    const QString file = dir.filePath("large.accdb");
    const JackcessResult made = RunJackcess("GenerateLarge", {file, "120"});
    ASSERT_EQ(made.exitCode, 0) << made.errors.toStdString();
    const QString direct = QString::fromUtf8(WriteSnapshotJson(ReadMdbSchema(file)));

    QProcess reader;
    reader.start(AccessReaderProgram(), {"--", file});
    ASSERT_TRUE(reader.waitForFinished(60000));
    ASSERT_EQ(reader.exitCode(), 0) << reader.readAllStandardError().toStdString();
    const QByteArray answer = reader.readAllStandardOutput();
    EXPECT_GT(answer.size(), 128 * 1024);
    const Schema read = ReadReaderAnswer(answer.constData(), answer.size());
    EXPECT_EQ(std::count_if(read.tables.cbegin(), read.tables.cend(),
                            [](const Table& t) { return t.kind == ObjectKind::Table; }),
              120);
    EXPECT_EQ(QString::fromUtf8(WriteSnapshotJson(read)), direct);

    const Schema forked = PendingAccessRead(file, ReaderLimits(), {}, {}, RunReader).Take();
    EXPECT_EQ(QString::fromUtf8(WriteSnapshotJson(forked)), direct);
}

// Whatever the child does, the parent returns in time and says what happened; the child gets
// the password, its answer descriptor, and nothing else of the parent's files.
TEST(ForkedReader, AFailingChildIsReportedNotFollowed) {
    const QString format = QStringLiteral("Unrecognized database format '/data/x.mdb'.");
    ReaderLimits quick;
    quick.timeoutMs = 300;
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(failureOf(
                  [](const QString&, const QString&, int) -> int {
                      for (;;)
                          pause();
                  },
                  quick),
              format + " Reading the file took longer than the limit of 1 s; the file is probably "
                       "damaged.");
    EXPECT_LT(timer.elapsed(), 5000);
    EXPECT_EQ(failureOf([](const QString&, const QString&, int) { return raise(SIGXCPU); }),
              format + " Reading the file took longer than the limit of 30 s; the file is "
                       "probably damaged.");

    EXPECT_EQ(failureOf([](const QString&, const QString&, int) -> int { std::abort(); }),
              format + " The reader stopped unexpectedly while reading the file.");

    ReaderLimits small;
    small.maxOutputBytes = 1000;
    EXPECT_EQ(failureOf(
                  [](const QString&, const QString&, int answer) {
                      const QByteArray lots(5000, 'x');
                      return write(answer, lots.constData(), 5000) == 5000 ? 0 : 2;
                  },
                  small),
              format + " The reader's answer grew beyond 0 MiB.");

    // The child's reason is the last line it printed, after whatever libmdb printed.
    EXPECT_TRUE(failureOf([](const QString&, const QString&, int) {
                    std::fputs("libmdb chatter\nPage 7 points past the end of the file.\n", stderr);
                    return readerexit::Damaged;
                }).contains("damaged, so none of it was used. Page 7 points past the end"));

    // Descriptors of the parent stay with it; standard input is /dev/null.
    constexpr int kParentFd = 20;
    const int null = open("/dev/null", O_RDONLY);
    ASSERT_EQ(dup2(null, kParentFd), kParentFd);
    close(null);
    EXPECT_EQ(failureOf(
                  [](const QString&, const QString& password, int answer) {
                      char c;
                      const bool onlyOwn = answer == kReaderAnswerFd &&
                                           fcntl(kParentFd, F_GETFD) < 0 &&
                                           read(STDIN_FILENO, &c, 1) == 0;
                      return onlyOwn && password == "s3cr3t" ? readerexit::WrongPassword
                                                             : readerexit::Unreadable;
                  },
                  {}, "s3cr3t"),
              "Not a valid password for the database '/data/x.mdb'.");
    close(kParentFd);
}

// A cancelled read stops the child at once rather than waiting out its time limit.
TEST(ForkedReader, ACancelledReadStopsTheChild) {
    std::stop_source stop;
    PendingAccessRead read("/data/x.mdb", ReaderLimits(), {}, stop.get_token(),
                           [](const QString&, const QString&, int) -> int {
                               for (;;)
                                   pause();
                           });
    stop.request_stop();
    QElapsedTimer timer;
    timer.start();
    EXPECT_THROW(read.Take(), WorkCancelled);
    EXPECT_LT(timer.elapsed(), 5000);
}

// The parent builds the schema while the child still writes: a child that stops for a while
// in the middle of an object, or fails after a damaged start, is followed as the reader program
// is.
TEST(ForkedReader, AnAnswerWrittenWithPausesArrivesWholeAndAFaultWaitsForTheExit) {
    const Schema read =
        PendingAccessRead("/data/x.mdb", ReaderLimits(), {}, {},
                          [](const QString&, const QString&, int answer) {
                              const QByteArray bytes = ReaderAnswerBytes(manyTables());
                              // Cuts inside objects, with time for the parent to read between.
                              const qsizetype cuts[] = {0, 7, bytes.size() / 3 + 1,
                                                        bytes.size() - 2, bytes.size()};
                              for (size_t i = 0; i + 1 < std::size(cuts); ++i) {
                                  const auto size = static_cast<size_t>(cuts[i + 1] - cuts[i]);
                                  if (write(answer, bytes.constData() + cuts[i], size) !=
                                      static_cast<ssize_t>(size))
                                      return readerexit::Unreadable;
                                  usleep(50000);
                              }
                              return readerexit::Ok;
                          })
            .Take();
    EXPECT_EQ(QString::fromUtf8(WriteSnapshotJson(read)),
              QString::fromUtf8(WriteSnapshotJson(manyTables())));

    EXPECT_TRUE(failureOf([](const QString&, const QString&, int answer) {
                    const char start[] = "vantor-reader-answer-1\nZ";
                    if (write(answer, start, sizeof start - 1) < 0)
                        return readerexit::Unreadable;
                    usleep(100000);
                    std::fputs("Page 9 points past the end of the file.\n", stderr);
                    return readerexit::Damaged;
                }).contains("damaged, so none of it was used. Page 9 points past the end"));
}
