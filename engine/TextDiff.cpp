#include "engine/TextDiff.h"

#include <algorithm>
#include <vector>

namespace vantor {

namespace {

// Larger alignments cost more memory than the marks are worth; what is past them is marked.
constexpr qsizetype kMostCells = 4'000'000;

struct Piece {
    qsizetype offset;
    qsizetype length;
};

QList<Piece> linesOf(const QString& text) {
    QList<Piece> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == QLatin1Char('\n') || text[i] == QLatin1Char('\r')) {
            lines.append({start, i - start});
            if (i < text.size() && text[i] == QLatin1Char('\r') && i + 1 < text.size() &&
                text[i + 1] == QLatin1Char('\n'))
                ++i;
            start = i + 1;
        }
    }
    return lines;
}

enum class CharClass { Word, Blank, Other };

CharClass classOf(QChar c) {
    if (c.isLetterOrNumber() || c == QLatin1Char('_'))
        return CharClass::Word;
    if (c == QLatin1Char(' ') || c == QLatin1Char('\t'))
        return CharClass::Blank;
    return CharClass::Other;
}

// Words, runs of blanks, and each other character alone.
QList<Piece> tokensOf(QStringView line, qsizetype base) {
    QList<Piece> tokens;
    for (qsizetype i = 0; i < line.size();) {
        const CharClass kind = classOf(line[i]);
        qsizetype end = i + 1;
        if (kind != CharClass::Other)
            while (end < line.size() && classOf(line[end]) == kind)
                ++end;
        tokens.append({base + i, end - i});
        i = end;
    }
    return tokens;
}

// For each piece of a and of b, whether it is part of a longest common subsequence of the two.
template <typename Same>
bool alignPieces(qsizetype n, qsizetype m, Same same, std::vector<bool>& keptA,
                 std::vector<bool>& keptB) {
    keptA.assign(static_cast<size_t>(n), false);
    keptB.assign(static_cast<size_t>(m), false);
    // Common ends first: they cost nothing and keep the table small.
    qsizetype head = 0;
    while (head < n && head < m && same(head, head)) {
        keptA[static_cast<size_t>(head)] = keptB[static_cast<size_t>(head)] = true;
        ++head;
    }
    qsizetype tailA = n;
    qsizetype tailB = m;
    while (tailA > head && tailB > head && same(tailA - 1, tailB - 1)) {
        --tailA;
        --tailB;
        keptA[static_cast<size_t>(tailA)] = keptB[static_cast<size_t>(tailB)] = true;
    }
    const qsizetype rows = tailA - head;
    const qsizetype cols = tailB - head;
    if (rows == 0 || cols == 0)
        return true;
    if (rows * cols > kMostCells)
        return false;
    // lengths[i][j]: the longest common subsequence of a[i..] and b[j..] within the middle.
    std::vector<quint32> lengths(static_cast<size_t>((rows + 1) * (cols + 1)), 0);
    auto at = [cols, &lengths](qsizetype i, qsizetype j) -> quint32& {
        return lengths[static_cast<size_t>(i * (cols + 1) + j)];
    };
    for (qsizetype i = rows - 1; i >= 0; --i)
        for (qsizetype j = cols - 1; j >= 0; --j)
            at(i, j) = same(head + i, head + j) ? at(i + 1, j + 1) + 1
                                                : std::max(at(i + 1, j), at(i, j + 1));
    for (qsizetype i = 0, j = 0; i < rows && j < cols;) {
        if (same(head + i, head + j)) {
            keptA[static_cast<size_t>(head + i)] = keptB[static_cast<size_t>(head + j)] = true;
            ++i;
            ++j;
        } else if (at(i + 1, j) >= at(i, j + 1)) {
            ++i;
        } else {
            ++j;
        }
    }
    return true;
}

// Walks two aligned lists together: onPair for each aligned pair, onGap for the unaligned
// stretches between two pairs (either may be empty).
template <typename Pair, typename Gap>
void walkAligned(const std::vector<bool>& keptA, const std::vector<bool>& keptB, Pair onPair,
                 Gap onGap) {
    const auto n = static_cast<qsizetype>(keptA.size());
    const auto m = static_cast<qsizetype>(keptB.size());
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < n || j < m) {
        if (i < n && j < m && keptA[static_cast<size_t>(i)] && keptB[static_cast<size_t>(j)]) {
            onPair(i++, j++);
            continue;
        }
        qsizetype endA = i;
        while (endA < n && !keptA[static_cast<size_t>(endA)])
            ++endA;
        qsizetype endB = j;
        while (endB < m && !keptB[static_cast<size_t>(endB)])
            ++endB;
        onGap(i, endA, j, endB);
        i = endA;
        j = endB;
    }
}

void addRun(QList<TextRun>& runs, qsizetype offset, qsizetype length) {
    if (length <= 0)
        return;
    if (!runs.isEmpty() && runs.last().offset + runs.last().length == offset)
        runs.last().length += length;
    else
        runs.append({offset, length});
}

void markChangedLine(const QString& first, const Piece& a, const QString& second, const Piece& b,
                     TextMarks& marks) {
    const QList<Piece> ta = tokensOf(QStringView(first).mid(a.offset, a.length), a.offset);
    const QList<Piece> tb = tokensOf(QStringView(second).mid(b.offset, b.length), b.offset);
    std::vector<bool> keptA;
    std::vector<bool> keptB;
    alignPieces(
        ta.size(), tb.size(),
        [&](qsizetype i, qsizetype j) {
            return QStringView(first).mid(ta[i].offset, ta[i].length) ==
                   QStringView(second).mid(tb[j].offset, tb[j].length);
        },
        keptA, keptB);
    for (qsizetype i = 0; i < ta.size(); ++i)
        if (!keptA[static_cast<size_t>(i)])
            addRun(marks.first, ta[i].offset, ta[i].length);
    for (qsizetype j = 0; j < tb.size(); ++j)
        if (!keptB[static_cast<size_t>(j)])
            addRun(marks.second, tb[j].offset, tb[j].length);
}

// The line's first word: a column's name in a table's text, the clause in a query's. Changed
// lines pair up when their first words do, so a dropped column is never diffed against the next.
QStringView keyOf(const QString& text, const Piece& line) {
    const QStringView view = QStringView(text).mid(line.offset, line.length);
    qsizetype start = 0;
    while (start < view.size() && classOf(view[start]) != CharClass::Word)
        ++start;
    qsizetype end = start;
    while (end < view.size() && classOf(view[end]) == CharClass::Word)
        ++end;
    return start == view.size() ? view.trimmed() : view.mid(start, end - start);
}

// The changed lines between two aligned ones: lines whose first words align are diffed word by
// word, the others marked whole; too many to align pair up in order.
void markChangedLines(const QString& first, const QList<Piece>& la, const QString& second,
                      const QList<Piece>& lb, TextMarks& marks) {
    std::vector<bool> keptA;
    std::vector<bool> keptB;
    const bool aligned = alignPieces(
        la.size(), lb.size(),
        [&](qsizetype i, qsizetype j) {
            return keyOf(first, la[i]).compare(keyOf(second, lb[j]), Qt::CaseInsensitive) == 0;
        },
        keptA, keptB);
    walkAligned(
        keptA, keptB,
        [&](qsizetype i, qsizetype j) { markChangedLine(first, la[i], second, lb[j], marks); },
        [&](qsizetype i, qsizetype endA, qsizetype j, qsizetype endB) {
            for (; i < endA || j < endB; ++i, ++j) {
                if (!aligned && i < endA && j < endB)
                    markChangedLine(first, la[i], second, lb[j], marks);
                else {
                    if (i < endA)
                        addRun(marks.first, la[i].offset, la[i].length);
                    if (j < endB)
                        addRun(marks.second, lb[j].offset, lb[j].length);
                }
            }
        });
}

} // namespace

TextMarks MarkDifferingText(const QString& first, const QString& second) {
    TextMarks marks;
    const QList<Piece> la = linesOf(first);
    const QList<Piece> lb = linesOf(second);
    std::vector<bool> keptA;
    std::vector<bool> keptB;
    alignPieces(
        la.size(), lb.size(),
        [&](qsizetype i, qsizetype j) {
            return QStringView(first).mid(la[i].offset, la[i].length) ==
                   QStringView(second).mid(lb[j].offset, lb[j].length);
        },
        keptA, keptB);
    walkAligned(
        keptA, keptB, [](qsizetype, qsizetype) {},
        [&](qsizetype i, qsizetype endA, qsizetype j, qsizetype endB) {
            markChangedLines(first, la.mid(i, endA - i), second, lb.mid(j, endB - j), marks);
        });
    return marks;
}

} // namespace vantor
