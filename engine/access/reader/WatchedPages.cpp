#include "engine/access/reader/WatchedPages.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace vantor {

namespace {

// The pages libmdb read last, as it was handed them: it reads the same definition and map pages
// again and again (a table's, then its indexes', then the checks'), and each read from the file
// would cost the system calls of a seek and a read.
class RecentPages {
public:
    // Left uninitialised: a page's room is filled before it is kept, and a small file never
    // touches most of it.
    explicit RecentPages(size_t pageSize)
        : pageSize_(pageSize), bytes_(std::make_unique_for_overwrite<char[]>(kPages * pageSize)) {}

    const char* Find(off64_t page) {
        for (size_t i = 0; i < kPages; ++i)
            if (pages_[i] == page) {
                used_[i] = ++clock_;
                return bytes_.get() + i * pageSize_;
            }
        return nullptr;
    }
    // Room for the page in place of the one used longest ago; filled by the caller, and kept
    // only once Keep says it was read whole.
    char* Room(off64_t page) {
        size_t oldest = 0;
        for (size_t i = 1; i < kPages; ++i)
            if (used_[i] < used_[oldest])
                oldest = i;
        pages_[oldest] = -1;
        pending_ = oldest;
        pendingPage_ = page;
        return bytes_.get() + oldest * pageSize_;
    }
    void Keep() {
        pages_[pending_] = pendingPage_;
        used_[pending_] = ++clock_;
    }

private:
    static constexpr size_t kPages = 64;
    size_t pageSize_;
    std::unique_ptr<char[]> bytes_;
    std::array<off64_t, kPages> pages_ = filledWith(-1);
    std::array<quint64, kPages> used_{};
    quint64 clock_ = 0;
    size_t pending_ = 0;
    off64_t pendingPage_ = -1;

    static std::array<off64_t, kPages> filledWith(off64_t value) {
        std::array<off64_t, kPages> a;
        a.fill(value);
        return a;
    }
};

struct WatchedStream {
    int fd = -1;
    off64_t position = 0;
    size_t pageSize = 0;
    // The size when the watch began: libmdb asks for it before every page it reads, and a file
    // that changes under the reader shows in the reads themselves.
    off64_t size = 0;
    std::shared_ptr<PageReads> reads;
    RecentPages recent;
    // The stream's own buffer, one page, given so that the C library neither asks the file's
    // size to choose one nor reads two pages for each one libmdb wants.
    std::vector<char> buffer;
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

ssize_t readFromFile(WatchedStream& stream, char* buffer, size_t size) {
    return stream.reads->decodePage ? readDecoded(stream, buffer, size)
                                    : readAt(stream.fd, buffer, size, stream.position);
}

// A whole page at a page's start comes from the recent pages, or from the file into them.
ssize_t readPage(WatchedStream& stream, char* buffer) {
    const auto pageSize = static_cast<off64_t>(stream.pageSize);
    const off64_t page = stream.position / pageSize;
    if (const char* kept = stream.recent.Find(page)) {
        std::memcpy(buffer, kept, stream.pageSize);
        return static_cast<ssize_t>(stream.pageSize);
    }
    char* room = stream.recent.Room(page);
    const ssize_t got = readFromFile(stream, room, stream.pageSize);
    if (got == pageSize)
        stream.recent.Keep();
    if (got > 0)
        std::memcpy(buffer, room, static_cast<size_t>(got));
    return got;
}

ssize_t readWatched(void* cookie, char* buffer, size_t size) {
    auto* stream = static_cast<WatchedStream*>(cookie);
    const bool wholePage =
        size >= stream->pageSize && stream->position % static_cast<off64_t>(stream->pageSize) == 0;
    ssize_t got = wholePage ? readPage(*stream, buffer) : readFromFile(*stream, buffer, size);
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
        base = stream->size;
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
    struct stat info;
    if (fd < 0 || fstat(fd, &info) != 0) {
        if (fd >= 0)
            close(fd);
        return false;
    }
    reads->fd = fd;
    const auto pageSize = static_cast<size_t>(mdb->fmt->pg_size);
    auto* state = new WatchedStream{fd,
                                    0,
                                    pageSize,
                                    info.st_size,
                                    std::move(reads),
                                    RecentPages(pageSize),
                                    std::vector<char>(pageSize)};
    cookie_io_functions_t functions = {readWatched, nullptr, seekWatched, closeWatched};
    FILE* watched = fopencookie(state, "r", functions);
    if (!watched) {
        closeWatched(state);
        return false;
    }
    // A buffer of one page: libmdb reads whole pages, which then go straight into its own buffer
    // in one read each, and nothing is read ahead past the page it asked for.
    setvbuf(watched, state->buffer.data(), _IOFBF, pageSize);
    std::fclose(mdb->f->stream);
    mdb->f->stream = watched;
    return true;
}

} // namespace vantor
