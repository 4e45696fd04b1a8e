#pragma once

#include <QColor>

class QTextEdit;

namespace vantor {

inline const QColor kMarkRed = QColor(255, 0, 0);

// Colours both panes black, compares their texts line by line, and colours red in each pane the
// stretches of its own text that the other lacks.
void MarkDifferences(QTextEdit* pane0, QTextEdit* pane1);

} // namespace vantor
