#include "engine/access/reader/WatchedPages.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace vantor {

namespace {

struct WatchedStream {
    int fd = -1;
    off64_t position = 0;
    size_t pageSize = 0;
    std::shared_ptr<PageReads> reads;
};

ssize_t readAt(int fd, char* buffer, size_t size, off64_t position) {
    ssize_t got;
    do
        got = pread(fd, buffer, size, position);
    while (got < 0 && errno == EINTR);
    return got;
}

// Reads the whole pages that hold the range, decodes them, and hands over the range.
ssize_t readDecoded(const WatchedStream& stream, char* buffer, size_t size) {
    const auto pageSize = static_cast<off64_t>(stream.pageSize);
    const off64_t first = stream.position / pageSize;
    const off64_t skip = stream.position - first * pageSize;
    const size_t count = (static_cast<size_t>(skip) + size + stream.pageSize - 1) / stream.pageSize;
    std::vector<char> pages(count * stream.pageSize);
    ssize_t got = readAt(stream.fd, pages.data(), pages.size(), first * pageSize);
    if (got < 0)
        return -1;
    const off64_t whole = got / pageSize;
    for (off64_t i = 0; i < whole; ++i)
        if (first + i > 0)
            stream.reads->decodePage(static_cast<quint32>(first + i), pages.data() + i * pageSize);
    // A trailing part page cannot be decoded; it counts as missing.
    const off64_t usable = std::max<off64_t>(0, whole * pageSize - skip);
    const size_t handed = std::min(size, static_cast<size_t>(usable));
    std::memcpy(buffer, pages.data() + skip, handed);
    return static_cast<ssize_t>(handed);
}

ssize_t readWatched(void* cookie, char* buffer, size_t size) {
    auto* stream = static_cast<WatchedStream*>(cookie);
    ssize_t got = stream->reads->decodePage ? readDecoded(*stream, buffer, size)
                                            : readAt(stream->fd, buffer, size, stream->position);
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

bool ReadPagesAtOnce(const PageReads& reads, size_t pageSize, quint32 first, quint32 count,
                     char* out) {
    const size_t size = pageSize * count;
    if (reads.fd < 0 ||
        readAt(reads.fd, out, size, static_cast<off64_t>(first) * static_cast<off64_t>(pageSize)) !=
            static_cast<ssize_t>(size))
        return false;
    if (reads.decodePage)
        for (quint32 i = 0; i < count; ++i)
            if (first + i > 0)
                reads.decodePage(first + i, out + size_t(i) * pageSize);
    return true;
}

bool WatchPageReads(MdbHandle* mdb, std::shared_ptr<PageReads> reads) {
    if (!mdb || !mdb->f || !mdb->f->stream)
        return false;
    int fd = fcntl(fileno(mdb->f->stream), F_DUPFD_CLOEXEC, 0);
    if (fd < 0)
        return false;
    reads->fd = fd;
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
