#include "engine/access/reader/StoredTextChecks.h"

#include "model/Kinds.h"

#include <QRegularExpression>
#include <QSet>
#include <algorithm>

namespace vantor {

namespace {

constexpr int kStartRow = 0;
constexpr int kEndRow = 255;

QString shown(char32_t c) {
    return QStringLiteral("U+%1").arg(static_cast<uint>(c), 4, 16, QLatin1Char('0')).toUpper();
}

// Characters no one can type or paste into a name: code points Unicode leaves unassigned or
// keeps for private use, those it promises never to assign, and the mark that stands in for
// text that could not be decoded. Overwritten name bytes turn into these more often than not.
bool isNoCharacter(char32_t c) {
    const QChar::Category category = QChar::category(c);
    return category == QChar::Other_NotAssigned || category == QChar::Other_PrivateUse ||
           QChar::isNonCharacter(c) || c == QChar::ReplacementCharacter;
}

// The union parts Access stores as input rows whose alias is one of these.
const QString kFirstUnionPart = QStringLiteral("X7YZ_____1");
const QString kSecondUnionPart = QStringLiteral("X7YZ_____2");

QString whyUnionIsIncomplete(const QList<QueryRow>& rows) {
    static const QRegularExpression kEndsInUnion(QStringLiteral("\\bUNION(\\s+ALL)?\\s*;?\\s*$"),
                                                 QRegularExpression::CaseInsensitiveOption);
    for (const QString& part : {kFirstUnionPart, kSecondUnionPart}) {
        const QueryRow* found = nullptr;
        for (const QueryRow& r : rows)
            if (r.attribute == queryattr::Table && r.name2 == part)
                found = &r;
        if (!found || found->expression.trimmed().isEmpty())
            return QStringLiteral("the union has no part %1").arg(part.right(1));
        if (kEndsInUnion.match(found->expression).hasMatch())
            return QStringLiteral("union part %1 ends in UNION").arg(part.right(1));
    }
    return QString();
}

// Printable ASCII, which is most names, holds neither control characters nor unassigned ones.
bool isPrintableAscii(const QString& name) {
    return std::all_of(name.cbegin(), name.cend(),
                       [](QChar c) { return c.unicode() >= 0x20 && c.unicode() < 0x7F; });
}

} // namespace

QString WhyNameIsDamaged(const QString& name, bool systemName) {
    if (name.isEmpty())
        return QStringLiteral("it is empty");
    for (char32_t c : isPrintableAscii(name) ? QList<uint>() : QStringView(name).toUcs4()) {
        if (QChar::category(c) == QChar::Other_Control)
            return QStringLiteral("it holds the control character %1").arg(shown(c));
        // An unpaired surrogate comes out of toUcs4 as the replacement character.
        if (isNoCharacter(c))
            return QStringLiteral("it holds %1, which is no character").arg(shown(c));
    }
    if (systemName)
        return QString();
    for (QChar c : name)
        if (c == u'.' || c == u'!' || c == u'[' || c == u']' || c == u'`')
            return QStringLiteral("it holds '%1', which Access forbids in names").arg(c);
    if (name.front() == QLatin1Char(' '))
        return QStringLiteral("it starts with a space");
    return QString();
}

QString WhyQueryRowsAreIncomplete(const QList<QueryRow>& rows, qint64 objectFlags) {
    bool started = false, ended = false;
    for (const QueryRow& r : rows) {
        started = started || r.attribute == kStartRow;
        ended = ended || r.attribute == kEndRow;
        switch (r.attribute) {
        case queryattr::Table:
            // A union's parts are held to their own rule below.
            if (r.name1.isEmpty() && r.expression.isEmpty() && r.name2 != kFirstUnionPart &&
                r.name2 != kSecondUnionPart)
                return QStringLiteral("an input table has no name");
            break;
        case queryattr::Column:
        case queryattr::Join:
        case queryattr::Where:
        case queryattr::GroupBy:
        case queryattr::Having:
        case queryattr::OrderBy:
            if (r.expression.trimmed().isEmpty())
                return QStringLiteral("a clause (row of attribute %1) has no text")
                    .arg(r.attribute);
            break;
        default:
            break;
        }
    }
    if (!started || !ended)
        return QStringLiteral("its %1 row is missing").arg(started ? "end" : "start");
    const std::optional<QueryKind> kind = SavedQueryKind(rows, objectFlags);
    // The catalog's flags and the type row both state the kind; with flags that name one, a
    // type row that names another means one of them was overwritten.
    constexpr qint64 kKindBits = 0xF0;
    const bool typeRowPresent = std::any_of(rows.begin(), rows.end(), [](const QueryRow& r) {
        return r.attribute == queryattr::Type && r.flag;
    });
    if ((objectFlags & kKindBits) && typeRowPresent && kind != SavedQueryKind(rows, 0))
        return QStringLiteral("its catalog flags and its type row name different kinds");
    if (kind == QueryKind::Union)
        return whyUnionIsIncomplete(rows);
    if (kind == QueryKind::DataDefinition || kind == QueryKind::PassThrough) {
        // These keep their whole statement in the type row.
        for (const QueryRow& r : rows)
            if (r.attribute == queryattr::Type && !r.expression.trimmed().isEmpty())
                return QString();
        return QStringLiteral("its statement has no text");
    }
    return QString();
}

QString WhyIndexNamesAreDamaged(const QStringList& names) {
    QSet<QString> seen;
    for (const QString& name : names) {
        if (name.isEmpty())
            return QStringLiteral("an index has no name");
        if (QString why = WhyNameIsDamaged(name, true); !why.isEmpty())
            return QStringLiteral("the name of index '%1' is damaged: %2").arg(name, why);
        const QString folded = name.toCaseFolded();
        if (seen.contains(folded))
            return QStringLiteral("two indexes are named '%1'").arg(name);
        seen.insert(folded);
    }
    return QString();
}

} // namespace vantor
