// vantor-mdb-reader [--answer-fd N] [--password-stdin] [--] FILE: writes the schema of an
// Access file as a snapshot, so that libmdb runs in a process of its own that the parent can
// limit and stop.
#include "engine/SnapshotJson.h"
#include "engine/access/ReaderProtocol.h"
#include "engine/access/reader/MdbSchemaReader.h"

#include <QFile>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <new>
#include <string_view>
#include <unistd.h>

namespace {

bool writeAll(int fd, const QByteArray& bytes) {
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

// The whole of standard input, which the parent closes after the password; a runaway input is
// cut off rather than read without end.
QString readPassword() {
    constexpr size_t kMost = 4096;
    QByteArray bytes;
    char chunk[512];
    ssize_t n;
    while (static_cast<size_t>(bytes.size()) < kMost &&
           (n = read(STDIN_FILENO, chunk, sizeof chunk)) != 0) {
        if (n < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        bytes.append(chunk, n);
    }
    return QString::fromUtf8(bytes.left(kMost));
}

int usage() {
    std::fputs("usage: vantor-mdb-reader [--answer-fd N] [--password-stdin] [--] FILE\n", stderr);
    return vantor::readerexit::Usage;
}

} // namespace

int main(int argc, char** argv) {
    using namespace vantor;
    int answerFd = STDOUT_FILENO;
    int next = 1;
    if (next + 1 < argc && std::string_view(argv[next]) == kReaderAnswerFdOption) {
        std::string_view number(argv[next + 1]);
        auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), answerFd);
        if (ec != std::errc() || end != number.data() + number.size() || answerFd < 0)
            return usage();
        next += 2;
    }
    bool passwordOnStdin = false;
    if (next < argc && std::string_view(argv[next]) == kReaderPasswordOption) {
        passwordOnStdin = true;
        ++next;
    }
    if (next < argc && std::string_view(argv[next]) == "--")
        ++next;
    if (argc != next + 1)
        return usage();
    // Outlives the read, during which the watch threads may report damage.
    std::atomic_flag reported;
    try {
        const QString password = passwordOnStdin ? readPassword() : QString();
        // libmdb goes on after a failed read and may loop on what it made of the bad pages;
        // the first sign of damage settles the answer, so the reader stops there.
        const int reportFd = dup(STDERR_FILENO);
        Schema schema = ReadMdbSchema(QFile::decodeName(argv[next]), password,
                                      [reportFd, &reported](const QString& why) {
                                          // The page watch and the message watch may both see the
                                          // damage at once; the second waits for the first to say
                                          // why and end the process.
                                          if (reported.test_and_set())
                                              for (;;)
                                                  pause();
                                          writeAll(reportFd, why.toUtf8() + '\n');
                                          _exit(readerexit::Damaged);
                                      });
        if (!writeAll(answerFd, WriteSnapshotJson(schema))) {
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
