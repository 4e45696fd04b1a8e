#pragma once

#include "model/Schema.h"

#include <QHash>
#include <QString>
#include <optional>

namespace vantor {

// Type codes of an Access table definition.
namespace jettype {
constexpr int Boolean = 0x01;
constexpr int Byte = 0x02;
constexpr int Integer = 0x03;
constexpr int Long = 0x04;
constexpr int Currency = 0x05;
constexpr int Single = 0x06;
constexpr int Double = 0x07;
constexpr int DateTime = 0x08;
constexpr int Binary = 0x09;
constexpr int Text = 0x0a;
constexpr int Ole = 0x0b;
constexpr int Memo = 0x0c;
constexpr int Guid = 0x0f;
constexpr int Decimal = 0x10;
constexpr int Complex = 0x12;
constexpr int BigInt = 0x13;
constexpr int DateTimeExtended = 0x14;
} // namespace jettype

// ADO codes chosen where Jet's provider has no answer of its own to copy.
namespace adocode {
constexpr qint32 Complex = 13;           // adIUnknown: attachment and multi-value columns
constexpr qint32 DateTimeExtended = 135; // adDBTimeStamp
} // namespace adocode

// One column as the file describes it, before it becomes a schema column.
struct RawColumn {
    QString name;
    int jetType = 0;
    int sizeInBytes = 0;
    bool longAutoNumber = false; // libmdb's flag, also set on complex columns
    bool guidAutoNumber = false; // the definition's flag for a Replication ID
    int precision = 0;
    int scale = 0;
    QHash<QString, QString> properties; // column properties as text ("yes"/"no" for flags)
};

// DATA_TYPE of a table-definition type code; 0 for a code Jet does not define.
qint32 AdoTypeOfJetType(int jetType);

Column ToSchemaColumn(const RawColumn& raw, bool jet3, qint32 ordinal);

struct TableProperties {
    QString description;
    std::optional<QString> validationRule;
    std::optional<QString> validationText;
};

// A table's own properties from its property block, texts as libmdb gives them.
TableProperties ToTableProperties(const QHash<QString, QString>& props);

// The kind of table an MSysObjects row stands for; nothing when the row is not a table.
std::optional<ObjectKind> TableKindOf(qint32 objectType, qint64 flags);

// MSysObjects Type of a local table and of a saved query.
constexpr qint32 kObjectTypeTable = 1;
constexpr qint32 kObjectTypeQuery = 5;

} // namespace vantor
