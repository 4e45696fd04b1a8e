#include "engine/access/reader/ReaderCommand.h"

#include "engine/access/ReaderProtocol.h"
#include "engine/access/WriterProtocol.h"
#include "engine/access/reader/ReaderRun.h"
#include "engine/access/reader/RowDigest.h"

#include <QFile>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <poll.h>
#include <string_view>
#include <unistd.h>

namespace vantor {

namespace {

// Standard input up to most bytes; a runaway input is cut off rather than read without end.
QByteArray readInput(size_t most) {
    QByteArray bytes;
    char chunk[4096];
    ssize_t n;
    while (static_cast<size_t>(bytes.size()) < most &&
           (n = read(STDIN_FILENO, chunk, sizeof chunk)) != 0) {
        if (n < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        bytes.append(chunk, n);
    }
    return bytes.left(static_cast<qsizetype>(most));
}

// The request is the first line on standard input; anything after it, or its end, asks the run
// to stop, and is looked for without waiting.
struct RequestInput {
    QByteArray request;
    bool stopSent = false; // read together with the request
};

RequestInput readRequestLine(size_t most) {
    RequestInput in;
    char chunk[65536];
    while (static_cast<size_t>(in.request.size()) < most) {
        const ssize_t n = read(STDIN_FILENO, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            in.stopSent = true;
            break;
        }
        in.request.append(chunk, n);
        if (const qsizetype end = in.request.indexOf('\n'); end >= 0) {
            in.stopSent = end + 1 < in.request.size();
            in.request.truncate(end);
            break;
        }
    }
    return in;
}

bool stopOnInput() {
    pollfd in{STDIN_FILENO, POLLIN, 0};
    return poll(&in, 1, 0) > 0 && (in.revents & (POLLIN | POLLHUP | POLLERR)) != 0;
}

int usage() {
    std::fputs("usage: vantor-mdb-reader [--answer-fd N] [--password-stdin | --apply | --digest] "
               "[--] FILE\n",
               stderr);
    return readerexit::Usage;
}

enum class Mode { Schema, SchemaWithPassword, Apply, Digest };

} // namespace

int ReaderMain(int argc, char** argv, const WriterOpener& openWriter) {
    int answerFd = STDOUT_FILENO;
    int next = 1;
    if (next + 1 < argc && std::string_view(argv[next]) == kReaderAnswerFdOption) {
        std::string_view number(argv[next + 1]);
        auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), answerFd);
        if (ec != std::errc() || end != number.data() + number.size() || answerFd < 0)
            return usage();
        next += 2;
    }
    Mode mode = Mode::Schema;
    if (next < argc) {
        const std::string_view option(argv[next]);
        if (option == kReaderPasswordOption)
            mode = Mode::SchemaWithPassword;
        else if (option == kReaderApplyOption)
            mode = Mode::Apply;
        else if (option == kReaderDigestOption)
            mode = Mode::Digest;
        if (mode != Mode::Schema)
            ++next;
    }
    if (next < argc && std::string_view(argv[next]) == "--")
        ++next;
    if (argc != next + 1)
        return usage();
    const QString path = QFile::decodeName(argv[next]);
    constexpr size_t kLongestPassword = 4096;
    constexpr size_t kLongestRequest = size_t(64) << 20;
    switch (mode) {
    case Mode::Schema:
        return RunReader(path, QString(), answerFd);
    case Mode::SchemaWithPassword:
        return RunReader(path, QString::fromUtf8(readInput(kLongestPassword)), answerFd);
    case Mode::Apply: {
        const RequestInput input = readRequestLine(kLongestRequest);
        return RunApply(path, input.request, answerFd, openWriter,
                        [stopSent = input.stopSent] { return stopSent || stopOnInput(); });
    }
    case Mode::Digest:
        return RunRowDigest(path, answerFd);
    }
    return usage();
}

} // namespace vantor
