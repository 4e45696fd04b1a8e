#include "ui/compare/DiffMarking.h"

#include "engine/clsEngine.h"

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

QList<DiffRun> DiffRuns(const QStringList& posDiff) {
    QList<DiffRun> runs;
    for (qsizetype i = 0; i + 1 < posDiff.size(); ++i) {
        QStringList parts = posDiff[i].split(QLatin1Char('\t'));
        if (parts.size() != 2)
            continue;
        bool startOk = false;
        bool lengthOk = false;
        int start = parts[0].toInt(&startOk);
        int length = parts[1].toInt(&lengthOk);
        if (startOk && lengthOk && start >= 1 && length > 0)
            runs.append({start - 1, length});
    }
    return runs;
}

void MarkDifferences(clsEngine& engine, QTextEdit* pane0, QTextEdit* pane1) {
    for (QTextEdit* pane : {pane0, pane1})
        colour(pane, 0, pane->document()->characterCount() - 1, Qt::black);
    engine.CmpString(pane0->toPlainText(), pane1->toPlainText());
    for (const DiffRun& run : DiffRuns(engine.PosDiffPri))
        for (QTextEdit* pane : {pane0, pane1})
            colour(pane, run.offset, run.length, kMarkRed);
}

} // namespace vantor
