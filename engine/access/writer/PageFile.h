#pragma once

#include <QByteArray>
#include <QFile>
#include <QHash>
#include <QString>
#include <optional>

namespace vantor::jet {

// The pages of an Access file, read on demand and written through at once. Between Begin and
// Commit it journals the original bytes of every page before its first change and the file's
// former length, so that Rollback puts the file back exactly as it was.
class PageFile {
public:
    // Opens the file; raises Error when it cannot be opened or is not whole pages.
    PageFile(const QString& path, int pageSize, bool writable);

    int PageSize() const { return pageSize_; }
    quint32 PageCount() const { return pageCount_; }

    // One page's bytes; raises Error for a page number outside the file.
    QByteArray Page(quint32 number) const;
    // Replaces a whole page (journalled when a change is open).
    void WritePage(quint32 number, const QByteArray& bytes);
    // Adds a page at the end of the file and returns its number.
    quint32 AppendPage(const QByteArray& bytes);

    void Begin();
    void Commit();
    // Restores every journalled page and the former length; raises Error when the disk refuses.
    void Rollback();
    bool InChange() const { return journalOpen_; }
    void Flush();

private:
    void writeAt(quint32 number, const QByteArray& bytes);

    mutable QFile file_;
    int pageSize_;
    quint32 pageCount_ = 0;
    mutable QHash<quint32, QByteArray> cache_;
    bool journalOpen_ = false;
    quint32 journalPageCount_ = 0;
    QHash<quint32, QByteArray> journal_;
};

} // namespace vantor::jet
