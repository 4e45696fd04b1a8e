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

namespace vantor::jet {

namespace {

constexpr int kBlobHeader = 4;
constexpr int kChunkHeader = 6;

struct Chunk {
    quint16 type = 0;
    QByteArray body;
};

struct Blob {
    QByteArray header;
    QStringList pool;
    QList<Chunk> chunks; // every chunk but the name pool, in order
};

Blob parseBlob(const QByteArray& bytes) {
    Blob blob;
    if (bytes.isEmpty()) {
        blob.header = QByteArray("MR2", 4);
        return blob;
    }
    blob.header = Slice(bytes, 0, kBlobHeader);
    if (blob.header != QByteArray("MR2", 4))
        RaiseDamaged(QStringLiteral("a property blob that does not start with MR2"));
    for (qsizetype at = kBlobHeader; at < bytes.size();) {
        const quint32 length = U32(bytes, at);
        if (length < kChunkHeader || length > quint32(bytes.size() - at))
            RaiseDamaged(QStringLiteral("a property chunk of length %1").arg(length));
        Chunk chunk{U16(bytes, at + 4), Slice(bytes, at + kChunkHeader, length - kChunkHeader)};
        at += length;
        if (chunk.type != kNamePoolChunk) {
            blob.chunks.append(chunk);
            continue;
        }
        for (qsizetype p = 0; p < chunk.body.size();) {
            const quint16 size = U16(chunk.body, p);
            const QByteArray name = Slice(chunk.body, p + 2, size);
            blob.pool.append(
                QString(reinterpret_cast<const QChar*>(name.constData()), name.size() / 2));
            p += 2 + size;
        }
    }
    return blob;
}

QByteArray serializeBlob(const Blob& blob) {
    QByteArray names;
    for (const QString& name : blob.pool) {
        AppendU16(names, static_cast<quint16>(name.size() * 2));
        names.append(utf16(name));
    }
    QByteArray out = blob.header + chunk(kNamePoolChunk, names);
    for (const Chunk& c : blob.chunks)
        out.append(chunk(c.type, c.body));
    return out;
}

// The column a value chunk belongs to; empty for the object's own chunk.
QString chunkName(const Chunk& c) {
    const quint16 size = U16(c.body, 4);
    const QByteArray name = Slice(c.body, 6, size);
    return QString(reinterpret_cast<const QChar*>(name.constData()), name.size() / 2);
}

bool isColumnChunk(const Chunk& c, const QString& column) {
    return (c.type == kColumnChunk || c.type == 0x0002) &&
           chunkName(c).compare(column, Qt::CaseInsensitive) == 0;
}

quint16 poolIndex(Blob& blob, const QString& name) {
    qsizetype at = blob.pool.indexOf(name);
    if (at < 0) {
        blob.pool.append(name);
        at = blob.pool.size() - 1;
    }
    return static_cast<quint16>(at);
}

} // namespace

QByteArray WithoutColumnProperties(const QByteArray& bytes, const QString& column) {
    if (bytes.isEmpty())
        return bytes;
    Blob blob = parseBlob(bytes);
    const qsizetype before = blob.chunks.size();
    blob.chunks.removeIf([&](const Chunk& c) { return isColumnChunk(c, column); });
    return blob.chunks.size() == before ? bytes : serializeBlob(blob);
}

QByteArray WithColumnProperties(const QByteArray& bytes, const QString& column,
                                std::optional<bool> required,
                                const std::optional<QString>& defaultValue) {
    Blob blob = parseBlob(bytes);
    const quint16 requiredName = poolIndex(blob, QStringLiteral("Required"));
    const quint16 defaultName = poolIndex(blob, QStringLiteral("DefaultValue"));
    Chunk* target = nullptr;
    for (Chunk& c : blob.chunks)
        if (isColumnChunk(c, column))
            target = &c;
    if (!target) {
        const QByteArray name = utf16(column);
        Chunk fresh{kColumnChunk, {}};
        AppendU32(fresh.body, quint32(6 + name.size()));
        AppendU16(fresh.body, static_cast<quint16>(name.size()));
        fresh.body.append(name);
        blob.chunks.append(fresh);
        target = &blob.chunks.last();
    }
    // Keep the name header and every value but the ones being set.
    const auto headerSize = qsizetype(U32(target->body, 0));
    QByteArray values = Slice(target->body, 0, headerSize);
    for (qsizetype at = headerSize; at < target->body.size();) {
        const quint16 size = U16(target->body, at);
        if (size < 8)
            RaiseDamaged(QStringLiteral("a property value of length %1").arg(size));
        const QByteArray one = Slice(target->body, at, size);
        const quint16 nameIndex = U16(one, 4);
        if (!(required && nameIndex == requiredName) && !(defaultValue && nameIndex == defaultName))
            values.append(one);
        at += size;
    }
    if (required.value_or(false))
        values.append(value(TypeBoolean, requiredName, QByteArray(1, '\x01')));
    if (defaultValue)
        values.append(value(TypeMemo, defaultName, utf16(*defaultValue)));
    target->body = values;
    return serializeBlob(blob);
}

} // namespace vantor::jet
