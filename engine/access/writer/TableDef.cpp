#include "engine/access/writer/TableDef.h"

#include "engine/access/writer/DataPage.h"
#include "engine/access/writer/PageAllocator.h"
#include "engine/access/writer/PageFile.h"

#include <QSet>

namespace vantor::jet {

namespace {

constexpr int kPageHeader = 8;
constexpr int kNextPageOffset = 4;
constexpr int kLengthOffset = 8;
constexpr int kHeaderEnd = 63;
constexpr int kCountBlockSize = 12;
constexpr int kColumnSize = 25;
constexpr int kRealIndexSize = 52;
constexpr int kLogicalIndexSize = 28;
constexpr int kLongValueEntrySize = 10;
constexpr quint16 kTrailerEnd = 0xffff;
// Far above what Access allows, low enough that a damaged count cannot make us allocate much.
constexpr quint32 kMaxItems = 4096;

QString readName(const QByteArray& bytes, qsizetype& at) {
    quint16 length = U16(bytes, at);
    QByteArray raw = Slice(bytes, at + 2, length);
    if (length % 2 != 0)
        RaiseDamaged(QStringLiteral("a name of odd length %1 in a table definition").arg(length));
    at += 2 + length;
    return QString(reinterpret_cast<const QChar*>(raw.constData()), length / 2);
}

void appendName(QByteArray& out, const QString& name) {
    AppendU16(out, static_cast<quint16>(name.size() * 2));
    for (QChar c : name)
        AppendU16(out, c.unicode());
}

template <size_t N> std::array<quint8, N> readArray(const QByteArray& bytes, qsizetype at) {
    QByteArray raw = Slice(bytes, at, N);
    std::array<quint8, N> out{};
    for (size_t i = 0; i < N; ++i)
        out[i] = static_cast<quint8>(raw[qsizetype(i)]);
    return out;
}

template <size_t N> void appendArray(QByteArray& out, const std::array<quint8, N>& bytes) {
    for (quint8 b : bytes)
        AppendU8(out, b);
}

quint32 checkedCount(quint32 count, const char* what) {
    if (count > kMaxItems)
        RaiseDamaged(QStringLiteral("a table definition claims %1 %2").arg(count).arg(what));
    return count;
}

ColumnDef parseColumn(const QByteArray& bytes, qsizetype at) {
    ColumnDef c;
    c.type = U8(bytes, at);
    c.marker = U32(bytes, at + 1);
    c.number = U16(bytes, at + 5);
    c.varIndex = U16(bytes, at + 7);
    c.spareNumber = U16(bytes, at + 9);
    c.typeInfo = readArray<4>(bytes, at + 11);
    c.flags = U8(bytes, at + 15);
    c.extraFlags = U8(bytes, at + 16);
    c.reserved = U32(bytes, at + 17);
    c.fixedOffset = U16(bytes, at + 21);
    c.length = U16(bytes, at + 23);
    return c;
}

void appendColumn(QByteArray& out, const ColumnDef& c) {
    AppendU8(out, c.type);
    AppendU32(out, c.marker);
    AppendU16(out, c.number);
    AppendU16(out, c.varIndex);
    AppendU16(out, c.spareNumber);
    appendArray(out, c.typeInfo);
    AppendU8(out, c.flags);
    AppendU8(out, c.extraFlags);
    AppendU32(out, c.reserved);
    AppendU16(out, c.fixedOffset);
    AppendU16(out, c.length);
}

RealIndexDef parseRealIndex(const QByteArray& bytes, qsizetype at) {
    RealIndexDef r;
    r.marker = U32(bytes, at);
    for (int i = 0; i < 10; ++i) {
        r.columns[i].number = U16(bytes, at + 4 + 3 * qsizetype(i));
        r.columns[i].flags = U8(bytes, at + 6 + 3 * qsizetype(i));
    }
    r.ownedMap = U32(bytes, at + 34);
    r.rootPage = U32(bytes, at + 38);
    r.unknown = U32(bytes, at + 42);
    r.flags = U8(bytes, at + 46);
    r.tail = readArray<5>(bytes, at + 47);
    return r;
}

void appendRealIndex(QByteArray& out, const RealIndexDef& r) {
    AppendU32(out, r.marker);
    for (const IndexColumnRef& c : r.columns) {
        AppendU16(out, c.number);
        AppendU8(out, c.flags);
    }
    AppendU32(out, r.ownedMap);
    AppendU32(out, r.rootPage);
    AppendU32(out, r.unknown);
    AppendU8(out, r.flags);
    appendArray(out, r.tail);
}

LogicalIndexDef parseLogicalIndex(const QByteArray& bytes, qsizetype at) {
    LogicalIndexDef l;
    l.marker = U32(bytes, at);
    l.number = U32(bytes, at + 4);
    l.realIndex = U32(bytes, at + 8);
    l.foreignKeySide = U8(bytes, at + 12);
    l.partnerIndex = U32(bytes, at + 13);
    l.partnerTable = U32(bytes, at + 17);
    l.cascadeUpdate = U8(bytes, at + 21);
    l.cascadeDelete = U8(bytes, at + 22);
    l.kind = U8(bytes, at + 23);
    l.reserved = U32(bytes, at + 24);
    return l;
}

void appendLogicalIndex(QByteArray& out, const LogicalIndexDef& l) {
    AppendU32(out, l.marker);
    AppendU32(out, l.number);
    AppendU32(out, l.realIndex);
    AppendU8(out, l.foreignKeySide);
    AppendU32(out, l.partnerIndex);
    AppendU32(out, l.partnerTable);
    AppendU8(out, l.cascadeUpdate);
    AppendU8(out, l.cascadeDelete);
    AppendU8(out, l.kind);
    AppendU32(out, l.reserved);
}

} // namespace

QList<IndexColumnRef> RealIndexDef::UsedColumns() const {
    QList<IndexColumnRef> used;
    for (const IndexColumnRef& c : columns)
        if (c.number != 0xffff)
            used.append(c);
    return used;
}

const ColumnDef* TableDef::ColumnByNumber(quint16 number) const {
    for (const ColumnDef& c : columns)
        if (c.number == number)
            return &c;
    return nullptr;
}

QByteArray ReadTableDefBytes(const PageFile& file, quint32 firstPage) {
    QByteArray first = file.Page(firstPage);
    if (U8(first, 0) != kTableDefPageType)
        RaiseDamaged(QStringLiteral("page %1 holds no table definition").arg(firstPage));
    quint32 length = U32(first, kLengthOffset);
    if (length < kHeaderEnd + 2 || length > kMaxItems * quint32(file.PageSize()))
        RaiseDamaged(QStringLiteral("the table definition on page %1 has length %2")
                         .arg(firstPage)
                         .arg(length));
    QByteArray bytes = first;
    QSet<quint32> seen{firstPage};
    quint32 next = U32(first, kNextPageOffset);
    while (quint32(bytes.size()) < length) {
        if (next == 0 || seen.contains(next))
            RaiseDamaged(
                QStringLiteral("the table definition on page %1 ends early").arg(firstPage));
        seen.insert(next);
        QByteArray page = file.Page(next);
        if (U8(page, 0) != kTableDefPageType)
            RaiseDamaged(QStringLiteral("page %1 continues no table definition").arg(next));
        bytes.append(page.mid(kPageHeader));
        next = U32(page, kNextPageOffset);
    }
    return bytes.left(length);
}

TableDef ParseTableDef(const QByteArray& bytes, quint32 page) {
    TableDef def;
    def.page = page;
    def.header = Slice(bytes, kLengthOffset, kHeaderEnd - kLengthOffset);
    def.rowCount = U32(bytes, 16);
    def.lastAutoNumber = U32(bytes, 20);
    def.tableType = U8(bytes, 40);
    def.maxColumns = U16(bytes, 41);
    def.varColumns = U16(bytes, 43);
    quint32 columnCount = checkedCount(U16(bytes, 45), "columns");
    quint32 logicalCount = checkedCount(U32(bytes, 47), "indexes");
    quint32 realCount = checkedCount(U32(bytes, 51), "indexes");
    def.ownedMap = U32(bytes, 55);
    def.freeMap = U32(bytes, 59);

    qsizetype at = kHeaderEnd;
    QList<QByteArray> countBlocks;
    for (quint32 i = 0; i < realCount; ++i, at += kCountBlockSize)
        countBlocks.append(Slice(bytes, at, kCountBlockSize));
    for (quint32 i = 0; i < columnCount; ++i, at += kColumnSize)
        def.columns.append(parseColumn(bytes, at));
    for (ColumnDef& c : def.columns)
        c.name = readName(bytes, at);
    for (quint32 i = 0; i < realCount; ++i, at += kRealIndexSize) {
        RealIndexDef r = parseRealIndex(bytes, at);
        r.counts = readArray<12>(countBlocks[qsizetype(i)], 0);
        def.realIndexes.append(r);
    }
    for (quint32 i = 0; i < logicalCount; ++i, at += kLogicalIndexSize)
        def.logicalIndexes.append(parseLogicalIndex(bytes, at));
    for (LogicalIndexDef& l : def.logicalIndexes)
        l.name = readName(bytes, at);
    while (U16(bytes, at) != kTrailerEnd) {
        def.longValueMaps.append({U16(bytes, at), U32(bytes, at + 2), U32(bytes, at + 6)});
        at += kLongValueEntrySize;
        checkedCount(quint32(def.longValueMaps.size()), "long value maps");
    }
    at += 2;
    if (at != bytes.size())
        RaiseDamaged(QStringLiteral("the table definition on page %1 ends at %2, not at %3")
                         .arg(page)
                         .arg(at)
                         .arg(bytes.size()));
    for (const LogicalIndexDef& l : def.logicalIndexes)
        if (l.realIndex >= realCount)
            RaiseDamaged(QStringLiteral("index %1 has no storage").arg(l.name));
    return def;
}

TableDef ReadTableDef(const PageFile& file, quint32 page) {
    return ParseTableDef(ReadTableDefBytes(file, page), page);
}

QByteArray SerializeTableDef(const TableDef& def) {
    QByteArray out = def.header;
    if (out.size() != kHeaderEnd - kLengthOffset)
        out.resize(kHeaderEnd - kLengthOffset, '\0');
    for (const RealIndexDef& r : def.realIndexes)
        appendArray(out, r.counts);
    for (const ColumnDef& c : def.columns)
        appendColumn(out, c);
    for (const ColumnDef& c : def.columns)
        appendName(out, c.name);
    for (const RealIndexDef& r : def.realIndexes)
        appendRealIndex(out, r);
    for (const LogicalIndexDef& l : def.logicalIndexes)
        appendLogicalIndex(out, l);
    for (const LogicalIndexDef& l : def.logicalIndexes)
        appendName(out, l.name);
    for (const LongValueMaps& m : def.longValueMaps) {
        AppendU16(out, m.column);
        AppendU32(out, m.ownedMap);
        AppendU32(out, m.freeMap);
    }
    AppendU16(out, kTrailerEnd);

    // Offsets below are absolute, as on the first page; `out` starts at offset 8.
    auto put32 = [&out](int offset, quint32 v) { PutU32(out, offset - kLengthOffset, v); };
    auto put16 = [&out](int offset, quint16 v) { PutU16(out, offset - kLengthOffset, v); };
    put32(kLengthOffset, quint32(out.size() + kLengthOffset));
    put32(16, def.rowCount);
    put32(20, def.lastAutoNumber);
    PutU8(out, 40 - kLengthOffset, def.tableType);
    put16(41, def.maxColumns);
    put16(43, def.varColumns);
    put16(45, static_cast<quint16>(def.columns.size()));
    put32(47, quint32(def.logicalIndexes.size()));
    put32(51, quint32(def.realIndexes.size()));
    put32(55, def.ownedMap);
    put32(59, def.freeMap);
    return out;
}

} // namespace vantor::jet

namespace vantor::jet {

void WriteTableDef(PageFile& file, PageAllocator& allocator, const TableDef& def) {
    const QByteArray body = SerializeTableDef(def);
    const qsizetype perPage = file.PageSize() - kPageHeader;
    QList<quint32> pages{def.page};
    QSet<quint32> seen{def.page};
    for (quint32 next = U32(file.Page(def.page), kNextPageOffset); next != 0;
         next = U32(file.Page(next), kNextPageOffset)) {
        if (seen.contains(next))
            RaiseDamaged(QStringLiteral("the table definition on page %1 loops").arg(def.page));
        seen.insert(next);
        pages.append(next);
    }
    const qsizetype needed = qMax<qsizetype>(1, (body.size() + perPage - 1) / perPage);
    QList<quint32> surplus = pages.mid(needed);
    pages = pages.first(qMin(needed, pages.size()));
    QByteArray blank(file.PageSize(), '\0');
    blank[0] = static_cast<char>(kTableDefPageType);
    blank[1] = 0x01;
    while (pages.size() < needed)
        pages.append(allocator.NewPage(blank));
    for (qsizetype i = 0; i < pages.size(); ++i) {
        const QByteArray chunk = body.mid(i * perPage, perPage);
        QByteArray page = blank;
        page.replace(kPageHeader, chunk.size(), chunk);
        const qsizetype free = file.PageSize() - kPageHeader - chunk.size() - kPageHeader;
        PutU16(page, 2, static_cast<quint16>(qMax<qsizetype>(0, free)));
        PutU32(page, kNextPageOffset, i + 1 < pages.size() ? pages[i + 1] : 0);
        file.WritePage(pages[i], page);
    }
    for (quint32 page : surplus)
        allocator.FreePage(page);
}

} // namespace vantor::jet
