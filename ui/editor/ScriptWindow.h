#pragma once

#include <QString>

class QWidget;

namespace vantor {

class frmEditor;

// Which database a script window opened by a command is aimed at.
enum class ScriptTarget { Primary = 0, Secondary = 1 };

// Shows a script in the script window, aimed at one of the two open databases, as a modal
// dialog, and returns when the user has closed it. chooseTarget lets the user switch the
// target; otherwise it stays the one given. Each call gets a fresh window, so nothing of an
// earlier script (text, marks, target) carries over.
void ShowScriptWindow(QWidget* parent, const QString& script, ScriptTarget target,
                      bool chooseTarget = false);

} // namespace vantor
