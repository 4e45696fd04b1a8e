// vantor-mdb-reader [--answer-fd N] [--password-stdin] [--] FILE: writes the schema of an
// Access file as a snapshot, so that libmdb runs in a process of its own that the parent can
// limit and stop.
#include "engine/access/ReaderProtocol.h"
#include "engine/access/reader/ReaderRun.h"

#include <QFile>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <string_view>
#include <unistd.h>

namespace {

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
    return RunReader(QFile::decodeName(argv[next]), passwordOnStdin ? readPassword() : QString(),
                     answerFd);
}
