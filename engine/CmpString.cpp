#include "engine/clsEngine.h"

#include <vector>

namespace vantor {

namespace {

bool sameIgnoringCase(QChar a, QChar b) {
    if (a == b)
        return true;
    const char16_t x = a.unicode();
    const char16_t y = b.unicode();
    if (x < 128 && y < 128) // the common case, without the Unicode tables
        return (x | 0x20) == (y | 0x20) && (x | 0x20) >= u'a' && (x | 0x20) <= u'z';
    return a.toLower() == b.toLower();
}

// One entry of the result: start, TAB, length; the start alone for a run still open at the end.
QString runEntry(qint64 start, qint64 length) {
    QString entry = QString::number(start);
    if (length > 0)
        entry += QLatin1Char('\t') + QString::number(length);
    return entry;
}

} // namespace

// Walks both texts once. Letter case is ignored; a blank of the first text facing a non-blank is
// passed over in the first text only, so the second text waits for it.
void clsEngine::CmpString(const QString& src, const QString& tgt) {
    struct Run {
        qint64 start;
        qint64 length; // 0 while open
    };
    std::vector<Run> runs;
    qint64 position = 0;
    qint64 runLength = 0;
    bool runOpen = false;
    qsizetype t = 0;
    const qsizetype tgtSize = tgt.size();
    const QChar* target = tgt.constData();
    for (const QChar s : src) {
        ++position;
        const bool haveTarget = t < tgtSize;
        const bool blankSkipped =
            s == QLatin1Char(' ') && !(haveTarget && target[t] == QLatin1Char(' '));
        if (blankSkipped || (haveTarget && sameIgnoringCase(s, target[t]))) {
            if (runOpen)
                runs.back().length = runLength;
            runOpen = false;
            runLength = 0;
        } else {
            if (!runOpen) {
                runs.push_back({position, 0});
                runOpen = true;
            }
            ++runLength;
        }
        if (!blankSkipped)
            ++t;
    }
    diffWork_.clear();
    diffWork_.reserve(static_cast<qsizetype>(runs.size()) + 1);
    for (const Run& run : runs)
        diffWork_.append(runEntry(run.start, run.length));
    diffWork_.append(QString()); // readers stop before this last, empty entry
    PosDiffPri = diffWork_;
}

} // namespace vantor
