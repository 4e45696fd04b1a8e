#include "engine/access/writer/RowCodec.h"

#include "engine/access/writer/DataPage.h"
#include "engine/access/writer/PageFile.h"

#include <QSet>

namespace vantor::jet {

namespace {

constexpr int kLongValueFieldSize = 12;
constexpr quint32 kLongValueLengthMask = 0x3fffffff;
constexpr quint8 kInlineKind = 0x80;
constexpr quint8 kSingleRowKind = 0x40;
constexpr quint8 kChainKind = 0x00;
// A long value is bounded by the file's 2 GB limit; refuse to gather more.
constexpr quint32 kMaxLongValue = 0x7fffffff;

QString utf16(const QByteArray& bytes, qsizetype from, qsizetype to) {
    return QString(reinterpret_cast<const QChar*>(bytes.constData() + from), (to - from) / 2);
}

} // namespace

RowValues DecodeRow(const TableDef& def, const QByteArray& row) {
    const int rowColumns = U16(row, 0);
    const int maskSize = (rowColumns + 7) / 8;
    const qsizetype maskAt = row.size() - maskSize;
    if (maskAt < 2)
        RaiseDamaged(QStringLiteral("a row too short for its null mask"));
    auto present = [&](quint16 number) {
        return number < rowColumns && (U8(row, maskAt + number / 8) & (1u << (number % 8))) != 0;
    };
    int rowVarCount = 0;
    if (def.varColumns > 0)
        rowVarCount = U16(row, maskAt - 2);
    auto varWord = [&](int k) { return U16(row, maskAt - 4 - 2 * qsizetype(k)); };

    RowValues values;
    for (const ColumnDef& c : def.columns) {
        if (c.type == TypeBoolean) {
            values.append(QByteArray(1, present(c.number) ? '\1' : '\0'));
            continue;
        }
        if (!present(c.number)) {
            values.append(std::nullopt);
            continue;
        }
        if (c.IsFixed()) {
            values.append(Slice(row, 2 + c.fixedOffset, c.length));
            continue;
        }
        if (c.varIndex >= rowVarCount) {
            values.append(std::nullopt);
            continue;
        }
        int start = varWord(c.varIndex);
        int end = varWord(c.varIndex + 1);
        if (end < start || end > maskAt)
            RaiseDamaged(QStringLiteral("a variable value with a broken extent"));
        values.append(Slice(row, start, end - start));
    }
    return values;
}

QByteArray ReadLongValue(const PageFile& file, const QByteArray& field) {
    if (field.size() < kLongValueFieldSize)
        RaiseDamaged(QStringLiteral("a long value field of %1 bytes").arg(field.size()));
    quint32 word = U32(field, 0);
    quint32 length = word & kLongValueLengthMask;
    quint8 kind = static_cast<quint8>(word >> 24) & 0xc0;
    if (length > kMaxLongValue)
        RaiseDamaged(QStringLiteral("a long value of %1 bytes").arg(length));
    RowPointer first = RowPointer::FromRaw(U32(field, 4));
    if (kind == kInlineKind)
        return Slice(field, kLongValueFieldSize, length);
    if (kind == kSingleRowKind)
        return ReadRowBytes(file, first).left(length);
    if (kind != kChainKind)
        RaiseDamaged(QStringLiteral("a long value of unknown kind"));
    QByteArray value;
    QSet<quint32> seen;
    RowPointer at = first;
    while (quint32(value.size()) < length) {
        if (at.IsNull() || seen.contains(at.Raw()))
            RaiseDamaged(QStringLiteral("a long value ends before its length"));
        seen.insert(at.Raw());
        QByteArray piece = ReadRowBytes(file, at);
        at = RowPointer::FromRaw(U32(piece, 0));
        value.append(piece.mid(4));
    }
    return value.left(length);
}

QString DecodeText(const QByteArray& bytes) {
    if (bytes.size() < 2 || quint8(bytes[0]) != 0xff || quint8(bytes[1]) != 0xfe)
        return utf16(bytes, 0, bytes.size());
    // Compressed: runs of one-byte characters and of UTF-16 pairs, each 00 byte switching.
    QString text;
    bool oneByte = true;
    qsizetype runStart = 2;
    auto flush = [&](qsizetype end) {
        if (oneByte)
            text.append(QString::fromLatin1(bytes.constData() + runStart, end - runStart));
        else
            text.append(utf16(bytes, runStart, end));
    };
    for (qsizetype i = 2; i < bytes.size(); ++i) {
        if (bytes[i] != '\0')
            continue;
        flush(i);
        oneByte = !oneByte;
        runStart = i + 1;
    }
    flush(bytes.size());
    return text;
}

} // namespace vantor::jet
