#include "engine/access/reader/WatchedPages.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vantor {

namespace {

struct WatchedStream {
    int fd = -1;
    off64_t position = 0;
    size_t pageSize = 0;
    std::shared_ptr<PageReads> reads;
};

ssize_t readWatched(void* cookie, char* buffer, size_t size) {
    auto* stream = static_cast<WatchedStream*>(cookie);
    ssize_t got;
    do
        got = pread(stream->fd, buffer, size, stream->position);
    while (got < 0 && errno == EINTR);
    if (got < 0)
        return -1;
    stream->position += got;
    // The stream may ask for more than the page libmdb wants; only a page cut short counts.
    if (static_cast<size_t>(got) < std::min(size, stream->pageSize) &&
        !stream->reads->pastEnd.exchange(true) && stream->reads->onPastEnd)
        stream->reads->onPastEnd();
    return got;
}

int seekWatched(void* cookie, off64_t* offset, int whence) {
    auto* stream = static_cast<WatchedStream*>(cookie);
    off64_t base = 0;
    if (whence == SEEK_CUR) {
        base = stream->position;
    } else if (whence == SEEK_END) {
        struct stat info;
        if (fstat(stream->fd, &info) != 0)
            return -1;
        base = info.st_size;
    }
    if (*offset < -base)
        return -1;
    stream->position = base + *offset;
    *offset = stream->position;
    return 0;
}

int closeWatched(void* cookie) {
    auto* stream = static_cast<WatchedStream*>(cookie);
    int result = close(stream->fd);
    delete stream;
    return result;
}

} // namespace

bool WatchPageReads(MdbHandle* mdb, std::shared_ptr<PageReads> reads) {
    if (!mdb || !mdb->f || !mdb->f->stream)
        return false;
    int fd = fcntl(fileno(mdb->f->stream), F_DUPFD_CLOEXEC, 0);
    if (fd < 0)
        return false;
    auto* state =
        new WatchedStream{fd, 0, static_cast<size_t>(mdb->fmt->pg_size), std::move(reads)};
    cookie_io_functions_t functions = {readWatched, nullptr, seekWatched, closeWatched};
    FILE* watched = fopencookie(state, "r", functions);
    if (!watched) {
        closeWatched(state);
        return false;
    }
    // A buffer of one page: libmdb reads whole pages, which then go straight into its own buffer
    // in one read each, and nothing is read ahead past the page it asked for.
    setvbuf(watched, nullptr, _IOFBF, static_cast<size_t>(mdb->fmt->pg_size));
    std::fclose(mdb->f->stream);
    mdb->f->stream = watched;
    return true;
}

} // namespace vantor
