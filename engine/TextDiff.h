#pragma once

#include <QList>
#include <QString>

namespace vantor {

// A stretch of a definition text that differs from the other side's, in UTF-16 units from 0.
struct TextRun {
    qsizetype offset = 0;
    qsizetype length = 0;
    bool operator==(const TextRun&) const = default;
};

// Where each of two texts differs from the other, each text marked at its own offsets.
struct TextMarks {
    QList<TextRun> first;
    QList<TextRun> second;
};

// Lines are aligned first (a longest common subsequence of whole lines), so identical lines are
// never marked. Changed lines between two aligned ones pair up when their first words do (a
// column's name, a query's clause), and inside a pair the differing words, numbers, blanks and
// signs are marked; a line without a partner is marked whole. Line breaks are never marked.
// Texts too large to align line by line pair their lines in order past the common first and
// last ones.
TextMarks MarkDifferingText(const QString& first, const QString& second);

} // namespace vantor
