#include "engine/SqlDataType.h"

#include "engine/SqlText.h"

#include <array>
#include <iterator>

namespace vantor {

namespace {

// Rows that take the caller's clause suffix end in " , "; the others are fixed literals that
// already hold their comma.
enum class Form { TakesSuffix, Literal };

struct TypeRow {
    qint32 code;
    const char* text;
    Form form;
};

constexpr TypeRow kTypeRows[] = {
    {8192, "ARRAY", Form::TakesSuffix},
    {20, "BIGINT", Form::TakesSuffix},
    {128, "BINARY", Form::TakesSuffix},
    {11, "YESNO,", Form::Literal},
    {8, "BSTR", Form::TakesSuffix},
    {136, "CHAPTER", Form::TakesSuffix},
    {129, "CHAR", Form::TakesSuffix},
    {6, "CURRENCY,", Form::Literal},
    {7, "DATETIME,", Form::Literal},
    {133, "DATE", Form::TakesSuffix},
    {134, "TIME", Form::TakesSuffix},
    {135, "TIMESTAMP", Form::TakesSuffix},
    {14, "DECIMAL", Form::TakesSuffix},
    {5, "DOUBLE,", Form::Literal},
    {0, "EMPTY", Form::TakesSuffix},
    {10, "ERROR", Form::TakesSuffix},
    {64, "FILETIME", Form::TakesSuffix},
    {72, "GUID", Form::TakesSuffix},
    {9, "IDISPATCH", Form::TakesSuffix},
    {3, "INTEGER,", Form::Literal},
    {13, "IUNKNOWN", Form::TakesSuffix},
    {205, "LongVarBinary", Form::TakesSuffix},
    {201, "LongVarChar", Form::TakesSuffix},
    {203, "LongVarWChar", Form::TakesSuffix},
    {131, "Numeric", Form::TakesSuffix},
    {138, "PropVariant", Form::TakesSuffix},
    {4, "SINGLE,", Form::Literal},
    {2, "SMALLINT,", Form::Literal},
    {16, "TinyInt", Form::TakesSuffix},
    {21, "UnsignedBigInt", Form::TakesSuffix},
    {19, "UnsignedInt", Form::TakesSuffix},
    {18, "UnsignedSmallInt", Form::TakesSuffix},
    {17, "BYTE,", Form::Literal},
    {132, "UserDefined", Form::TakesSuffix},
    {204, "VarBinary", Form::TakesSuffix},
    {200, "VarChar", Form::TakesSuffix},
    {12, "Variant", Form::TakesSuffix},
    {139, "VarNumeric", Form::TakesSuffix},
    {202, "VarWChar", Form::TakesSuffix},
};

const TypeRow* findRow(qint32 code) {
    for (const TypeRow& row : kTypeRows)
        if (row.code == code)
            return &row;
    return nullptr;
}

// The rows' texts already in upper case, made once.
const QString& upperText(const TypeRow& row) {
    static const auto texts = [] {
        std::array<QString, std::size(kTypeRows)> t;
        for (size_t i = 0; i < t.size(); ++i)
            t[i] = QString::fromLatin1(kTypeRows[i].text).toUpper();
        return t;
    }();
    return texts[static_cast<size_t>(&row - kTypeRows)];
}

} // namespace

void AppendSqlDataType(QString& out, qint32 dataType, qint32 size, const QString& suffix) {
    static const QString separator = QStringLiteral(" , ") + CrLf;
    // Every fixed part is upper case already; only the caller's suffix needs converting.
    const auto withSuffix = [&] {
        out += u' ';
        if (!suffix.isEmpty())
            out += suffix.toUpper();
        out += separator;
    };
    // A bare BINARY is Jet's BINARY(510): a fixed-size field keeps its size, and a long binary
    // (OLE Object) field must not come out as a short one.
    if (dataType == adWChar || dataType == adBinary) {
        const bool text = dataType == adWChar;
        if (size > 0) {
            out += text ? QLatin1String("TEXT(") : QLatin1String("BINARY(");
            out += QString::number(size);
            out += u')';
        } else {
            out += text ? QLatin1String("TEXT") : QLatin1String("LONGBINARY");
        }
        withSuffix();
        return;
    }
    const TypeRow* row = findRow(dataType);
    if (!row)
        return;
    out += upperText(*row);
    if (row->form == Form::Literal) {
        out += CrLf;
        return;
    }
    out += suffix.toUpper();
    out += separator;
}

QString SqlDataType(qint32 dataType, qint32 size, const QString& suffix) {
    QString out;
    AppendSqlDataType(out, dataType, size, suffix);
    return out;
}

} // namespace vantor
