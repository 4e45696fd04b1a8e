#pragma once

#include "engine/access/writer/TableDef.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

namespace vantor::jet {

class PageFile;

// One row's values by the table's column order: the stored bytes of each non-null value (the
// 12-byte field for long values), and for Yes/No columns one byte 0 or 1, never null.
using RowValues = QList<std::optional<QByteArray>>;

// Splits a stored row into its column values; raises Error when the row's layout is broken.
RowValues DecodeRow(const TableDef& def, const QByteArray& row);

// The whole of a long value from its 12-byte field, following its pages.
QByteArray ReadLongValue(const PageFile& file, const QByteArray& field);

// Text as stored: UTF-16LE, or Access's compressed form when the column allows it.
QString DecodeText(const QByteArray& bytes);

} // namespace vantor::jet
