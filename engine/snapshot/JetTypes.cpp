#include "engine/snapshot/JetTypes.h"

#include <QHash>

namespace vantor {

namespace {

enum class Family { Plain, Text, FixedText, Memo, Binary, LongBinary, Counter, Decimal };

struct TypeEntry {
    Family family;
    qint32 dataType;
};

constexpr qint32 kMaxTextLength = 255;
constexpr qint32 kMaxBinaryLength = 510;
constexpr qint32 kMaxDecimalPrecision = 28;
constexpr qint32 kDefaultDecimalPrecision = 18;

// Jet's own spellings keep Jet's meaning (VARCHAR is text, DATE is a date/time, DECIMAL is
// reported as numeric) so a script behaves here as it would on a real database; the ADO-only
// names of the type-mapping table, which Jet lacks, keep their own code.
const QHash<QString, TypeEntry>& typeTable() {
    static const QHash<QString, TypeEntry> table = [] {
        QHash<QString, TypeEntry> t;
        auto add = [&t](std::initializer_list<const char*> names, Family family, qint32 code) {
            for (const char* name : names)
                t.insert(QString::fromLatin1(name), {family, code});
        };
        add({"TEXT"}, Family::Text, 130);
        add({"CHAR", "CHARACTER", "VARCHAR", "ALPHANUMERIC", "STRING", "NCHAR", "NVARCHAR"},
            Family::FixedText, 130);
        add({"MEMO", "LONGTEXT", "LONGCHAR", "NOTE", "NTEXT"}, Family::Memo, 130);
        add({"BINARY", "VARBINARY"}, Family::Binary, 128);
        add({"LONGBINARY", "OLEOBJECT", "GENERAL", "IMAGE"}, Family::LongBinary, 128);
        add({"COUNTER", "AUTOINCREMENT", "IDENTITY"}, Family::Counter, 3);
        add({"DECIMAL", "NUMERIC", "DEC"}, Family::Decimal, 131);
        add({"YESNO", "BIT", "LOGICAL", "LOGICAL1", "BOOLEAN"}, Family::Plain, 11);
        add({"BYTE", "INTEGER1", "TINYINT"}, Family::Plain, 17);
        add({"SMALLINT", "SHORT", "INTEGER2"}, Family::Plain, 2);
        add({"INTEGER", "INT", "LONG", "INTEGER4"}, Family::Plain, 3);
        add({"SINGLE", "REAL", "FLOAT4", "IEEESINGLE"}, Family::Plain, 4);
        add({"DOUBLE", "FLOAT", "FLOAT8", "IEEEDOUBLE", "NUMBER"}, Family::Plain, 5);
        add({"CURRENCY", "MONEY"}, Family::Plain, 6);
        add({"DATETIME", "DATE", "TIME"}, Family::Plain, 7);
        // Jet 4 took TIMESTAMP for DATETIME, but it is the name the type mapping gives the
        // extended date/time of newer files, so it must come back as that type.
        add({"TIMESTAMP"}, Family::Plain, 135);
        add({"GUID", "UNIQUEIDENTIFIER"}, Family::Plain, 72);
        add({"BIGINT"}, Family::Plain, 20);
        add({"ARRAY"}, Family::Plain, 8192);
        add({"BSTR"}, Family::Plain, 8);
        add({"CHAPTER"}, Family::Plain, 136);
        add({"EMPTY"}, Family::Plain, 0);
        add({"ERROR"}, Family::Plain, 10);
        add({"FILETIME"}, Family::Plain, 64);
        add({"IDISPATCH"}, Family::Plain, 9);
        add({"IUNKNOWN"}, Family::Plain, 13);
        add({"LONGVARBINARY"}, Family::Plain, 205);
        add({"LONGVARCHAR"}, Family::Plain, 201);
        add({"LONGVARWCHAR"}, Family::Plain, 203);
        add({"PROPVARIANT"}, Family::Plain, 138);
        add({"UNSIGNEDBIGINT"}, Family::Plain, 21);
        add({"UNSIGNEDINT"}, Family::Plain, 19);
        add({"UNSIGNEDSMALLINT"}, Family::Plain, 18);
        add({"USERDEFINED"}, Family::Plain, 132);
        add({"VARIANT"}, Family::Plain, 12);
        add({"VARNUMERIC"}, Family::Plain, 139);
        add({"VARWCHAR"}, Family::Plain, 202);
        return t;
    }();
    return table;
}

JetTypeResult problem(JetTypeProblem p) {
    JetTypeResult r;
    r.problem = p;
    return r;
}

// A length in parentheses, or fallback when there is none.
JetTypeResult sized(qint32 code, const QList<qint64>& args, qint32 fallback, qint32 limit) {
    if (args.size() > 1)
        return problem(JetTypeProblem::BadArguments);
    qint64 length = args.isEmpty() ? fallback : args[0];
    if (length < 1)
        return problem(JetTypeProblem::BadArguments);
    if (length > limit)
        return problem(JetTypeProblem::TooLong);
    JetTypeResult r;
    r.type.dataType = code;
    r.type.maxLength = static_cast<qint32>(length);
    return r;
}

JetTypeResult decimal(qint32 code, const QList<qint64>& args) {
    if (args.size() > 2)
        return problem(JetTypeProblem::BadArguments);
    qint64 precision = args.isEmpty() ? kDefaultDecimalPrecision : args[0];
    qint64 scale = args.size() < 2 ? 0 : args[1];
    if (precision < 1 || precision > kMaxDecimalPrecision || scale < 0 || scale > precision)
        return problem(JetTypeProblem::BadArguments);
    JetTypeResult r;
    r.type.dataType = code;
    r.type.precision = static_cast<qint32>(precision);
    r.type.scale = static_cast<qint32>(scale);
    return r;
}

} // namespace

JetTypeResult ResolveJetType(const QString& name, const QList<qint64>& arguments) {
    auto it = typeTable().constFind(name.toUpper());
    if (it == typeTable().constEnd())
        return problem(JetTypeProblem::UnknownName);
    const TypeEntry& entry = *it;
    JetTypeResult r;
    r.type.dataType = entry.dataType;
    switch (entry.family) {
    case Family::Text:
        // Without a length TEXT is a long text (memo), reported with length 0.
        if (arguments.isEmpty()) {
            r.type.maxLength = 0;
            return r;
        }
        return sized(entry.dataType, arguments, 0, kMaxTextLength);
    case Family::FixedText:
        return sized(entry.dataType, arguments, kMaxTextLength, kMaxTextLength);
    case Family::Binary:
        return sized(entry.dataType, arguments, kMaxBinaryLength, kMaxBinaryLength);
    case Family::Memo:
    case Family::LongBinary:
        if (!arguments.isEmpty())
            return problem(JetTypeProblem::BadArguments);
        r.type.maxLength = 0;
        return r;
    case Family::Counter:
        // The optional (seed, increment) pair shapes numbering only, which a schema does not keep.
        if (!arguments.isEmpty() && arguments.size() != 2)
            return problem(JetTypeProblem::BadArguments);
        r.type.autoNumber = true;
        return r;
    case Family::Decimal:
        return decimal(entry.dataType, arguments);
    case Family::Plain:
        if (!arguments.isEmpty())
            return problem(JetTypeProblem::BadArguments);
        r.type.alwaysRequired = entry.dataType == 11;
        return r;
    }
    return problem(JetTypeProblem::UnknownName);
}

} // namespace vantor
