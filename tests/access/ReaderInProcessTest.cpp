// The reader's own machinery, run in this process: how it hears libmdb and how it tells damage
// from libmdb's limits.
#include "engine/access/reader/LibraryOutput.h"
#include "engine/access/reader/MdbSchemaReader.h"
#include "tests/access/AccessTestFiles.h"
#include "tests/support/QtPrinters.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <mutex>
#include <unistd.h>

using namespace vantor;
using namespace vantor::test;

// A library that prints without end must neither block the reader nor fill its memory: the
// watcher drains both channels, keeps the start, and sees every line as it comes.
TEST(ReaderInProcess, ALibraryFloodingItsOutputIsDrainedAndHeard) {
    std::mutex mutex;
    int lines = 0;
    QByteArray kept;
    {
        LibraryOutputCapture capture([&](const QByteArray& line) {
            std::lock_guard lock(mutex);
            if (line.startsWith("line "))
                ++lines;
        });
        const QByteArray line = "line " + QByteArray(90, 'x') + "\n"; // 96 bytes
        // About 5 MB, far beyond what a pipe holds; one channel after the other, as lines of
        // the two would otherwise mix inside the pipe.
        for (std::FILE* channel : {stdout, stderr}) {
            for (int i = 0; i < 25000; ++i)
                std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), channel);
            std::fflush(channel);
        }
        kept = capture.Finish();
    }
    EXPECT_EQ(lines, 50000);
    EXPECT_EQ(kept.size(), 64 * 1024);
    EXPECT_TRUE(kept.startsWith("line xxx"));
}

TEST(ReaderInProcess, OnlyReadFailuresCountAsDamage) {
    const std::pair<const char*, const char*> lines[] = {
        {"offset 3158016 is beyond EOF", "the file was cut short"},
        {"mdb_read_table: Page 17 [size=4096] is not a valid table definition page (First byte = "
         "0x01, expected 0x02)",
         "places a table on page 17"},
        {"error: reading page 88 failed.", "Page 88 cannot be read."},
        {"Unrecognized format.", "properties is unreadable"},
        // libmdb's limits, which intact files show too.
        {"ERROR: can't find index #1.", ""},
        {"Warning: mdb_col_to_string called on unsupported data type 0.", ""},
    };
    for (const auto& [line, reason] : lines) {
        QString damage = DamageInLibraryOutput(line);
        if (QByteArray(reason).isEmpty())
            EXPECT_TRUE(damage.isEmpty()) << line << " -> " << damage.toStdString();
        else
            EXPECT_TRUE(damage.contains(reason)) << line << " -> " << damage.toStdString();
    }
}

// A file cut at a page boundary: libmdb reads the page at the very end as zeros without a
// word, so the reader's own watch of its reads must catch it, and say so at once when asked.
TEST(ReaderInProcess, APageReadPastTheEndIsDamageHeardAtOnce) {
    REQUIRE_SHARED_FILE(original, "testV1997.mdb");
    const QByteArray bytes = FileBytes(original);
    QTemporaryDir dir;
    const QString cut = WriteFile(dir, "cut.mdb", bytes.left(bytes.size() - 2048));
    // Heard on the reading thread or the watcher's, so the list is guarded.
    std::mutex mutex;
    QStringList heard;
    auto hear = [&](const QString& why) {
        std::lock_guard lock(mutex);
        heard << why;
    };
    try {
        ReadMdbSchema(cut, {}, hear);
        ADD_FAILURE() << "read a file cut short";
    } catch (const DamagedFile& e) {
        EXPECT_TRUE(QString::fromUtf8(e.what()).contains("cut short")) << e.what();
    }
    EXPECT_FALSE(heard.isEmpty());
}
