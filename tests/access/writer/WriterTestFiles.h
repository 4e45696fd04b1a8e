#pragma once

#include "engine/access/writer/JetWriter.h"
#include "engine/snapshot/JetDdlStatements.h"
#include "model/Error.h"
#include "tests/support/Jackcess.h"
#include "tests/support/TestPaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace vantor::test {

// The real files of both shared folders that the writer accepts (Jet 4 and ACE, plain, General
// sort order), which are the files its read side must parse whole.
inline QList<QString> WritableSharedFiles() {
    QList<QString> files;
    for (const RealAccessFile& file : SharedAccessFiles())
        if (!WhyFileNotWritable(file.path))
            files.append(file.path);
    return files;
}

// A private copy of a real file in a temporary folder, so a test may change it.
inline QString CopyToTemp(const QTemporaryDir& dir, const QString& path) {
    QString copy = dir.filePath(QFileInfo(path).fileName());
    QFile::remove(copy);
    if (!QFile::copy(path, copy))
        return QString();
    QFile::setPermissions(copy, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return copy;
}

// The schema of a file as Vantor's own reader (the program users run) prints it, or why it could
// not.
inline QString VantorDump(const QString& path) {
    QProcess dump;
    dump.start(QDir(BinaryDir()).filePath("bin/vantor-cli"), {"dump", path});
    if (!dump.waitForFinished(120000) || dump.exitCode() != 0)
        return QStringLiteral("vantor-cli failed: ") +
               QString::fromUtf8(dump.readAllStandardError());
    return QString::fromUtf8(dump.readAllStandardOutput());
}

// A table's rows as libmdb's exporter prints them, header first, binary values in hex and nulls
// as "~"; one row with the exporter's complaint when it fails.
inline QList<QStringList> ExportedRows(const QString& path, const QString& table) {
    const QChar fieldBreak(0x1f);
    const QChar rowBreak(0x1e);
    QProcess exporter;
    exporter.start("mdb-export", {"-Q", "-d", QString(fieldBreak), "-R", QString(rowBreak), "-b",
                                  "hex", "-0", "~", path, table});
    if (!exporter.waitForFinished(120000) || exporter.exitCode() != 0)
        return {{QStringLiteral("mdb-export failed: ") +
                 QString::fromUtf8(exporter.readAllStandardError())}};
    QList<QStringList> rows;
    for (const QString& row :
         QString::fromUtf8(exporter.readAllStandardOutput()).split(rowBreak, Qt::SkipEmptyParts))
        rows.append(row.split(fieldBreak));
    return rows;
}

// The part of a schema dump from the line that starts with `header` to the next blank line.
inline QString DumpSection(const QString& dump, const QString& header) {
    const qsizetype start = dump.indexOf(header);
    if (start < 0)
        return QString();
    const qsizetype end = dump.indexOf("\n\n", start);
    return dump.mid(start, end < 0 ? -1 : end - start);
}

// Writer tests run statements on copies of the shared files and check them with Jackcess too.
class WriterFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        REQUIRE_JACKCESS();
        if (SharedAccessDir().isEmpty())
            GTEST_SKIP() << "skipped: ../shared/testdata/access is absent";
    }
    // Runs one statement in a writer session of its own, as a run does batch by batch.
    static void apply(const QString& path, const QString& statement) {
        std::unique_ptr<JetFileWriter> writer = JetFileWriter::Open(path);
        writer->Apply(ParseJetDdl(statement));
        writer->Flush();
    }
    // The error the statement raises, or an empty text when it runs.
    static QString errorOf(const QString& path, const QString& statement) {
        try {
            apply(path, statement);
        } catch (const Error& e) {
            return e.description();
        }
        return QString();
    }
};

} // namespace vantor::test
