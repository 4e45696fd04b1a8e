// Whole-process `vantor-cli compare` of two real Access files against mdb-schema dumping both,
// and what opening an encrypted file costs the reader. Prints the ratios of the medians.
#include "bench/ProcessBench.h"
#include "engine/access/OfficeCrypto.h"
#include "engine/access/ReaderProcess.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cstdio>

namespace {

const QString kShared = QStringLiteral(VANTOR_SOURCE_DIR "/../shared/testdata/access/");

struct Pair {
    const char* primary;
    const char* secondary;
};

const Pair kPairs[] = {
    {"testV2003.mdb", "testV2007.accdb"},
    {"queryTestV2003.mdb", "queryTestV2010.accdb"},
    {"indexTestV2000.mdb", "compIndexTestV2000.mdb"},
};

std::string pairName(const Pair& p) {
    return std::string(p.primary) + "+" + p.secondary;
}

void registerRun(const std::string& name, std::vector<QStringList> commands) {
    vantor::bench::Repeated(benchmark::RegisterBenchmark(name.c_str(),
                                                         [commands](benchmark::State& s) {
                                                             vantor::bench::RunToEnd(s, commands);
                                                         }),
                            9);
}

} // namespace

int main(int argc, char** argv) {
    const QString reader = vantor::AccessReaderProgram();
    const QString cli = QFileInfo(reader).dir().filePath(QStringLiteral("vantor-cli"));
    const QString mdbSchema = QStandardPaths::findExecutable(QStringLiteral("mdb-schema"));
    if (mdbSchema.isEmpty()) {
        std::fprintf(stderr, "mdb-schema is not installed (Debian package mdbtools)\n");
        return 1;
    }
    for (const Pair& p : kPairs) {
        const QString a = kShared + p.primary, b = kShared + p.secondary;
        registerRun("cli-compare/" + pairName(p), {{cli, "compare", a, b}});
        registerRun("mdb-schema-both/" + pairName(p), {{mdbSchema, a}, {mdbSchema, b}});
    }
    // Decryption, whole process: an encrypted file against a plain one of about its size.
    QTemporaryDir dir;
    const QString passwordFile = dir.filePath("password");
    QFile pw(passwordFile);
    if (pw.open(QIODevice::WriteOnly))
        pw.write("1234\n");
    pw.close();
    registerRun("cli-snapshot/encrypted db2013-enc.accdb",
                {{cli, "snapshot", kShared + "encrypted/db2013-enc.accdb", "--password-file",
                  passwordFile, "-o", dir.filePath("enc.json")}});
    registerRun("cli-snapshot/plain empty2010.accdb",
                {{cli, "snapshot", kShared + "empty2010.accdb", "-o", dir.filePath("plain.json")}});

    // Decryption alone, in this process: the password check, then every page of the file.
    for (const auto& [name, password] :
         {std::pair{"db2013-enc.accdb", "1234"}, std::pair{"db2007-enc.accdb", "Test123"},
          std::pair{"db2007-oldenc.accdb", "Test123"}}) {
        const QString path = kShared + "encrypted/" + name;
        vantor::bench::Repeated(
            benchmark::RegisterBenchmark(
                (std::string("decrypt-whole-file/") + name).c_str(),
                [path, password = QString::fromLatin1(password)](benchmark::State& s) {
                    QFile file(path);
                    if (!file.open(QIODevice::ReadOnly)) {
                        s.SkipWithError("the file is not there");
                        return;
                    }
                    const QByteArray bytes = file.readAll();
                    for (auto _ : s) {
                        auto encryption = vantor::ParseOfficeEncryption(bytes.left(4096));
                        auto decryptor = encryption
                                             ? vantor::UnlockOfficeEncryption(*encryption, password)
                                             : std::nullopt;
                        if (!decryptor) {
                            s.SkipWithError("the file did not open");
                            return;
                        }
                        QByteArray pages = bytes;
                        for (qsizetype page = 1; (page + 1) * 4096 <= pages.size(); ++page)
                            decryptor->DecryptPage(static_cast<quint32>(page),
                                                   pages.data() + page * 4096, 4096);
                        benchmark::DoNotOptimize(pages.data());
                    }
                }),
            5);
    }

    benchmark::Initialize(&argc, argv);
    vantor::bench::MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    std::printf("\nvantor-cli compare / mdb-schema on both files, ratio of medians:\n");
    for (const Pair& p : kPairs) {
        const double ours = reporter.Median("cli-compare/" + pairName(p));
        const double theirs = reporter.Median("mdb-schema-both/" + pairName(p));
        if (ours > 0 && theirs > 0)
            std::printf("  %-44s %6.1f ms / %6.1f ms = %.2fx\n", pairName(p).c_str(), ours, theirs,
                        ours / theirs);
    }
    benchmark::Shutdown();
    return 0;
}
