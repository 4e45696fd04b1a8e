#pragma once

#include "engine/access/writer/JetBytes.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <array>

namespace vantor::jet {

class PageFile;

// Column data types as a table definition stores them.
enum ColumnType : quint8 {
    TypeBoolean = 0x01,
    TypeByte = 0x02,
    TypeInteger = 0x03,
    TypeLong = 0x04,
    TypeCurrency = 0x05,
    TypeSingle = 0x06,
    TypeDouble = 0x07,
    TypeDateTime = 0x08,
    TypeBinary = 0x09,
    TypeText = 0x0a,
    TypeOle = 0x0b,
    TypeMemo = 0x0c,
    TypeGuid = 0x0f,
    TypeNumeric = 0x10,
    TypeComplex = 0x12,
    TypeBigInt = 0x13,
    TypeExtendedDate = 0x14,
};

struct ColumnDef {
    quint8 type = 0;
    quint32 marker = 1625;
    quint16 number = 0;
    quint16 varIndex = 0;
    quint16 spareNumber = 0; // a copy of the number that neither Jet nor the readers consult
    std::array<quint8, 4> typeInfo{}; // text: sort order; numeric: precision and scale
    quint8 flags = 0;
    quint8 extraFlags = 0;
    quint32 reserved = 0;
    quint16 fixedOffset = 0;
    quint16 length = 0;
    QString name;

    bool IsFixed() const { return (flags & 0x01) != 0; }
    bool IsCompressed() const { return (extraFlags & 0x01) != 0; }
    bool IsLongValue() const { return type == TypeMemo || type == TypeOle; }
    quint16 SortLcid() const { return quint16(typeInfo[0] | (typeInfo[1] << 8)); }
    quint8 SortVersion() const { return typeInfo[3]; }
};

struct IndexColumnRef {
    quint16 number = 0xffff; // 0xffff: an unused place
    quint8 flags = 0;        // 0x01 ascending
    bool Ascending() const { return (flags & 0x01) != 0; }
};

struct RealIndexDef {
    std::array<quint8, 12> counts{}; // the count block of this index
    quint32 marker = 1923;
    std::array<IndexColumnRef, 10> columns{};
    quint32 ownedMap = 0;
    quint32 rootPage = 0;
    quint32 unknown = 0;
    quint8 flags = 0;
    std::array<quint8, 5> tail{};

    bool Unique() const { return (flags & 0x01) != 0; }
    bool IgnoreNulls() const { return (flags & 0x02) != 0; }
    QList<IndexColumnRef> UsedColumns() const;
};

struct LogicalIndexDef {
    quint32 marker = 1625;
    quint32 number = 0;
    quint32 realIndex = 0;
    quint8 foreignKeySide = 0;
    quint32 partnerIndex = 0xffffffff;
    quint32 partnerTable = 0;
    quint8 cascadeUpdate = 0;
    quint8 cascadeDelete = 0;
    quint8 kind = 0; // 1 primary key, 2 foreign key
    quint32 reserved = 0;
    QString name;
};

struct LongValueMaps {
    quint16 column = 0;
    quint32 ownedMap = 0;
    quint32 freeMap = 0;
};

// A table definition as its pages hold it, with every byte that has a place in the structure so
// that it writes back as it was read.
struct TableDef {
    quint32 page = 0;
    QByteArray header; // bytes 8..63: counts and map pointers are taken from the fields below
    quint32 rowCount = 0;
    quint32 lastAutoNumber = 0;
    quint8 tableType = 0;
    quint16 maxColumns = 0;
    quint16 varColumns = 0;
    quint32 ownedMap = 0;
    quint32 freeMap = 0;
    QList<ColumnDef> columns;
    QList<RealIndexDef> realIndexes;
    QList<LogicalIndexDef> logicalIndexes;
    QList<LongValueMaps> longValueMaps;

    const ColumnDef* ColumnByNumber(quint16 number) const;
};

// Reads the whole definition whose first page is given (continuation pages included).
QByteArray ReadTableDefBytes(const PageFile& file, quint32 firstPage);
// Parses the bytes ReadTableDefBytes returns, offsets as on the first page.
TableDef ParseTableDef(const QByteArray& bytes, quint32 page);
TableDef ReadTableDef(const PageFile& file, quint32 page);
// The definition's bytes from offset 8 (its length field) to its end, as the pages hold them.
QByteArray SerializeTableDef(const TableDef& def);

} // namespace vantor::jet

namespace vantor::jet {

class PageAllocator;

// Writes the definition back over its pages, taking more pages when it has grown and giving
// back the ones it no longer needs.
void WriteTableDef(PageFile& file, PageAllocator& allocator, const TableDef& def);

} // namespace vantor::jet
