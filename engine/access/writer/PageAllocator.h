#pragma once

#include <QByteArray>
#include <QtGlobal>

namespace vantor::jet {

class PageFile;

// Hands out and takes back pages through the file's global usage map (page 1, row 0), in which a
// set bit marks a free page.
class PageAllocator {
public:
    explicit PageAllocator(PageFile& file) : file_(file) {}

    // Puts the contents on a free page of the file, or on a new one at its end, and marks the
    // page in use.
    quint32 NewPage(const QByteArray& contents);
    // Puts the contents on a new page at the file's end, after every other page.
    quint32 PageAtEnd(const QByteArray& contents);
    // Marks a page free; its bytes stay as they are, as Access leaves them, unless it lies below
    // the map's window, where it is blanked instead.
    void FreePage(quint32 page);
    bool IsFree(quint32 page) const;

private:
    // False, changing nothing, for a page below the map's window.
    bool setFree(quint32 page, bool free);

    PageFile& file_;
};

} // namespace vantor::jet
