#include "engine/access/writer/JetBytes.h"

#include "model/Error.h"

#include <QtEndian>

namespace vantor::jet {

namespace {

void requireInside(const QByteArray& bytes, qsizetype offset, qsizetype length) {
    if (offset < 0 || length < 0 || offset > bytes.size() - length)
        RaiseDamaged(QStringLiteral("a field at offset %1 of %2 bytes lies outside its %3 bytes")
                         .arg(offset)
                         .arg(length)
                         .arg(bytes.size()));
}

} // namespace

void RaiseDamaged(const QString& what) {
    throw Error(
        ErrorCode::Provider,
        QStringLiteral("The database is damaged or in a form Vantor cannot write: %1.").arg(what));
}

quint8 U8(const QByteArray& bytes, qsizetype offset) {
    requireInside(bytes, offset, 1);
    return static_cast<quint8>(bytes[offset]);
}

quint16 U16(const QByteArray& bytes, qsizetype offset) {
    requireInside(bytes, offset, 2);
    return qFromLittleEndian<quint16>(bytes.constData() + offset);
}

quint32 U24(const QByteArray& bytes, qsizetype offset) {
    requireInside(bytes, offset, 3);
    return U16(bytes, offset) | (quint32(U8(bytes, offset + 2)) << 16);
}

quint32 U32(const QByteArray& bytes, qsizetype offset) {
    requireInside(bytes, offset, 4);
    return qFromLittleEndian<quint32>(bytes.constData() + offset);
}

QByteArray Slice(const QByteArray& bytes, qsizetype offset, qsizetype length) {
    requireInside(bytes, offset, length);
    return bytes.mid(offset, length);
}

void PutU8(QByteArray& bytes, qsizetype offset, quint8 value) {
    requireInside(bytes, offset, 1);
    bytes[offset] = static_cast<char>(value);
}

void PutU16(QByteArray& bytes, qsizetype offset, quint16 value) {
    requireInside(bytes, offset, 2);
    qToLittleEndian(value, bytes.data() + offset);
}

void PutU32(QByteArray& bytes, qsizetype offset, quint32 value) {
    requireInside(bytes, offset, 4);
    qToLittleEndian(value, bytes.data() + offset);
}

void AppendU8(QByteArray& bytes, quint8 value) {
    bytes.append(static_cast<char>(value));
}

void AppendU16(QByteArray& bytes, quint16 value) {
    bytes.append(static_cast<char>(value & 0xff)).append(static_cast<char>(value >> 8));
}

void AppendU32(QByteArray& bytes, quint32 value) {
    AppendU16(bytes, static_cast<quint16>(value & 0xffff));
    AppendU16(bytes, static_cast<quint16>(value >> 16));
}

} // namespace vantor::jet
