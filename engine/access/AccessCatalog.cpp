#include "engine/access/AccessCatalog.h"

#include <algorithm>

namespace vantor {

namespace {

constexpr qint32 kObjectTypeOdbcLink = 4;
constexpr qint32 kObjectTypeLink = 6;
constexpr qint64 kFlagSystem = 0x80000000LL;
constexpr qint64 kFlagAccess = 0x2;
// A calculated column's stored value carries this many bytes before the result itself.
constexpr int kCalculatedValueHeader = 23;
constexpr int kLargestDecimalPrecision = 28;

bool isYes(const QHash<QString, QString>& props, const QString& key) {
    QString v = props.value(key).trimmed().toLower();
    return v == QLatin1String("yes") || v == QLatin1String("true") || v == QLatin1String("-1") ||
           v == QLatin1String("1");
}

// libmdb gives a property of another type than text as its own rendering of it ("(binary data
// of length 4)"), which says nothing about the value, so such a property counts as unreadable.
std::optional<QString> textProperty(const QHash<QString, QString>& props, const QString& key) {
    auto it = props.constFind(key);
    if (it == props.cend() || it->startsWith(QLatin1String("(binary data of length")))
        return std::nullopt;
    return *it;
}

} // namespace

TableProperties ToTableProperties(const QHash<QString, QString>& props) {
    return {props.value(QStringLiteral("Description")),
            textProperty(props, QStringLiteral("ValidationRule")),
            textProperty(props, QStringLiteral("ValidationText"))};
}

qint32 AdoTypeOfJetType(int jetType) {
    switch (jetType) {
    case jettype::Boolean:
        return 11;
    case jettype::Byte:
        return 17;
    case jettype::Integer:
        return 2;
    case jettype::Long:
        return 3;
    case jettype::Currency:
        return 6;
    case jettype::Single:
        return 4;
    case jettype::Double:
        return 5;
    case jettype::DateTime:
        return 7;
    case jettype::Binary:
    case jettype::Ole:
        return 128;
    case jettype::Text:
    case jettype::Memo:
        return 130;
    case jettype::Guid:
        return 72;
    case jettype::Decimal:
        return 131;
    case jettype::Complex:
        return adocode::Complex;
    case jettype::BigInt:
        return 20;
    case jettype::DateTimeExtended:
        return adocode::DateTimeExtended;
    default:
        return 0;
    }
}

Column ToSchemaColumn(const RawColumn& raw, bool jet3, qint32 ordinal) {
    Column c;
    c.name = raw.name;
    c.ordinal = ordinal;
    // A calculated column is served as its result type; its stored type is only a container.
    int resultType = raw.properties.value(QStringLiteral("ResultType")).toInt();
    bool calculated = resultType != 0 && raw.properties.contains(QStringLiteral("Expression"));
    int type = calculated ? resultType : raw.jetType;
    c.dataType = AdoTypeOfJetType(type);

    switch (type) {
    case jettype::Text:
        if (calculated)
            c.maxLength = std::max(raw.sizeInBytes - kCalculatedValueHeader, 0) / 2;
        else
            c.maxLength = jet3 ? raw.sizeInBytes : raw.sizeInBytes / 2;
        break;
    case jettype::Binary:
        c.maxLength = raw.sizeInBytes;
        break;
    case jettype::Memo:
    case jettype::Ole:
        c.maxLength = 0;
        break;
    case jettype::Decimal:
        c.precision = raw.precision;
        c.scale = raw.scale;
        // Access keeps no precision for a calculated Decimal: each value carries its own scale,
        // up to the type's largest precision.
        if (calculated && raw.precision == 0)
            c.precision = kLargestDecimalPrecision;
        break;
    default:
        break;
    }

    c.autoNumber = raw.longAutoNumber && raw.jetType == jettype::Long && !calculated;
    // Access makes a GUID an AutoNumber of size Replication ID by flagging it and giving it the
    // default GenGUID(); either one says it.
    const bool genGuid = raw.properties.value(QStringLiteral("DefaultValue"))
                             .trimmed()
                             .compare(QLatin1String("GenGUID()"), Qt::CaseInsensitive) == 0;
    if (type == jettype::Guid && !calculated && (raw.guidAutoNumber || genGuid))
        c.autoNumber = true;
    c.nullable = type != jettype::Boolean && !isYes(raw.properties, QStringLiteral("Required"));
    c.allowZeroLength = isYes(raw.properties, QStringLiteral("AllowZeroLength"));
    if (raw.properties.contains(QStringLiteral("DefaultValue")))
        c.defaultValue = raw.properties.value(QStringLiteral("DefaultValue"));
    c.description = raw.properties.value(QStringLiteral("Description"));
    c.required = isYes(raw.properties, QStringLiteral("Required"));
    c.validationRule = textProperty(raw.properties, QStringLiteral("ValidationRule"));
    c.validationText = textProperty(raw.properties, QStringLiteral("ValidationText"));
    c.caption = textProperty(raw.properties, QStringLiteral("Caption"));
    c.format = textProperty(raw.properties, QStringLiteral("Format"));
    c.inputMask = textProperty(raw.properties, QStringLiteral("InputMask"));
    bool number = false;
    const int places = raw.properties.value(QStringLiteral("DecimalPlaces")).toInt(&number);
    constexpr int kAutoPlaces = 255; // what Access stores for Auto, the same as no setting
    if (number && places >= 0 && places != kAutoPlaces)
        c.decimalPlaces = places;
    return c;
}

std::optional<ObjectKind> TableKindOf(qint32 objectType, qint64 flags) {
    switch (objectType) {
    case kObjectTypeTable:
        if (flags & kFlagSystem)
            return ObjectKind::SystemTable;
        if (flags & kFlagAccess)
            return ObjectKind::AccessTable;
        return ObjectKind::Table;
    case kObjectTypeLink:
        return ObjectKind::Link;
    case kObjectTypeOdbcLink:
        return ObjectKind::PassThrough;
    default:
        return std::nullopt;
    }
}

} // namespace vantor
