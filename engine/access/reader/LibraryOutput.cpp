#include "engine/access/reader/LibraryOutput.h"

#include <cstdio>
#include <fcntl.h>
#include <stdexcept>
#include <unistd.h>

namespace vantor {

namespace {
constexpr qsizetype kKeptBytes = qsizetype{64} * 1024;
}

LibraryOutputCapture::LibraryOutputCapture(std::function<void(const QByteArray&)> onLine)
    : onLine_(std::move(onLine)) {
    std::fflush(stdout);
    std::fflush(stderr);
    int ends[2] = {-1, -1};
    if (pipe2(ends, O_CLOEXEC) != 0)
        throw std::runtime_error("The reader cannot set aside the Access library's messages.");
    writeEnd_ = ends[1];
    savedOut_ = dup(STDOUT_FILENO);
    savedErr_ = dup(STDERR_FILENO);
    if (savedOut_ < 0 || savedErr_ < 0 || dup2(writeEnd_, STDOUT_FILENO) < 0 ||
        dup2(writeEnd_, STDERR_FILENO) < 0) {
        close(ends[0]);
        Finish();
        throw std::runtime_error("The reader cannot set aside the Access library's messages.");
    }
    // A thread drains the pipe, so a library that prints without end never blocks on it and
    // never fills memory with it.
    watcher_ = std::thread([this, readEnd = ends[0]] { watch(readEnd); });
}

LibraryOutputCapture::~LibraryOutputCapture() {
    Finish();
}

void LibraryOutputCapture::watch(int readEnd) {
    QByteArray pending;
    char chunk[4096];
    for (;;) {
        ssize_t n = read(readEnd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        {
            std::lock_guard lock(mutex_);
            if (kept_.size() < kKeptBytes)
                kept_.append(chunk, qMin<qsizetype>(n, kKeptBytes - kept_.size()));
        }
        if (!onLine_)
            continue;
        pending.append(chunk, n);
        for (qsizetype nl; (nl = pending.indexOf('\n')) >= 0; pending.remove(0, nl + 1))
            onLine_(pending.left(nl));
        if (pending.size() > kKeptBytes) // a line without end says nothing more as it grows
            pending.clear();
    }
    if (onLine_ && !pending.isEmpty())
        onLine_(pending);
    close(readEnd);
}

QByteArray LibraryOutputCapture::Finish() {
    std::fflush(stdout);
    std::fflush(stderr);
    for (auto [saved, target] :
         {std::pair{&savedOut_, STDOUT_FILENO}, {&savedErr_, STDERR_FILENO}}) {
        if (*saved >= 0) {
            dup2(*saved, target);
            close(*saved);
            *saved = -1;
        }
    }
    if (writeEnd_ >= 0) {
        close(writeEnd_);
        writeEnd_ = -1;
    }
    if (watcher_.joinable())
        watcher_.join();
    std::lock_guard lock(mutex_);
    return std::exchange(kept_, QByteArray());
}

} // namespace vantor
