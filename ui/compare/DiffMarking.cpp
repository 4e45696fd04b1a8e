#include "ui/compare/DiffMarking.h"

#include "engine/Compare.h"

#include <QBrush>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <algorithm>

namespace vantor {

namespace {

// Marked stretches also get a pale ground, so a differing blank shows as well.
const QColor kMarkGround(255, 226, 226);

void colour(QTextEdit* pane, int offset, int length, const QColor& color) {
    // The runs come from the primary text; the secondary pane may be shorter.
    int end = pane->document()->characterCount() - 1;
    int from = std::clamp(offset, 0, end);
    int to = std::clamp(offset + length, from, end);
    if (from == to && length > 0)
        return;
    QTextCursor cursor(pane->document());
    cursor.setPosition(from);
    cursor.setPosition(to, QTextCursor::KeepAnchor);
    QTextCharFormat format;
    format.setForeground(color);
    format.setBackground(color == kMarkRed ? QBrush(kMarkGround) : QBrush(Qt::transparent));
    cursor.mergeCharFormat(format);
}

} // namespace

void MarkDifferences(QTextEdit* pane0, QTextEdit* pane1) {
    for (QTextEdit* pane : {pane0, pane1})
        colour(pane, 0, pane->document()->characterCount() - 1, Qt::black);
    for (const TextRun& run : DifferingRuns(pane0->toPlainText(), pane1->toPlainText()))
        for (QTextEdit* pane : {pane0, pane1})
            colour(pane, static_cast<int>(run.offset), static_cast<int>(run.length), kMarkRed);
}

} // namespace vantor
