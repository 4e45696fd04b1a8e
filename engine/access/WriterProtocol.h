#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <optional>

namespace vantor {

// How the parent and the reader program talk about changing a file and proving the change. The
// reader program's modes beside reading a schema:
//   --apply FILE   applies the batches of the request, the first line on standard input, to
//                  FILE, one at a time, and answers which ran; a second line, or the end of
//                  standard input, asks it to stop before the next batch.
//   --digest FILE  answers the row count and digest of every local user table.
inline constexpr char kReaderApplyOption[] = "--apply";
inline constexpr char kReaderDigestOption[] = "--digest";

namespace writerexit {
// The writer could not open the file, or could not put what it wrote on the disk; the reason is
// the last line on standard error and nothing it wrote counts.
constexpr int NotWritten = 7;
} // namespace writerexit

// What a table holds, reduced to a number and a fingerprint: equal digests mean equal rows,
// whatever order the pages keep them in.
struct TableRowDigest {
    QString table;
    qint64 rows = 0;
    QByteArray sha256; // hex
};

QByteArray RowDigestsToJson(const QList<TableRowDigest>& digests);
// Raises Error when the text is not such an answer.
QList<TableRowDigest> RowDigestsFromJson(const QByteArray& json);

// The batch that ended an apply run, counted from 0 among the batches sent.
struct ApplyFailure {
    qint32 batch = 0;
    qint32 number = 0;
    QString description;
};

struct ApplyAnswer {
    qint32 applied = 0; // the batches that ran, all of them before any failure or stop
    bool stopped = false;
    std::optional<ApplyFailure> failure;
};

// One line, without its line break.
QByteArray ApplyRequestToJson(const QStringList& batches);
QStringList ApplyRequestFromJson(const QByteArray& json);
QByteArray ApplyAnswerToJson(const ApplyAnswer& answer);
ApplyAnswer ApplyAnswerFromJson(const QByteArray& json);

} // namespace vantor
