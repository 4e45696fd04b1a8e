#include "engine/access/writer/ValueConversion.h"

#include "engine/access/writer/CatalogProperties.h"
#include "engine/access/writer/JetBytes.h"
#include "engine/access/writer/PageFile.h"
#include "engine/access/writer/RowCodec.h"
#include "engine/snapshot/JetDdlStatements.h"

#include <QRegularExpression>
#include <cmath>
#include <cstring>

namespace vantor::jet {

namespace {

__extension__ using Units = __int128;

constexpr int kCurrencyScale = 4;
constexpr int kMaxScale = 28;
constexpr double kMaxSingle = 3.402823466e38;
// Jet's dates run from 1 January 100 to 31 December 9999.
constexpr double kFirstDate = -657434.0;
constexpr double kLastDate = 2958465.999988426;
// Whole numbers below this print exactly with 15 significant digits.
constexpr double kPlainLimit = 1e15;
constexpr double kSmallestPlain = 1e-4;

[[noreturn]] void overflow() {
    RaiseDdlError(QStringLiteral("Numeric field overflow."));
}
[[noreturn]] void notConvertible() {
    RaiseDdlError(QStringLiteral("Data type conversion error."));
}

// A value between types: a decimal number of `units` at `scale`, a floating one, text, bytes.
struct Between {
    enum class Kind { Exact, Real, Text, Flag, Date, Guid, Bytes } kind = Kind::Exact;
    Units units = 0;
    int scale = 0;
    double real = 0;
    QString text;
    QByteArray bytes;
};

bool isTextType(quint8 type) {
    return type == TypeText || type == TypeMemo;
}

Units pow10(int n) {
    Units p = 1;
    for (int i = 0; i < n; ++i)
        p *= 10;
    return p;
}

Units absolute(Units v) {
    return v < 0 ? -v : v;
}

// The same number at another scale, rounded half to even when decimals go.
Units rescale(Units units, int from, int to) {
    if (to >= from) {
        const Units factor = pow10(to - from);
        if (absolute(units) > pow10(38 - (to - from)))
            overflow();
        return units * factor;
    }
    const Units factor = pow10(from - to);
    Units whole = units / factor;
    const Units rest = absolute(units % factor);
    const Units twice = rest * 2;
    if (twice > factor || (twice == factor && whole % 2 != 0))
        whole += units < 0 ? -1 : 1;
    return whole;
}

double toDouble(Units units, int scale) {
    return double(units) / std::pow(10.0, scale);
}

Units fromDouble(double value, int scale) {
    const double scaled = std::nearbyint(value * std::pow(10.0, scale));
    if (!std::isfinite(scaled) || std::fabs(scaled) >= 1e37)
        overflow();
    return Units(scaled);
}

double readDouble(const QByteArray& bytes) {
    quint64 bits = quint64(U32(bytes, 0)) | (quint64(U32(bytes, 4)) << 32);
    double value = 0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

QByteArray doubleBytes(double value) {
    quint64 bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    QByteArray out;
    AppendU32(out, quint32(bits));
    AppendU32(out, quint32(bits >> 32));
    return out;
}

QByteArray utf16(const QString& text) {
    return QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
}

QString exactText(Units units, int scale) {
    QString digits;
    Units rest = absolute(units);
    do {
        digits.prepend(QChar('0' + int(rest % 10)));
        rest /= 10;
    } while (rest != 0);
    while (digits.size() <= scale)
        digits.prepend('0');
    QString whole = digits.left(digits.size() - scale);
    QString fraction = digits.right(scale);
    while (fraction.endsWith('0'))
        fraction.chop(1);
    QString text = fraction.isEmpty() ? whole : whole + '.' + fraction;
    return units < 0 ? '-' + text : text;
}

Between parseText(const QString& raw, const QString& column) {
    static const QRegularExpression number(
        QStringLiteral("^([+-]?)(\\d*)(?:\\.(\\d*))?(?:[eE]([+-]?\\d+))?$"));
    const QString text = raw.trimmed();
    const QRegularExpressionMatch m = number.match(text);
    if (text.isEmpty() || !m.hasMatch() || (m.captured(2).isEmpty() && m.captured(3).isEmpty()))
        notConvertible();
    Between out;
    if (!m.captured(4).isEmpty() || m.captured(2).size() + m.captured(3).size() > 36) {
        out.kind = Between::Kind::Real;
        out.real = text.toDouble();
        return out;
    }
    const QString digits = m.captured(2) + m.captured(3);
    for (QChar ch : digits)
        out.units = out.units * 10 + (ch.unicode() - '0');
    if (m.captured(1) == "-")
        out.units = -out.units;
    out.scale = int(m.captured(3).size());
    if (out.scale > kMaxScale) {
        out.units = rescale(out.units, out.scale, kMaxScale);
        out.scale = kMaxScale;
    }
    Q_UNUSED(column);
    return out;
}

Between read(const PageFile& file, const ColumnDef& from, const QByteArray& value) {
    Between out;
    switch (from.type) {
    case TypeByte:
        out.units = U8(value, 0);
        return out;
    case TypeInteger:
        out.units = qint16(U16(value, 0));
        return out;
    case TypeLong:
        out.units = qint32(U32(value, 0));
        return out;
    case TypeCurrency:
        out.units = qint64(quint64(U32(value, 0)) | (quint64(U32(value, 4)) << 32));
        out.scale = kCurrencyScale;
        return out;
    case TypeNumeric: {
        for (int word = 0; word < 4; ++word)
            out.units = (out.units << 32) | U32(value, 1 + 4 * word);
        if (U8(value, 0) & 0x80)
            out.units = -out.units;
        out.scale = from.typeInfo[1];
        return out;
    }
    case TypeSingle: {
        float single = 0;
        const quint32 bits = U32(value, 0);
        std::memcpy(&single, &bits, sizeof single);
        out.kind = Between::Kind::Real;
        out.real = double(single);
        out.scale = 1; // a Single prints with 7 significant digits
        return out;
    }
    case TypeDouble:
        out.kind = Between::Kind::Real;
        out.real = readDouble(value);
        return out;
    case TypeDateTime:
        out.kind = Between::Kind::Date;
        out.real = readDouble(value);
        return out;
    case TypeBoolean:
        out.kind = Between::Kind::Flag;
        out.units = value.isEmpty() || value.at(0) == 0 ? 0 : -1;
        return out;
    case TypeText:
        out.kind = Between::Kind::Text;
        out.text = DecodeText(value);
        return out;
    case TypeMemo:
        out.kind = Between::Kind::Text;
        out.text = DecodeText(ReadLongValue(file, value));
        return out;
    case TypeGuid:
        out.kind = Between::Kind::Guid;
        out.bytes = value;
        return out;
    case TypeBinary:
        out.kind = Between::Kind::Bytes;
        out.bytes = value;
        return out;
    case TypeOle:
        out.kind = Between::Kind::Bytes;
        out.bytes = ReadLongValue(file, value);
        return out;
    default:
        RaiseDdlError(
            QStringLiteral("Vantor cannot convert the values of field '%1' yet.").arg(from.name));
    }
}

[[noreturn]] void notMade(const ColumnDef& from, const ColumnDef& to) {
    RaiseDdlError(QStringLiteral("Vantor cannot convert the values of field '%1' to the new type "
                                 "yet; the field holds values.")
                      .arg(to.name.isEmpty() ? from.name : to.name));
}

// The value as a decimal number at the given scale.
Units exactAt(const Between& v, int scale, const ColumnDef& from, const ColumnDef& to) {
    switch (v.kind) {
    case Between::Kind::Exact:
    case Between::Kind::Flag:
        return rescale(v.units, v.scale, scale);
    case Between::Kind::Real:
        return fromDouble(v.real, scale);
    case Between::Kind::Text: {
        const Between parsed = parseText(v.text, to.name);
        return parsed.kind == Between::Kind::Real ? fromDouble(parsed.real, scale)
                                                  : rescale(parsed.units, parsed.scale, scale);
    }
    default:
        notMade(from, to);
    }
}

double realOf(const Between& v, const ColumnDef& from, const ColumnDef& to) {
    switch (v.kind) {
    case Between::Kind::Exact:
    case Between::Kind::Flag:
        return toDouble(v.units, v.scale);
    case Between::Kind::Real:
        return v.real;
    case Between::Kind::Text: {
        const Between parsed = parseText(v.text, to.name);
        return parsed.kind == Between::Kind::Real ? parsed.real
                                                  : toDouble(parsed.units, parsed.scale);
    }
    default:
        notMade(from, to);
    }
}

QString textOf(const Between& v, const ColumnDef& from, const ColumnDef& to) {
    switch (v.kind) {
    case Between::Kind::Text:
        return v.text;
    case Between::Kind::Exact:
        return exactText(v.units, v.scale);
    case Between::Kind::Real: {
        const double x = v.real;
        if (x == std::trunc(x) && std::fabs(x) < kPlainLimit)
            return exactText(Units(x), 0);
        const QString text = QString::number(x, 'g', v.scale == 1 ? 7 : 15);
        if (std::fabs(x) < kSmallestPlain || text.contains('e'))
            notMade(from, to);
        return text;
    }
    default:
        notMade(from, to);
    }
}

QByteArray fixedInteger(Units units, int bytes) {
    QByteArray out;
    const auto raw = quint64(qint64(units));
    for (int i = 0; i < bytes; ++i)
        AppendU8(out, quint8(raw >> (8 * i)));
    return out;
}

} // namespace

std::optional<QByteArray> ConvertValue(PageFile& file, PageAllocator& allocator,
                                       const ColumnDef& from, const ColumnDef& to,
                                       const std::optional<QByteArray>& value) {
    if (to.type == TypeBoolean && !value)
        return QByteArray(1, '\0');
    if (!value)
        return std::nullopt;
    const bool sameShape = from.type == to.type && from.length == to.length &&
                           (from.type != TypeNumeric || from.typeInfo == to.typeInfo);
    if (sameShape)
        return value;
    const Between v = read(file, from, *value);
    switch (to.type) {
    case TypeBoolean:
        if (v.kind == Between::Kind::Flag)
            return QByteArray(1, v.units != 0 ? '\1' : '\0');
        if (v.kind == Between::Kind::Exact || v.kind == Between::Kind::Real)
            return QByteArray(1, (v.units != 0 || v.real != 0) ? '\1' : '\0');
        notMade(from, to);
    case TypeByte: {
        const Units units = exactAt(v, 0, from, to);
        if (units < 0 || units > 255)
            overflow();
        return fixedInteger(units, 1);
    }
    case TypeInteger: {
        const Units units = exactAt(v, 0, from, to);
        if (units < -32768 || units > 32767)
            overflow();
        return fixedInteger(units, 2);
    }
    case TypeLong: {
        const Units units = exactAt(v, 0, from, to);
        if (units < Units(INT32_MIN) || units > Units(INT32_MAX))
            overflow();
        return fixedInteger(units, 4);
    }
    case TypeCurrency: {
        const Units units = exactAt(v, kCurrencyScale, from, to);
        if (units < Units(INT64_MIN) || units > Units(INT64_MAX))
            overflow();
        return fixedInteger(units, 8);
    }
    case TypeNumeric: {
        const Units units = exactAt(v, to.typeInfo[1], from, to);
        if (absolute(units) >= pow10(to.typeInfo[0]))
            overflow();
        QByteArray out;
        AppendU8(out, units < 0 ? 0x80 : 0);
        const Units magnitude = absolute(units);
        for (int word = 3; word >= 0; --word)
            AppendU32(out, quint32(quint64(magnitude >> (32 * word)) & 0xffffffffu));
        return out;
    }
    case TypeSingle: {
        if (v.kind == Between::Kind::Date)
            notMade(from, to);
        const double real = realOf(v, from, to);
        if (!std::isfinite(real) || std::fabs(real) > kMaxSingle)
            overflow();
        const auto single = float(real);
        quint32 bits = 0;
        std::memcpy(&bits, &single, sizeof bits);
        QByteArray out;
        AppendU32(out, bits);
        return out;
    }
    case TypeDouble:
        if (v.kind == Between::Kind::Date)
            return doubleBytes(v.real);
        return doubleBytes(realOf(v, from, to));
    case TypeDateTime: {
        if (v.kind == Between::Kind::Date)
            return doubleBytes(v.real);
        if (v.kind != Between::Kind::Exact && v.kind != Between::Kind::Real)
            notMade(from, to);
        const double serial = realOf(v, from, to);
        if (serial < kFirstDate || serial > kLastDate)
            overflow();
        return doubleBytes(serial);
    }
    case TypeText:
    case TypeMemo: {
        const QString text = textOf(v, from, to);
        if (to.type == TypeText && text.size() * 2 > to.length)
            RaiseDdlError(QStringLiteral("The field is too small to accept the amount of data you "
                                         "attempted to add. Try inserting or pasting less data."));
        if (to.type == TypeText)
            return utf16(text);
        if (isTextType(from.type) && from.type == TypeMemo)
            return value;
        return StoreLongValue(file, allocator, utf16(text));
    }
    case TypeGuid:
        if (v.kind != Between::Kind::Guid)
            notMade(from, to);
        return v.bytes;
    case TypeBinary:
    case TypeOle:
        if (v.kind != Between::Kind::Bytes)
            notMade(from, to);
        if (to.type == TypeBinary) {
            if (v.bytes.size() > to.length)
                RaiseDdlError(QStringLiteral("The field is too small to accept the amount of data "
                                             "you attempted to add. Try inserting or pasting less "
                                             "data."));
            return v.bytes;
        }
        return from.type == TypeOle ? *value : StoreLongValue(file, allocator, v.bytes);
    default:
        notMade(from, to);
    }
}

} // namespace vantor::jet
