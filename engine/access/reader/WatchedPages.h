#pragma once

#include <QtGlobal>
#include <atomic>
#include <functional>
#include <memory>

// After the standard headers: glib pulls in C++ headers of its own inside libmdb's extern "C".
#include <mdbtools.h>

namespace vantor {

// What the reads of a file's pages showed.
struct PageReads {
    std::atomic<bool> pastEnd{false};
    // Called once, on the reading thread, at the first read past the end of the file.
    std::function<void()> onPastEnd;
    // When set, turns every page but page 0 into what libmdb is to see, in memory, as it is read.
    std::function<void(quint32 page, char* bytes)> decodePage;
    // The file as the watched stream reads it, while libmdb keeps the stream open.
    int fd = -1;
};

// Gives libmdb the file through a stream of the reader's own that notes every read reaching past
// the end of the file. libmdb itself hands back the page that starts exactly at the end as
// zeros, without a word, so a file cut at a page boundary would otherwise read as a smaller one.
// Pages to decode reach libmdb only through memory. Returns false when the stream cannot be
// replaced.
bool WatchPageReads(MdbHandle* mdb, std::shared_ptr<PageReads> reads);

// Reads count whole pages from first on in one go, decoded as the watched stream hands them to
// libmdb, into out; false when they are not all there. For a pass over many pages, which one
// read of each through libmdb would make slow; libmdb's own scrambling of Jet files that are
// "encoded" is not undone here.
bool ReadPagesAtOnce(const PageReads& reads, size_t pageSize, quint32 first, quint32 count,
                     char* out);

} // namespace vantor
