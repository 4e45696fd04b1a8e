#include "engine/access/ReaderProcess.h"
#include "engine/access/AccessSource.h"
#include "engine/access/ReaderAnswer.h"
#include "engine/access/ReaderProtocol.h"
#include "model/Error.h"
#include "tests/access/AccessTestFiles.h"
#include "tests/support/ErrorOf.h"
#include "tests/support/QtPrinters.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <gtest/gtest.h>

using namespace vantor;
using namespace vantor::test;

namespace {

// Stands a shell script in for the reader program while the test runs.
class FakeReader {
public:
    explicit FakeReader(const QByteArray& body) {
        path_ = WriteFile(dir_, "fake-reader", "#!/bin/sh\n" + body + "\n");
        QFile::setPermissions(path_, QFile::ReadOwner | QFile::ExeOwner | QFile::WriteOwner);
        qputenv(kReaderProgramEnv, path_.toLocal8Bit());
    }
    ~FakeReader() { qunsetenv(kReaderProgramEnv); }

private:
    QTemporaryDir dir_;
    QString path_;
};

QString failure(const ReaderLimits& limits = {}, const QString& path = "/data/x.mdb",
                const QString& password = {}) {
    return ErrorOf([&] { RunAccessReader(path, limits, password); }).description();
}

} // namespace

// Whatever the reader does, the parent returns in time with a message that says what happened.
TEST(ReaderProcess, AFailingReaderIsReportedNotFollowed) {
    const QString format = QStringLiteral("Unrecognized database format '/data/x.mdb'.");
    struct Case {
        QByteArray script;
        QString message; // what the error's description contains
        int timeoutMs = 30000;
        qint64 memoryMiB = 1024;
        qint64 outputMiB = 256;
    };
    const QString overTime = QStringLiteral("%1 Reading the file took longer than the limit of "
                                            "%2 s; the file is probably damaged.");
    const Case cases[] = {
        {"exec sleep 30", overTime.arg(format, "1"), 300},
        // The processor time limit, reached first by a reader with several threads, is the same
        // limit to the user.
        {"kill -XCPU $$", overTime.arg(format, "30")},
        {"echo '{\"partial\": ' ; kill -SEGV $$",
         format + " The reader stopped unexpectedly while reading the file."},
        {"echo 'GLib-ERROR: failed to allocate 99999 bytes' >&2; kill -TRAP $$",
         format + " Reading the file needed more than the reader's memory limit of 64 MiB.", 30000,
         64},
        {"exit " + QByteArray::number(readerexit::OutOfMemory), "memory limit of 64 MiB.", 30000,
         64},
        {"echo '{\"format\": \"something else\"}' >&3",
         format + " The reader's answer was not a valid schema."},
        // A reader that ends well after saying nothing has not answered.
        {"exit 0", format + " The reader's answer was not a valid schema."},
        {"exec yes 0123456789abcdef >&3", format + " The reader's answer grew beyond 1 MiB.", 30000,
         1024, 1},
        {"echo 'The file uses an unknown cipher.' >&2; exit 4",
         "Cannot open '/data/x.mdb': The file uses an unknown cipher."},
        {"echo 'A page that the schema needs lies beyond the end of the file.' >&2; exit 5",
         "The database '/data/x.mdb' is damaged, so none of it was used. A page that the schema "
         "needs lies beyond the end of the file."},
    };
    for (const Case& c : cases) {
        FakeReader reader(c.script);
        QElapsedTimer clock;
        clock.start();
        QString text = failure({c.timeoutMs, c.memoryMiB << 20, c.outputMiB << 20});
        EXPECT_TRUE(text.contains(c.message)) << text.toStdString();
        EXPECT_LT(clock.elapsed(), 5000) << c.script.toStdString();
    }
    // The reader's own words stay out of the message.
    FakeReader reader("echo 'The catalog cannot be read.' >&2; exit 2");
    EXPECT_EQ(failure(), format);
}

TEST(ReaderProcess, TheChildRunsUnderTheLimits) {
    FakeReader reader("echo \"$(ulimit -v) $(ulimit -c)\" >&2; exit 99");
    QString text = failure({.memoryBytes = qint64(512) << 20});
#if defined(__SANITIZE_ADDRESS__)
    EXPECT_TRUE(text.endsWith(" 0")) << text.toStdString(); // sanitized builds skip the memory cap
#else
    EXPECT_TRUE(text.endsWith(": 524288 0")) << text.toStdString();
#endif
}

// The real reader's presence is every real-file test's; a missing one must be said.
TEST(ReaderProcess, AMissingReaderIsReported) {
    qputenv(kReaderProgramEnv, "/nonexistent/vantor-mdb-reader");
    QString text = failure();
    qunsetenv(kReaderProgramEnv);
    EXPECT_TRUE(text.contains("could not be started")) << text.toStdString();
}

// A file on which libmdb loops costs the time limit once: every later schema query of the same
// source fails the same way without starting the reader again.
TEST(ReaderProcess, LibmdbLoopingOnAPropertyBlockIsStoppedOnceInTime) {
    REQUIRE_SHARED_FILE(original, "testV2003.mdb");
    QByteArray bytes = FileBytes(original);
    qsizetype block = bytes.indexOf(QByteArray("MR2\0", 4));
    ASSERT_GT(block, 0);
    bytes.replace(block + 4, 4, QByteArray(4, '\0')); // a property block of length 0
    QTemporaryDir dir;
    QString path = WriteFile(dir, "loop.mdb", bytes);
    QString starts = dir.filePath("starts");
    FakeReader counting("echo started >> '" + starts.toUtf8() + "'; exec '" +
                        AccessReaderProgram().toUtf8() + "' \"$@\"");
    AccessSource source(path, ReaderLimits{.timeoutMs = 1500});
    const QString expected = QString("Unrecognized database format '%1'. Reading the file took "
                                     "longer than the limit of 2 s; the file is probably damaged.")
                                 .arg(path);
    QElapsedTimer clock;
    clock.start();
    for (int attempt = 0; attempt < 3; ++attempt)
        EXPECT_EQ(ErrorOf([&] { source.schema(); }).description(), expected) << attempt;
    EXPECT_EQ(FileBytes(starts), "started\n");
    EXPECT_LT(clock.elapsed(), 10000);
}

// Whatever libmdb prints on standard output stays out of the answer, which has its own channel.
TEST(ReaderProcess, TheAnswerTravelsApartFromWhatTheLibraryPrints) {
    Schema schema;
    schema.sourceFormat = "JET4";
    schema.tables.append({"Orders", ObjectKind::Table, {}, {}});
    QTemporaryDir dir;
    QString answer = WriteFile(dir, "answer", ReaderAnswerBytes(schema));
    FakeReader reader("echo '0000x  00 01 02  ...'; echo 'Unrecognized format.' >&2; cat '" +
                      answer.toUtf8() + "' >&3");
    Schema read = RunAccessReader("/data/x.mdb");
    ASSERT_EQ(read.tables.size(), 1);
    EXPECT_EQ(read.tables[0].name, "Orders");
}

// The password of an encrypted file reaches the reader on its standard input, never among its
// arguments, where every user of the machine could read it.
TEST(ReaderProcess, ThePasswordTravelsOnStandardInputOnly) {
    FakeReader reader("case \"$*\" in *s3cr3t*) exit 9;; esac\n"
                      "[ \"$3\" = --password-stdin ] || exit 9\n"
                      "[ \"$(cat)\" = 's3cr3t' ] || exit 9\n"
                      "exit 6");
    EXPECT_EQ(failure({}, "/data/x.accdb", "s3cr3t"),
              "Not a valid password for the database '/data/x.accdb'.");
}

// A cancelled read stops the reader at once rather than waiting out its time limit.
TEST(ReaderProcess, ACancelledReadStopsTheReader) {
    FakeReader reader("exec sleep 30");
    std::stop_source stop;
    PendingAccessRead read("/data/x.mdb", ReaderLimits(), {}, stop.get_token());
    stop.request_stop();
    QElapsedTimer timer;
    timer.start();
    EXPECT_THROW(read.Take(), WorkCancelled);
    EXPECT_LT(timer.elapsed(), 5000);
}

// The parent reads the answer while the reader is still writing it; an answer that stops for a
// while anywhere, even inside a name, arrives whole all the same.
TEST(ReaderProcess, AnAnswerThatPausesMidwayArrivesWhole) {
    Schema schema;
    schema.sourceFormat = "ACE12";
    for (int i = 0; i < 150; ++i) {
        Table t{QStringLiteral("Table %1").arg(i), ObjectKind::Table, {}, {}};
        for (int c = 0; c < 20; ++c) {
            Column column;
            column.name = QStringLiteral("Feld %1 ä").arg(c);
            column.dataType = 202;
            column.maxLength = 50;
            column.caption = QStringLiteral("Caption %1").arg(c);
            t.columns.append(column);
        }
        schema.tables.append(t);
    }
    const QByteArray bytes = ReaderAnswerBytes(schema);
    ASSERT_GT(bytes.size(), 200 * 1024);
    QTemporaryDir dir;
    const QByteArray answer = WriteFile(dir, "answer", bytes).toUtf8();
    for (qsizetype cut : {qsizetype(10), qsizetype(70000), bytes.indexOf("Table 99") + 3}) {
        FakeReader reader("head -c " + QByteArray::number(cut) + " '" + answer +
                          "' >&3; sleep 0.2; tail -c +" + QByteArray::number(cut + 1) + " '" +
                          answer + "' >&3");
        const Schema read = RunAccessReader("/data/x.mdb");
        ASSERT_EQ(read.tables.size(), 150) << cut;
        EXPECT_EQ(read.tables[149].columns[19].name, "Feld 19 ä") << cut;
        EXPECT_EQ(read.tables[149].columns[19].caption, QString("Caption 19")) << cut;
    }
}

// A fault in an answer read while the reader still runs waits for the reader's exit: a reader
// that says why it failed is reported with its reason, and one that ends well after a fault,
// or after a sound answer and more besides, has not answered.
TEST(ReaderProcess, AFaultySchemaWaitsForTheReadersOwnReason) {
    const QString format = QStringLiteral("Unrecognized database format '/data/x.mdb'.");
    FakeReader damaged("printf 'vantor-reader-answer-1\\nZ' >&3; sleep 0.2; "
                       "echo 'Page 7 points past the end.' >&2; exit 5");
    EXPECT_TRUE(failure().contains(
        "The database '/data/x.mdb' is damaged, so none of it was used. Page 7 points past the "
        "end."));

    Schema schema;
    schema.tables.append({"Orders", ObjectKind::Table, {}, {}});
    QTemporaryDir dir;
    const QByteArray answer = WriteFile(dir, "answer", ReaderAnswerBytes(schema)).toUtf8();
    FakeReader faultFirst("printf 'vantor-reader-answer-1\\nZ' >&3; sleep 0.2; exit 0");
    EXPECT_EQ(failure(), format + " The reader's answer was not a valid schema.");
    FakeReader moreAfterTheEnd("cat '" + answer + "' >&3; sleep 0.2; printf 'T' >&3");
    EXPECT_EQ(failure(), format + " The reader's answer was not a valid schema.");
}
