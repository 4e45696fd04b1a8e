#pragma once

#include <QColor>

class QTextEdit;

namespace vantor {

inline const QColor kMarkRed = QColor(255, 0, 0);

// Colours both panes black, compares their texts, and colours in both panes the stretches where
// the texts differ red.
void MarkDifferences(QTextEdit* pane0, QTextEdit* pane1);

} // namespace vantor
