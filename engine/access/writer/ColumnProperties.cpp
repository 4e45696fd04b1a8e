#include "engine/access/writer/ColumnProperties.h"

#include "engine/access/writer/JetBytes.h"
#include "engine/access/writer/TableDef.h"

#include <QStringList>

namespace vantor::jet {

namespace {

constexpr quint16 kNamePoolChunk = 0x0080;
constexpr quint16 kColumnChunk = 0x0001;
constexpr quint8 kSchemaProperty = 1;
constexpr quint32 kInlineFlag = 0x80000000;

QByteArray utf16(const QString& text) {
    return QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
}

// A chunk: its length (itself included), its type, then the body.
QByteArray chunk(quint16 type, const QByteArray& body) {
    QByteArray out;
    AppendU32(out, quint32(6 + body.size()));
    AppendU16(out, type);
    out.append(body);
    return out;
}

QByteArray value(quint8 type, quint16 nameIndex, const QByteArray& data) {
    QByteArray out;
    AppendU16(out, static_cast<quint16>(8 + data.size()));
    AppendU8(out, kSchemaProperty);
    AppendU8(out, type);
    AppendU16(out, nameIndex);
    AppendU16(out, static_cast<quint16>(data.size()));
    out.append(data);
    return out;
}

} // namespace

QByteArray BuildPropertyBlob(const QList<ColumnProperties>& columns) {
    const QStringList pool{QStringLiteral("Required"), QStringLiteral("DefaultValue")};
    QByteArray chunks;
    for (const ColumnProperties& c : columns) {
        QByteArray values;
        if (c.required)
            values.append(value(TypeBoolean, 0, QByteArray(1, '\x01')));
        if (c.defaultValue)
            values.append(value(TypeMemo, 1, utf16(*c.defaultValue)));
        if (values.isEmpty())
            continue;
        const QByteArray name = utf16(c.column);
        QByteArray body;
        AppendU32(body, quint32(6 + name.size()));
        AppendU16(body, static_cast<quint16>(name.size()));
        body.append(name);
        chunks.append(chunk(kColumnChunk, body + values));
    }
    if (chunks.isEmpty())
        return QByteArray();
    QByteArray names;
    for (const QString& name : pool) {
        AppendU16(names, static_cast<quint16>(name.size() * 2));
        names.append(utf16(name));
    }
    return QByteArray("MR2", 4) + chunk(kNamePoolChunk, names) + chunks;
}

QByteArray InlineLongValue(const QByteArray& value) {
    QByteArray out;
    AppendU32(out, quint32(value.size()) | kInlineFlag);
    AppendU32(out, 0);
    AppendU32(out, 0);
    return out + value;
}

} // namespace vantor::jet
