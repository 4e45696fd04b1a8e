#include "engine/access/reader/ApplyRun.h"

#include "engine/access/ReaderProtocol.h"
#include "engine/access/WriterProtocol.h"
#include "engine/access/reader/ReaderRun.h"
#include "engine/snapshot/JetDdlStatements.h"
#include "model/Error.h"

#include <cstdio>
#include <new>
#include <unistd.h>

namespace vantor {

namespace {

int notWritten(const QString& why) {
    std::fprintf(stderr, "%s\n", why.toUtf8().constData());
    return writerexit::NotWritten;
}

} // namespace

int RunApply(const QString& path, const QByteArray& request, int answerFd,
             const WriterOpener& openWriter, const std::function<bool()>& stopRequested) {
    try {
        const QStringList batches = ApplyRequestFromJson(request);
        std::unique_ptr<JetFileWriter> writer;
        try {
            writer = openWriter(path);
        } catch (const Error& e) {
            return notWritten(e.description());
        }
        ApplyAnswer answer;
        for (const QString& batch : batches) {
            if (stopRequested && stopRequested()) {
                answer.stopped = true;
                break;
            }
            try {
                writer->Apply(ParseJetDdl(batch));
            } catch (const Error& e) {
                answer.failure = ApplyFailure{answer.applied, e.number(), e.description()};
                break;
            }
            ++answer.applied;
        }
        try {
            writer->Flush();
        } catch (const Error& e) {
            return notWritten(e.description());
        }
        if (!WriteAll(answerFd, ApplyAnswerToJson(answer)))
            return notWritten(QStringLiteral("The answer could not be written."));
        return readerexit::Ok;
    } catch (const std::bad_alloc&) {
        std::fputs("out of memory\n", stderr);
        return readerexit::OutOfMemory;
    } catch (const Error& e) {
        return notWritten(e.description());
    } catch (const std::exception& e) {
        return notWritten(QString::fromLocal8Bit(e.what()));
    }
}

} // namespace vantor
