#include "engine/access/writer/IndexKey.h"

#include "engine/access/writer/PageFile.h"
#include "engine/access/writer/TextSortKey.h"

#include <algorithm>

namespace vantor::jet {

namespace {

constexpr char kAscendingValue = 0x7f;
constexpr char kDescendingValue = static_cast<char>(0x80);
constexpr char kAscendingNull = 0x00;
constexpr char kDescendingNull = static_cast<char>(0xff);
constexpr quint16 kGeneralLcid = 1033;
constexpr int kBinaryPiece = 8;
constexpr char kMorePieces = 0x09;

void invert(QByteArray& bytes, qsizetype from = 0) {
    for (qsizetype i = from; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(~quint8(bytes[i]));
}

QByteArray reversed(QByteArray bytes) {
    std::reverse(bytes.begin(), bytes.end());
    return bytes;
}

void flipSignBit(QByteArray& bytes) {
    if (!bytes.isEmpty())
        bytes[0] = static_cast<char>(quint8(bytes[0]) ^ 0x80);
}

QByteArray integerKey(const QByteArray& stored, bool ascending) {
    QByteArray bytes = reversed(stored);
    flipSignBit(bytes);
    if (!ascending)
        invert(bytes);
    return bytes;
}

QByteArray floatKey(const QByteArray& stored, bool ascending) {
    QByteArray bytes = reversed(stored);
    const bool negative = !bytes.isEmpty() && (quint8(bytes[0]) & 0x80) != 0;
    if (!negative)
        flipSignBit(bytes);
    if (negative == ascending)
        invert(bytes);
    return bytes;
}

// Decimal values store a sign byte and four little-endian words, most significant first.
QByteArray decimalKey(const QByteArray& stored, bool ascending, bool legacy) {
    QByteArray bytes = stored.left(1);
    for (int word = 0; word < 4; ++word)
        bytes.append(reversed(stored.mid(1 + 4 * word, 4)));
    const bool negative = (quint8(bytes[0]) & 0x80) != 0;
    if (!legacy)
        bytes[0] = static_cast<char>(0xff);
    if (negative == ascending)
        invert(bytes);
    if (legacy)
        bytes[0] = negative ? '\0' : static_cast<char>(0xff);
    return bytes;
}

// Binary values go in pieces of eight, each followed by 9 while more follow, the last one padded
// and followed by its real length.
QByteArray binaryKey(const QByteArray& data, bool ascending) {
    QByteArray out;
    qsizetype at = 0;
    while (data.size() - at > kBinaryPiece) {
        QByteArray piece = data.mid(at, kBinaryPiece);
        if (!ascending)
            invert(piece);
        out.append(piece).append(kMorePieces);
        at += kBinaryPiece;
    }
    if (data.size() > at) {
        QByteArray piece = data.mid(at);
        const char length = static_cast<char>(piece.size());
        piece.resize(kBinaryPiece, '\0');
        piece.append(length);
        if (!ascending)
            invert(piece);
        out.append(piece);
    }
    return out;
}

// A GUID stores its first three groups little-endian; keys hold them in string order.
QByteArray guidBytes(const QByteArray& stored) {
    return reversed(stored.left(4)) + reversed(stored.mid(4, 2)) + reversed(stored.mid(6, 2)) +
           stored.mid(8);
}

QByteArray extendedDateKey(const QByteArray& stored, bool ascending) {
    QByteArray value = stored;
    QByteArray trailer("\0\0\0\0\0\0\x02", 7);
    if (!ascending) {
        invert(value);
        invert(trailer);
    }
    QByteArray out;
    for (int block = 0; block < 5; ++block)
        out.append(value.mid(qsizetype(block) * 8, 8)).append(kMorePieces);
    return out + value.mid(40, 2) + trailer;
}

void appendValue(QByteArray& key, const PageFile& file, const ColumnDef& column,
                 const QByteArray& stored, bool ascending) {
    switch (column.type) {
    case TypeBoolean:
        key.append(ascending ? kAscendingValue : kDescendingValue);
        key.append(stored == QByteArray(1, '\1') ? (ascending ? '\0' : '\xff')
                                                 : (ascending ? '\xff' : '\0'));
        return;
    case TypeByte:
        key.append(ascending ? kAscendingValue : kDescendingValue);
        key.append(ascending ? stored : QByteArray(1, static_cast<char>(~quint8(stored[0]))));
        return;
    case TypeInteger:
    case TypeLong:
    case TypeCurrency:
    case TypeComplex:
    case TypeBigInt:
        key.append(ascending ? kAscendingValue : kDescendingValue);
        key.append(integerKey(stored, ascending));
        return;
    case TypeSingle:
    case TypeDouble:
    case TypeDateTime:
        key.append(ascending ? kAscendingValue : kDescendingValue);
        key.append(floatKey(stored, ascending));
        return;
    case TypeGuid:
        key.append(ascending ? kAscendingValue : kDescendingValue);
        key.append(binaryKey(guidBytes(stored), ascending));
        return;
    case TypeBinary:
        key.append(ascending ? kAscendingValue : kDescendingValue);
        key.append(binaryKey(stored, ascending));
        return;
    case TypeExtendedDate:
        key.append(ascending ? kAscendingValue : kDescendingValue);
        key.append(extendedDateKey(stored, ascending));
        return;
    case TypeText:
    case TypeMemo: {
        QByteArray bytes = column.type == TypeMemo ? ReadLongValue(file, stored) : stored;
        key.append(ascending ? kAscendingValue : kDescendingValue);
        AppendTextKey(key, DecodeText(bytes),
                      column.SortVersion() == 0 ? GeneralSort::Legacy : GeneralSort::Since2010,
                      ascending);
        return;
    }
    default:
        RaiseDamaged(QStringLiteral("an index over column %1 of type %2, which has no key form")
                         .arg(column.name)
                         .arg(column.type));
    }
}

} // namespace

bool CanEncodeKeyColumn(const ColumnDef& column) {
    switch (column.type) {
    case TypeText:
    case TypeMemo:
        return column.SortLcid() == kGeneralLcid && column.SortVersion() <= 1;
    case TypeOle:
        return false;
    default:
        return column.type <= TypeExtendedDate;
    }
}

QByteArray EncodeIndexKey(const PageFile& file, const TableDef& def, const RealIndexDef& index,
                          const RowValues& row, KeyFormat format) {
    QByteArray key;
    for (const IndexColumnRef& ref : index.UsedColumns()) {
        const ColumnDef* column = def.ColumnByNumber(ref.number);
        if (!column)
            RaiseDamaged(
                QStringLiteral("an index names column %1, which is not there").arg(ref.number));
        const qsizetype position = column - def.columns.constData();
        const std::optional<QByteArray>& value = row.value(position);
        const bool ascending = ref.Ascending();
        if (!value) {
            key.append(ascending ? kAscendingNull : kDescendingNull);
            continue;
        }
        if (column->type == TypeNumeric) {
            if (value->size() < 17)
                RaiseDamaged(QStringLiteral("a decimal value of %1 bytes").arg(value->size()));
            key.append(ascending ? kAscendingValue : kDescendingValue);
            key.append(decimalKey(*value, ascending, format.legacyDecimal));
            continue;
        }
        appendValue(key, file, *column, *value, ascending);
    }
    return key;
}

bool AllKeyColumnsNull(const TableDef& def, const RealIndexDef& index, const RowValues& row) {
    for (const IndexColumnRef& ref : index.UsedColumns()) {
        const ColumnDef* column = def.ColumnByNumber(ref.number);
        if (column && row.value(column - def.columns.constData()).has_value())
            return false;
    }
    return true;
}

} // namespace vantor::jet
