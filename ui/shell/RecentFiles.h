#pragma once

#include <QByteArray>
#include <QString>
#include <array>

class QAction;

namespace vantor {

class MainMenu;

// The six most recently used script files, slot 1 the most recent, kept in recent.rct and
// mirrored in the "&Recent File List" menu.
class RecentFiles {
public:
    static constexpr int kSlots = 6;
    using Entries = std::array<QString, kSlots>;

    // A list kept in file; with a menu, every load and addition shows the list in it.
    explicit RecentFiles(QString file = DefaultFile(), MainMenu* menu = nullptr);

    // recent.rct beside the program, or in the user's data folder.
    static QString DefaultFile();

    const QString& File() const { return file_; }
    // Slot 1 to 6; an empty string is an unused slot.
    const QString& Slot(int slot) const { return entries_.at(static_cast<size_t>(slot - 1)); }
    const Entries& All() const { return entries_; }

    // Reads the file into the list and shows the filled slots in the menu.
    void LoadRecentFiles();
    // Puts path in slot 1, moving the others down and dropping the oldest, writes the file and
    // shows the list. Answers whether the file was written; the list changes either way.
    bool AddRecentFile(const QString& path);
    // Filled slot i sets entry i - 1 of mnuRec; entries of empty slots stay as they are.
    void ShowIn(MainMenu& menu) const;

    // The path that a menu entry opens; its caption escapes what the menu would take as a
    // mnemonic.
    static QString PathOf(const QAction* entry);

    // The six entries in the file's layout: per slot a 16-bit little-endian byte count and the
    // path in the local 8-bit encoding.
    static QByteArray Encode(const Entries& entries);
    // Whatever can be read from bytes; an entry that does not fit ends the reading.
    static Entries Decode(const QByteArray& bytes);
    static Entries Read(const QString& file);
    // Overwrites the start of file with the entries, keeping what lies behind them.
    static bool Write(const QString& file, const Entries& entries);

private:
    QString file_;
    MainMenu* menu_;
    Entries entries_;
};

} // namespace vantor
