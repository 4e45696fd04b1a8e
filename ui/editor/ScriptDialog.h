#pragma once

#include "model/Kinds.h"

#include <QString>

class QWidget;

namespace vantor {

class Desktop;
class Session;

// Shows a script in the script window, aimed at one of the two open databases, as a modal
// dialog, and returns when the user has closed it. chooseTarget lets the user switch the
// target; otherwise it stays the one given. Each call gets a fresh window, so nothing of an
// earlier script (text, marks, target) carries over.
void ShowScriptWindow(QWidget* parent, Session& session, Desktop& desktop, const QString& script,
                      Side target, bool chooseTarget = false);

} // namespace vantor
