#pragma once

#include "engine/access/writer/JetBytes.h"
#include "engine/access/writer/TableDef.h"

#include <QByteArray>
#include <QString>
#include <functional>

namespace vantor::jet {

class PageFile;

// Calls `visit` with every live row of the table (moved rows read where they now live), in page
// and slot order, with the pointer that the table's indexes hold for it.
void ForEachRow(const PageFile& file, const TableDef& def,
                const std::function<void(RowPointer, const QByteArray&)>& visit);

// One object of the catalog (MSysObjects), the fields the writer needs.
struct CatalogObject {
    RowPointer where; // the catalog row
    qint32 id = 0;
    qint32 parentId = 0;
    QString name;
    qint16 type = 0;
    qint32 flags = 0;
};

constexpr quint32 kCatalogPage = 2;
constexpr qint16 kTableObjectType = 1;

QList<CatalogObject> ReadCatalog(const PageFile& file);

// Whether a local table belongs to the engine, judged by its catalog flags as the reader judges
// it: a table named MSys... that the flags call the user's own is the user's to change.
bool IsSystemTable(const CatalogObject& object);

} // namespace vantor::jet
