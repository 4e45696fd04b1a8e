#pragma once

#include <QString>
#include <array>

namespace vantor {

class MainMenu;

// Room for 51 add-in paths, of which the Add-Ins menu shows the first 50.
inline constexpr int kPluginSlots = 51;
inline constexpr int kAddInMenuEntries = 50;

// Full paths of the add-in programs found at start-up; the first empty entry ends the list.
extern std::array<QString, kPluginSlots> PluginFiles;

// The PLUGINS folder beside the program, else the one in the per-user data folder.
QString PluginFolder();

// Fills PluginFiles with the executable files of folder (not its subfolders), in the order
// the directory listing gives them; programs beyond the table's room are left out.
void LoadPlugins(const QString& folder = PluginFolder());

// Captions the Add-Ins menu with PluginFiles: element 0 is reused, the others are created.
void FillAddInMenu(MainMenu& menu);

// Starts PluginFiles(index) as a process of its own, passing nothing and waiting for nothing;
// an index out of range, an empty entry or a program that cannot be started does nothing.
void RunPlugin(int index);

} // namespace vantor
