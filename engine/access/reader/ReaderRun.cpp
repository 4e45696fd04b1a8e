#include "engine/access/reader/ReaderRun.h"

#include "engine/access/ReaderAnswer.h"
#include "engine/access/ReaderProtocol.h"
#include "engine/access/reader/MdbSchemaReader.h"

#include <atomic>
#include <cstdio>
#include <memory>
#include <new>
#include <unistd.h>

namespace vantor {

int RunReader(const QString& path, const QString& password, int answerFd) {
    // Outlives the read, during which the watch threads may report damage.
    std::atomic_flag reported;
    try {
        // libmdb goes on after a failed read and may loop on what it made of the bad pages;
        // the first sign of damage settles the answer, so the reader stops there.
        const int reportFd = dup(STDERR_FILENO);
        // Tables go out as they are read; the parent uses none of it unless the reader ends well.
        // Through a copy, because the answer may go to standard output, which is set aside for
        // libmdb's output while the file is read.
        const int answerCopy = dup(answerFd);
        if (answerCopy < 0) {
            std::fputs("The answer could not be written.\n", stderr);
            return readerexit::Unreadable;
        }
        const std::unique_ptr<const int, void (*)(const int*)> closeCopy(
            &answerCopy, [](const int* fd) { close(*fd); });
        ReaderAnswerWriter answer(answerCopy);
        answer.Begin();
        Schema schema = ReadMdbSchema(
            path, password,
            [reportFd, &reported](const QString& why) {
                // The page watch and the message watch may both see the
                // damage at once; the second waits for the first to say
                // why and end the process.
                if (reported.test_and_set())
                    for (;;)
                        pause();
                WriteAll(reportFd, why.toUtf8() + '\n');
                _exit(readerexit::Damaged);
            },
            [&answer](const Table& table) { answer.Add(table); });
        for (const View& view : schema.views)
            answer.Add(view);
        for (const Query& query : schema.queries)
            answer.Add(query);
        for (const Relationship& relationship : schema.relationships)
            answer.Add(relationship);
        if (!answer.Finish(schema.sourceFormat)) {
            std::fputs("The answer could not be written.\n", stderr);
            return readerexit::Unreadable;
        }
        return readerexit::Ok;
    } catch (const WrongPassword& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return readerexit::WrongPassword;
    } catch (const EncryptedFile& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return readerexit::Encrypted;
    } catch (const DamagedFile& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return readerexit::Damaged;
    } catch (const UnreadableFile& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return readerexit::Unreadable;
    } catch (const std::bad_alloc&) {
        std::fputs("out of memory\n", stderr);
        return readerexit::OutOfMemory;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return readerexit::Unreadable;
    }
}

bool WriteAll(int fd, const QByteArray& bytes) {
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        ssize_t n = write(fd, data, static_cast<size_t>(left));
        if (n <= 0)
            return false;
        data += n;
        left -= n;
    }
    return true;
}

} // namespace vantor
