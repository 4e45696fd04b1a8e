#pragma once

#include <QColor>
#include <QList>
#include <QStringList>

class QTextEdit;

namespace vantor {

class clsEngine;

struct DiffRun {
    int offset; // 0-based
    int length;

    bool operator==(const DiffRun&) const = default;
};

// The stretches a PosDiffPri list names: every entry but the last, split at its TAB, as 0-based
// offsets; an entry without a length (a run still open at the end of the text) is skipped.
QList<DiffRun> DiffRuns(const QStringList& posDiff);

inline const QColor kMarkRed = QColor(255, 0, 0);

// Colours both panes black, lets the engine compare their texts, and colours in both panes the
// stretches where the texts differ red.
void MarkDifferences(clsEngine& engine, QTextEdit* pane0, QTextEdit* pane1);

} // namespace vantor
