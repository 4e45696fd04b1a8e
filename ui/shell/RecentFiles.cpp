#include "ui/shell/RecentFiles.h"

#include "ui/shell/AppFiles.h"
#include "ui/shell/MainMenu.h"

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QVariant>
#include <limits>
#include <utility>

namespace vantor {

namespace {

constexpr qsizetype kMaxLength = std::numeric_limits<quint16>::max();
// The longest list the layout can hold; nothing behind it is ever read.
constexpr qsizetype kMaxListBytes = RecentFiles::kSlots * (2 + kMaxLength);
// A longer file was not written by us, so its tail is not worth carrying over.
constexpr qint64 kMaxKeptFile = qint64{1024} * 1024;

// Menus take '&' as a mnemonic mark and a tab as the start of a shortcut.
QString menuCaption(const QString& path) {
    QString caption = path;
    caption.replace(QLatin1Char('&'), QLatin1String("&&"));
    caption.replace(QLatin1Char('\t'), QLatin1Char(' '));
    return caption;
}

} // namespace

RecentFiles::RecentFiles(QString file, MainMenu* menu) : file_(std::move(file)), menu_(menu) {}

QString RecentFiles::DefaultFile() {
    return BesideProgramOrUserData(QStringLiteral("recent.rct"));
}

void RecentFiles::LoadRecentFiles() {
    entries_ = Read(file_);
    if (menu_)
        ShowIn(*menu_);
}

bool RecentFiles::AddRecentFile(const QString& path) {
    // An empty path would leave a hole that the menu cannot show.
    if (path.isEmpty())
        return false;
    for (size_t i = entries_.size() - 1; i > 0; --i)
        entries_[i] = entries_[i - 1];
    entries_[0] = path;
    const bool written = Write(file_, entries_);
    if (menu_)
        ShowIn(*menu_);
    return written;
}

void RecentFiles::ShowIn(MainMenu& menu) const {
    for (size_t i = 0; i < entries_.size(); ++i) {
        if (entries_[i].isEmpty())
            continue;
        QAction* entry = menu.recentItems[i];
        entry->setText(menuCaption(entries_[i]));
        entry->setData(entries_[i]);
        entry->setVisible(true);
        entry->setEnabled(true);
    }
}

QString RecentFiles::PathOf(const QAction* entry) {
    return entry ? entry->data().toString() : QString();
}

QByteArray RecentFiles::Encode(const Entries& entries) {
    QByteArray bytes;
    for (const QString& entry : entries) {
        QByteArray path = entry.toLocal8Bit();
        // A path too long for its length field is dropped rather than garbling the slots after.
        if (path.size() > kMaxLength)
            path.clear();
        const auto length = static_cast<quint16>(path.size());
        bytes.append(static_cast<char>(length & 0xff));
        bytes.append(static_cast<char>(length >> 8));
        bytes.append(path);
    }
    return bytes;
}

RecentFiles::Entries RecentFiles::Decode(const QByteArray& bytes) {
    Entries entries;
    qsizetype at = 0;
    for (QString& entry : entries) {
        if (bytes.size() - at < 2)
            break;
        const qsizetype length = static_cast<quint8>(bytes[at]) |
                                 (static_cast<qsizetype>(static_cast<quint8>(bytes[at + 1])) << 8);
        at += 2;
        if (bytes.size() - at < length)
            break;
        entry = QString::fromLocal8Bit(bytes.mid(at, length));
        at += length;
    }
    return entries;
}

RecentFiles::Entries RecentFiles::Read(const QString& file) {
    // Only a regular file: opening a pipe or a device would block or never end.
    if (!QFileInfo(file).isFile())
        return {};
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        return {};
    return Decode(in.read(kMaxListBytes));
}

bool RecentFiles::Write(const QString& file, const Entries& entries) {
    QByteArray bytes = Encode(entries);
    const QFileInfo info(file);
    if (info.exists() && !info.isFile())
        return false;
    if (info.exists() && info.size() > bytes.size() && info.size() <= kMaxKeptFile) {
        QFile old(file);
        if (old.open(QIODevice::ReadOnly) && old.seek(bytes.size()))
            bytes.append(old.readAll());
    }
    // The whole file is replaced at once, so a failure leaves the former list intact.
    QSaveFile out(file);
    out.setDirectWriteFallback(true);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    if (out.write(bytes) != bytes.size()) {
        out.cancelWriting();
        return false;
    }
    return out.commit();
}

} // namespace vantor
