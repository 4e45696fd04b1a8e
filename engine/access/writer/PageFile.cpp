#include "engine/access/writer/PageFile.h"

#include "engine/access/writer/JetBytes.h"
#include "model/Error.h"

#include <unistd.h>

namespace vantor::jet {

namespace {

// Page numbers are three bytes wide wherever a row pointer holds one.
constexpr quint32 kPageNumberLimit = 1u << 24;

[[noreturn]] void raiseDisk(const QFile& file, const char* action) {
    throw Error(ErrorCode::Provider,
                QStringLiteral("Vantor could not %1 %2: %3")
                    .arg(QString::fromLatin1(action), file.fileName(), file.errorString()));
}

} // namespace

PageFile::PageFile(const QString& path, int pageSize, bool writable)
    : file_(path), pageSize_(pageSize) {
    if (!file_.open(writable ? QIODevice::ReadWrite : QIODevice::ReadOnly))
        raiseDisk(file_, "open");
    qint64 size = file_.size();
    if (size % pageSize_ != 0 || size / pageSize_ >= kPageNumberLimit ||
        size < 2 * qint64(pageSize_))
        RaiseDamaged(
            QStringLiteral("the file's length %1 is not a whole number of pages").arg(size));
    pageCount_ = static_cast<quint32>(size / pageSize_);
}

QByteArray PageFile::Page(quint32 number) const {
    if (number >= pageCount_)
        RaiseDamaged(QStringLiteral("page %1 lies beyond the end of the file").arg(number));
    auto cached = cache_.constFind(number);
    if (cached != cache_.constEnd())
        return *cached;
    if (!file_.seek(qint64(number) * pageSize_))
        raiseDisk(file_, "read");
    QByteArray bytes = file_.read(pageSize_);
    if (bytes.size() != pageSize_)
        raiseDisk(file_, "read");
    cache_.insert(number, bytes);
    return bytes;
}

void PageFile::WritePage(quint32 number, const QByteArray& bytes) {
    if (number >= pageCount_ || number == 0)
        RaiseDamaged(QStringLiteral("page %1 cannot be written").arg(number));
    if (bytes.size() != pageSize_)
        RaiseDamaged(QStringLiteral("a page of %1 bytes was to be written").arg(bytes.size()));
    if (journalOpen_ && number < journalPageCount_ && !journal_.contains(number))
        journal_.insert(number, Page(number));
    writeAt(number, bytes);
}

quint32 PageFile::AppendPage(const QByteArray& bytes) {
    if (bytes.size() != pageSize_)
        RaiseDamaged(QStringLiteral("a page of %1 bytes was to be added").arg(bytes.size()));
    if (pageCount_ + 1 >= kPageNumberLimit)
        throw Error(ErrorCode::Provider,
                    QStringLiteral("The database has reached its size limit."));
    quint32 number = pageCount_;
    ++pageCount_;
    writeAt(number, bytes);
    return number;
}

void PageFile::writeAt(quint32 number, const QByteArray& bytes) {
    cache_.remove(number);
    if (!file_.seek(qint64(number) * pageSize_) || file_.write(bytes) != bytes.size())
        raiseDisk(file_, "write");
    cache_.insert(number, bytes);
}

void PageFile::Begin() {
    journal_.clear();
    journalPageCount_ = pageCount_;
    journalOpen_ = true;
}

void PageFile::Commit() {
    journal_.clear();
    journalOpen_ = false;
}

void PageFile::Rollback() {
    if (!journalOpen_)
        return;
    cache_.clear();
    for (auto it = journal_.constBegin(); it != journal_.constEnd(); ++it)
        writeAt(it.key(), it.value());
    if (pageCount_ != journalPageCount_) {
        if (!file_.resize(qint64(journalPageCount_) * pageSize_))
            raiseDisk(file_, "shorten");
        pageCount_ = journalPageCount_;
    }
    cache_.clear();
    journal_.clear();
    journalOpen_ = false;
}

void PageFile::Flush() {
    if (!file_.flush() || ::fsync(file_.handle()) != 0)
        raiseDisk(file_, "write");
}

} // namespace vantor::jet
