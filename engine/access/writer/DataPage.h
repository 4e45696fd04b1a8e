#pragma once

#include "engine/access/writer/JetBytes.h"

#include <QByteArray>
#include <optional>

namespace vantor::jet {

class PageFile;

constexpr quint8 kDataPageType = 0x01;
constexpr quint8 kTableDefPageType = 0x02;
constexpr quint8 kIndexNodePageType = 0x03;
constexpr quint8 kIndexLeafPageType = 0x04;
constexpr quint8 kUsageBitmapPageType = 0x05;

// Where one row of a data page lies, and what its slot word says about it.
struct RowSlot {
    int start = 0;
    int end = 0; // exclusive
    bool deleted = false;
    bool overflow = false; // the row only points at where the real row lives
};

// The number of slots on a data page (deleted ones included); raises for a page that is not one.
int SlotCount(const QByteArray& page);
// One slot's extent, checked against the slot table and the page.
RowSlot SlotOf(const QByteArray& page, int row);
// The bytes of a live row, following an overflow slot to the row it points at; nothing for a
// deleted row.
std::optional<QByteArray> ReadRow(const PageFile& file, RowPointer where);
// The bytes of a row that structures such as usage maps and long values point at, deleted or not.
QByteArray ReadRowBytes(const PageFile& file, RowPointer where);

} // namespace vantor::jet
