#pragma once

#include <QString>
#include <array>

namespace vantor {

class MainMenu;

// Room for 51 add-in paths, of which the Add-Ins menu shows the first 50.
inline constexpr int kPluginSlots = 51;
inline constexpr int kAddInMenuEntries = 50;

// The PLUGINS folder beside the program, else the one in the per-user data folder.
QString PluginFolder();

// The add-in programs found at start-up and the menu entries that start them.
class AddIns {
public:
    using Programs = std::array<QString, kPluginSlots>;

    // Full paths; the first empty entry ends the list.
    const Programs& Files() const { return files_; }

    // Takes the executable files of folder (not its subfolders), in the order the directory
    // listing gives them; programs beyond the table's room are left out.
    void Load(const QString& folder);

    // Captions the Add-Ins menu with the programs: element 0 is reused, the others are created.
    void FillMenu(MainMenu& menu) const;

    // Starts program index as a process of its own, passing nothing and waiting for nothing; an
    // index out of range, an empty entry or a program that cannot be started does nothing.
    void Run(int index) const;

private:
    Programs files_;
};

} // namespace vantor
