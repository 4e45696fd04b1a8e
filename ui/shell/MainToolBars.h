#pragma once

#include <QString>

class QAction;
class QToolBar;
class QWidget;

namespace vantor {

// The main tool bar tBar (buttons with keys and tool tips) and the macro bar tbMacro. Each
// button carries its key as the action's data.
QToolBar* MakeMainToolBar(QWidget* parent);
QToolBar* MakeMacroToolBar(QWidget* parent);

QString ButtonKey(const QAction* button);
// The button with the key, or null.
QAction* FindButton(const QToolBar& bar, const QString& key);

} // namespace vantor
