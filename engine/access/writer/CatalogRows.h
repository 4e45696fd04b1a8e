#pragma once

#include "engine/access/writer/IndexKey.h"
#include "engine/access/writer/TableScan.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>

namespace vantor::jet {

class PageFile;
class PageAllocator;

// Small pieces that statements editing the system tables' rows share.

constexpr qint32 kTopParentId = 0x0F000000;

bool SameName(const QString& a, const QString& b);
// Raises Jet's error for a name Access does not allow for an object, field or index.
void RequireValidObjectName(const QString& name);
// The column's place in the definition; a system table lacking it is damaged.
qsizetype ColumnPosition(const TableDef& def, const char* name);
QByteArray Le32(quint32 value);
QByteArray Utf16(const QString& text);
// The present moment as Jet stores a date: days since 30 December 1899, local time.
QByteArray JetNow();
QString TextAt(const RowValues& values, qsizetype position);
std::optional<qint32> LongAt(const RowValues& values, qsizetype position);

const CatalogObject* FindObject(const QList<CatalogObject>& catalog, qint32 parentId,
                                const QString& name);
// The id of a top-level container ("Tables", "Relationships"); a catalog lacking it is damaged.
qint32 ContainerId(const QList<CatalogObject>& catalog, const char* name);
// The local user table so named, or Jet's error for one that is missing, linked or a system table.
CatalogObject RequireUserTable(const QList<CatalogObject>& catalog, const QString& name);

// Adds the rows to a table and brings every index of it up to date.
void InsertRows(PageFile& file, PageAllocator& allocator, TableDef& def,
                const QList<RowValues>& rows, KeyFormat format);
// Deletes the rows `match` picks and brings every index of the table up to date.
void DeleteRowsWhere(PageFile& file, PageAllocator& allocator, TableDef& def, KeyFormat format,
                     const std::function<bool(const RowValues&)>& match);

// Adds an object's catalog row under the container, owned as the database is, with the id that
// objects other than tables take (the largest negative one plus one); returns the id.
qint32 AddSyntheticObject(PageFile& file, PageAllocator& allocator, qint32 container,
                          const QString& name, qint16 type, KeyFormat format);
// Gives a new object the permissions its container passes on to what is created in it.
void InheritPermissions(PageFile& file, PageAllocator& allocator,
                        const QList<CatalogObject>& catalog, qint32 container, qint32 object,
                        KeyFormat format);
// Removes an object's catalog row and its permissions.
void RemoveObject(PageFile& file, PageAllocator& allocator, const QList<CatalogObject>& catalog,
                  qint32 object, KeyFormat format);

} // namespace vantor::jet
