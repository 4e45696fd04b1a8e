#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// Bounds-checked little-endian access to page bytes: the writer reads untrusted files, so a
// field that lies outside its buffer raises Error instead of reading past it.
namespace vantor::jet {

// Raises the error that a damaged or unexpected file gives, naming what was wrong.
[[noreturn]] void RaiseDamaged(const QString& what);

quint8 U8(const QByteArray& bytes, qsizetype offset);
quint16 U16(const QByteArray& bytes, qsizetype offset);
quint32 U24(const QByteArray& bytes, qsizetype offset);
quint32 U32(const QByteArray& bytes, qsizetype offset);
// A part of the buffer; raises when it does not lie wholly inside.
QByteArray Slice(const QByteArray& bytes, qsizetype offset, qsizetype length);

void PutU8(QByteArray& bytes, qsizetype offset, quint8 value);
void PutU16(QByteArray& bytes, qsizetype offset, quint16 value);
void PutU32(QByteArray& bytes, qsizetype offset, quint32 value);

void AppendU8(QByteArray& bytes, quint8 value);
void AppendU16(QByteArray& bytes, quint16 value);
void AppendU32(QByteArray& bytes, quint32 value);

// A row on a data page as definitions and long values point at it: the row number in the low
// byte, the page number in the three above.
struct RowPointer {
    quint32 page = 0;
    quint8 row = 0;

    static RowPointer FromRaw(quint32 raw) { return {raw >> 8, static_cast<quint8>(raw & 0xff)}; }
    quint32 Raw() const { return (page << 8) | row; }
    bool IsNull() const { return page == 0 && row == 0; }
    friend bool operator==(const RowPointer&, const RowPointer&) = default;
};

} // namespace vantor::jet
