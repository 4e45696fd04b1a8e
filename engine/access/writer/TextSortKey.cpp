#include "engine/access/writer/TextSortKey.h"

#include "model/Error.h"

#include <QFile>
#include <optional>
#include <vector>

namespace vantor::jet {

namespace {

// The longest text an index key holds, in characters; the rest of a value is not indexed.
constexpr int kMaxIndexedChars = 255;
constexpr char kEndText = 0x01;
constexpr char kEndExtraText = 0x00;
constexpr char kExtraPlaceholder = 0x02;
constexpr quint8 kCrazyStart = 0x80;
constexpr quint8 kCrazyTrimmed = 3;
constexpr int kUnprintableBase = 7;
constexpr int kUnprintableStep = 4;
constexpr quint16 kUnprintableFlag = 0x8000;
constexpr char kUnprintableMidfix = 0x06;
constexpr char kSurrogateExtra = 0x3f;

// One code unit's codes; byte strings live in the table's shared pool.
struct CharCode {
    char kind = 'X';
    quint8 modifier = 0;
    quint8 crazy = 0;
    quint8 inlineLength = 0;
    quint8 extraLength = 0;
    quint8 unprintLength = 0;
    quint32 pool = 0; // inline, then extra, then unprintable bytes
};

struct CodeTable {
    std::vector<CharCode> codes; // by code unit; surrogates are computed instead
    QByteArray pool;
};

[[noreturn]] void raiseBadTable() {
    throw Error(ErrorCode::Provider,
                QStringLiteral("Vantor's table of text sort codes is damaged; reinstall it."));
}

CodeTable loadTable(const QString& resource) {
    QFile file(resource);
    if (!file.open(QIODevice::ReadOnly))
        raiseBadTable();
    QByteArray data = qUncompress(file.readAll());
    if (!data.startsWith("VSC1"))
        raiseBadTable();
    CodeTable table;
    table.codes.resize(0x10000);
    qsizetype at = 4;
    auto next = [&]() -> quint8 {
        if (at >= data.size())
            raiseBadTable();
        return static_cast<quint8>(data[at++]);
    };
    auto bytes = [&](quint8& length) {
        length = next();
        if (at + length > data.size())
            raiseBadTable();
        table.pool.append(data.constData() + at, length);
        at += length;
    };
    for (int unit = 0; unit < 0x10000; ++unit) {
        if (unit >= 0xd800 && unit <= 0xdfff)
            continue;
        CharCode& code = table.codes[size_t(unit)];
        code.kind = static_cast<char>(next());
        code.pool = quint32(table.pool.size());
        bytes(code.inlineLength);
        bytes(code.extraLength);
        bytes(code.unprintLength);
        code.modifier = next();
        code.crazy = next();
    }
    return table;
}

const CodeTable& tableFor(GeneralSort sort) {
    // Loaded once on first use; read-only afterwards.
    static const CodeTable legacy =
        loadTable(QStringLiteral(":/vantor/writer/general-legacy.codes"));
    static const CodeTable since2010 = loadTable(QStringLiteral(":/vantor/writer/general.codes"));
    return sort == GeneralSort::Legacy ? legacy : since2010;
}

// The inline bytes of a surrogate code unit, which the tables leave out because they follow
// from the unit's value.
QByteArray surrogateInline(char16_t unit) {
    int index = 0;
    if (unit < 0xdc00) {
        index = unit - 10238;
    } else {
        int inBlock = (unit - 0xdc00) % 1024;
        int offset = inBlock < 8     ? 9992
                     : inBlock < 262 ? 9990
                     : inBlock < 516 ? 9988
                     : inBlock < 770 ? 9986
                                     : 9984;
        index = unit - offset;
    }
    QByteArray bytes;
    bytes.append(static_cast<char>((index >> 8) & 0xff)).append(static_cast<char>(index & 0xff));
    return bytes;
}

// Codes of characters that sort apart from their base letter (accents, for one) are gathered
// here while the main codes are written, and appended after them.
struct ExtraCodes {
    QByteArray bytes;
    int chars = 0;
    int unprintablePrefix = 0;
};

void trimTrailing(QByteArray& bytes, quint8 low, quint8 high) {
    while (!bytes.isEmpty() && quint8(bytes.back()) >= low && quint8(bytes.back()) <= high)
        bytes.chop(1);
}

void appendCrazyCodes(QByteArray& key, QByteArray crazy) {
    trimTrailing(crazy, kCrazyTrimmed, kCrazyTrimmed);
    quint8 current = kCrazyStart;
    int filled = 0;
    for (char code : crazy) {
        current |= quint8(quint8(code) << ((2 - filled) * 2));
        if (++filled == 3) {
            key.append(static_cast<char>(current));
            current = kCrazyStart;
            filled = 0;
        }
    }
    if (filled > 0)
        key.append(static_cast<char>(current));
    key.append("\xff\x02\x80\xff\x80", 5);
}

} // namespace

void AppendTextKey(QByteArray& key, const QString& value, GeneralSort sort, bool ascending) {
    QString text = value.left(kMaxIndexedChars);
    while (text.endsWith(QLatin1Char(' ')))
        text.chop(1);
    const CodeTable& table = tableFor(sort);
    const qsizetype valueStart = key.size();

    std::optional<ExtraCodes> extra;
    QByteArray unprintable;
    bool hasUnprintable = false;
    QByteArray crazy;
    int position = 0;
    for (QChar ch : text) {
        const char16_t unit = ch.unicode();
        const bool surrogate = unit >= 0xd800 && unit <= 0xdfff;
        const CharCode code = surrogate ? CharCode{'Q'} : table.codes[unit];
        const int current = position;
        QByteArray inlineBytes =
            surrogate ? surrogateInline(unit) : table.pool.mid(code.pool, code.inlineLength);
        if (!inlineBytes.isEmpty()) {
            key.append(inlineBytes);
            ++position;
        }
        if (code.kind == 'S')
            continue;
        QByteArray extraBytes =
            surrogate ? QByteArray(1, kSurrogateExtra)
                      : table.pool.mid(code.pool + code.inlineLength, code.extraLength);
        if (!extraBytes.isEmpty() || code.modifier != 0) {
            if (!extra)
                extra.emplace();
            if (extra->chars < current) {
                extra->bytes.append(QByteArray(current - extra->chars, kExtraPlaceholder));
                extra->chars = current;
            }
            if (!extraBytes.isEmpty()) {
                extra->bytes.append(extraBytes);
                ++extra->chars;
            } else if (!extra->bytes.isEmpty()) {
                extra->bytes.back() =
                    static_cast<char>(quint8(extra->bytes.back()) + code.modifier);
            } else {
                extra->bytes.append(static_cast<char>(code.modifier));
                extra->unprintablePrefix = 1;
            }
        }
        if (code.unprintLength > 0) {
            hasUnprintable = true;
            int at = current;
            if (extra)
                at = int(extra->bytes.size()) + (current - extra->chars) - extra->unprintablePrefix;
            const auto offset =
                quint16((kUnprintableBase + kUnprintableStep * at) | kUnprintableFlag);
            unprintable.append(static_cast<char>(offset >> 8))
                .append(static_cast<char>(offset & 0xff));
            unprintable.append(kUnprintableMidfix);
            unprintable.append(table.pool.mid(code.pool + code.inlineLength + code.extraLength,
                                              code.unprintLength));
        }
        if (code.crazy != 0)
            crazy.append(static_cast<char>(code.crazy));
    }
    key.append(kEndText);
    bool hasExtra = false;
    if (extra) {
        trimTrailing(extra->bytes, 0x00, quint8(kExtraPlaceholder));
        hasExtra = !extra->bytes.isEmpty();
    }
    const bool hasCrazy = !crazy.isEmpty();
    if (hasExtra)
        key.append(extra->bytes);
    if (hasCrazy || hasUnprintable) {
        key.append(kEndText).append(kEndText);
        if (hasCrazy) {
            appendCrazyCodes(key, crazy);
            if (hasUnprintable)
                key.append('\xff');
        }
        if (hasUnprintable)
            key.append(kEndText).append(unprintable);
    }
    if (!ascending) {
        key.append(kEndExtraText);
        for (qsizetype i = valueStart; i < key.size(); ++i)
            key[i] = static_cast<char>(~quint8(key[i]));
    }
    key.append(kEndExtraText);
}

} // namespace vantor::jet
