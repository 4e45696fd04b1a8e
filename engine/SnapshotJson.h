#pragma once

#include "model/Schema.h"

#include <QByteArray>
#include <QJsonObject>

namespace vantor {

// The schema snapshot file format (see docs/snapshot-format.md).
constexpr int kSnapshotVersion = 1;
inline const QString kSnapshotFormatName = QStringLiteral("vantor-schema-snapshot");

QByteArray WriteSnapshotJson(const Schema& schema);

// One element of the document's "tables" array, for writers that reuse unchanged tables' text.
QJsonObject SnapshotTableJson(const Table& table);

// Raises a Error that names the line and column of a syntax error, or the place of a
// missing or mistyped value; sourceName is how the message names the input.
Schema ReadSnapshotJson(const QByteArray& data, const QString& sourceName);

} // namespace vantor
