#include "engine/access/ReaderProcess.h"
#include "engine/access/ReaderProtocol.h"
#include "model/VantorError.h"
#include "tests/access/AccessTestFiles.h"
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

QString failure(const ReaderLimits& limits = {}) {
    try {
        RunAccessReader("/data/x.mdb", limits);
    } catch (const VantorError& e) {
        return e.Description();
    }
    return "no error";
}

} // namespace

TEST(ReaderProcess, AReaderThatHangsIsStoppedAtTheTimeLimit) {
    FakeReader reader("exec sleep 30");
    ReaderLimits limits;
    limits.timeoutMs = 300;
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(failure(limits), "Unrecognized database format '/data/x.mdb'. Reading the file took "
                               "longer than the limit of 1 s.");
    EXPECT_LT(clock.elapsed(), 5000);
}

TEST(ReaderProcess, ACrashingReaderIsReportedNotFollowed) {
    FakeReader reader("echo '{\"partial\": ' ; kill -SEGV $$");
    EXPECT_EQ(failure(), "Unrecognized database format '/data/x.mdb'. The reader stopped "
                         "unexpectedly while reading the file.");
}

TEST(ReaderProcess, RunningOutOfMemoryNamesTheLimit) {
    FakeReader reader("echo 'GLib-ERROR: failed to allocate 99999 bytes' >&2; kill -TRAP $$");
    ReaderLimits limits;
    limits.memoryBytes = qint64(64) << 20;
    EXPECT_EQ(failure(limits), "Unrecognized database format '/data/x.mdb'. Reading the file "
                               "needed more than the reader's memory limit of 64 MiB.");
    FakeReader reader2(QByteArray("exit ") + QByteArray::number(readerexit::OutOfMemory));
    EXPECT_TRUE(failure(limits).endsWith("memory limit of 64 MiB."));
}

TEST(ReaderProcess, TheChildRunsUnderTheLimits) {
    FakeReader reader("echo \"$(ulimit -v) $(ulimit -c)\" >&2; exit 99");
    ReaderLimits limits;
    limits.memoryBytes = qint64(512) << 20;
    QString text = failure(limits);
#if defined(__SANITIZE_ADDRESS__)
    EXPECT_TRUE(text.endsWith(" 0")) << text.toStdString(); // sanitized builds skip the memory cap
#else
    EXPECT_TRUE(text.endsWith(": 524288 0")) << text.toStdString();
#endif
}

TEST(ReaderProcess, OutputThatIsNoSchemaOrTooLargeIsRefused) {
    {
        FakeReader reader("echo '{\"format\": \"something else\"}'");
        EXPECT_EQ(failure(), "Unrecognized database format '/data/x.mdb'. The reader's answer was "
                             "not a valid schema.");
    }
    {
        FakeReader reader("exec yes 0123456789abcdef");
        ReaderLimits limits;
        limits.maxOutputBytes = 1 << 20;
        EXPECT_EQ(failure(limits), "Unrecognized database format '/data/x.mdb'. The reader's "
                                   "answer grew beyond 1 MiB.");
    }
}

TEST(ReaderProcess, TheReaderSaysWhichFilesItCannotRead) {
    {
        FakeReader reader("echo 'The catalog cannot be read.' >&2; exit 2");
        EXPECT_EQ(failure(), "Unrecognized database format '/data/x.mdb'.");
    }
    {
        FakeReader reader("exit 4");
        EXPECT_TRUE(failure().contains("encrypted"));
    }
}

TEST(ReaderProcess, AMissingReaderProgramIsReported) {
    qputenv(kReaderProgramEnv, "/nonexistent/vantor-mdb-reader");
    QString text = failure();
    qunsetenv(kReaderProgramEnv);
    EXPECT_TRUE(text.contains("could not be started")) << text.toStdString();
}

TEST(ReaderProcess, TheRealReaderSitsBesideTheProgram) {
    QString program = AccessReaderProgram();
    EXPECT_TRUE(QFileInfo(program).isExecutable()) << program.toStdString();
    EXPECT_EQ(QFileInfo(program).fileName(), kReaderProgramName);
}

TEST(ReaderProcess, LibmdbLoopingOnAPropertyBlockIsStoppedInTime) {
    REQUIRE_SHARED_FILE(original, "testV2003.mdb");
    QByteArray bytes = FileBytes(original);
    qsizetype block = bytes.indexOf(QByteArray("MR2\0", 4));
    ASSERT_GT(block, 0);
    bytes.replace(block + 4, 4, QByteArray(4, '\0')); // a property block of length 0
    QTemporaryDir dir;
    QString path = WriteFile(dir, "loop.mdb", bytes);
    ReaderLimits limits;
    limits.timeoutMs = 1500;
    QElapsedTimer clock;
    clock.start();
    try {
        RunAccessReader(path, limits);
        ADD_FAILURE() << "read a file whose properties loop";
    } catch (const VantorError& e) {
        EXPECT_EQ(e.Description(), QString("Unrecognized database format '%1'. Reading the file "
                                           "took longer than the limit of 2 s.")
                                       .arg(path));
    }
    EXPECT_LT(clock.elapsed(), 10000);
}
