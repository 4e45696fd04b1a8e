#include "script/BatchRunner.h"

#include "engine/Source.h"
#include "model/Error.h"

namespace vantor {

namespace {

const QString kCrLf = QStringLiteral("\r\n");
constexpr qsizetype kLongestSkippedBatch = 10;

// The platform's Trim removes blanks only; tabs and line breaks count as text.
QStringView trimBlanks(QStringView text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == u' ')
        ++begin;
    while (end > begin && text[end - 1] == u' ')
        --end;
    return text.sliced(begin, end - begin);
}

BatchFailure failureOf(const ScriptBatch& batch, const std::exception& e) {
    const auto* error = dynamic_cast<const Error*>(&e);
    return {batch, error ? error->number() : static_cast<qint32>(ErrorCode::Provider),
            DescriptionOf(e)};
}

} // namespace

TextLineSource::TextLineSource(const QString& text) {
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        QChar c = text[i];
        if (c != u'\r' && c != u'\n')
            continue;
        lines_.append(text.mid(start, i - start));
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    lines_.append(text.mid(start));
}

QString TextLineSource::Line(qint64 index) const {
    if (index < 0 || index >= lines_.size())
        throw Error(ErrorCode::InvalidProcedureCall,
                    QStringLiteral("Invalid procedure call or argument"));
    return lines_[index];
}

bool BatchRunner::IsSeparator(const QString& line) {
    return trimBlanks(line).compare(QLatin1String("GO"), Qt::CaseInsensitive) == 0;
}

bool BatchRunner::IsComment(const QString& line) {
    qsizetype i = 0;
    while (i < line.size() && (line[i] == u' ' || line[i] == u'\t'))
        ++i;
    return QStringView(line).sliced(i).startsWith(QLatin1String("--"));
}

bool BatchRunner::IsWorthSending(const QString& batchText) {
    return trimBlanks(batchText).size() > kLongestSkippedBatch;
}

BatchRunResult BatchRunner::Run(const LineSource& script, Source* target, BatchObserver* observer,
                                const std::stop_token& stop) const {
    BatchObserver silent;
    BatchObserver& watch = observer ? *observer : silent;
    BatchRunResult result;
    ScriptBatch batch{1, 0, -1, QString(), false};
    try {
        watch.MarkCurrentLine(0);
        watch.MarkStartLine(0);
        const qint64 count = script.LineCount();
        if (count <= 0)
            return result;
        QString line = script.Line(0);
        qint64 index = 0;
        while (index < count) {
            while (!IsSeparator(line)) {
                if (!IsComment(line)) {
                    batch.text += line;
                    batch.text += kCrLf;
                }
                batch.lastLine = index;
                if (++index == count)
                    break;
                line = script.Line(index);
            }
            if (stop.stop_requested()) {
                result.stopped = true;
                return result;
            }
            watch.BatchStarting(batch);
            if (IsWorthSending(batch.text)) {
                if (!target)
                    throw Error(ErrorCode::ObjectNotSet,
                                QStringLiteral("Object variable or With block variable not set"));
                target->execute(batch.text);
                batch.executed = true;
            }
            result.batches.push_back(batch);
            watch.BatchFinished(batch);

            if (++index >= count)
                break;
            line = script.Line(index);
            watch.NextBookmark();
            // The mark sits on the first line of the batch about to run.
            watch.MarkCurrentLine(index);
            batch = ScriptBatch{batch.number + 1, index, index - 1, QString(), false};
        }
    } catch (const std::exception& e) {
        result.failure = failureOf(batch, e);
    }
    return result;
}

Side TargetSide(const QString& oneOrTwo) {
    // Val() reads leading digits after blanks and ignores the rest; "" and "x" are 0.
    QStringView text = QStringView(oneOrTwo).trimmed();
    qsizetype end = 0;
    if (end < text.size() && (text[end] == u'+' || text[end] == u'-'))
        ++end;
    while (end < text.size() && (text[end].isDigit() || text[end] == u'.'))
        ++end;
    bool ok = false;
    double value = text.first(end).toDouble(&ok);
    return ok && value != 0 ? Side::Secondary : Side::Primary;
}

} // namespace vantor
