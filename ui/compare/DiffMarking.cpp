#include "ui/compare/DiffMarking.h"

#include "engine/TextDiff.h"

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
    // A pane with nothing in it leaves the other unmarked, as an object on one side only is shown.
    if (pane0->document()->isEmpty() || pane1->document()->isEmpty())
        return;
    // Each pane is marked at its own text's differences.
    const TextMarks marks = MarkDifferingText(pane0->toPlainText(), pane1->toPlainText());
    for (const auto& [pane, runs] :
         {std::pair{pane0, &marks.first}, std::pair{pane1, &marks.second}})
        for (const TextRun& run : *runs)
            colour(pane, static_cast<int>(run.offset), static_cast<int>(run.length), kMarkRed);
}

} // namespace vantor
