#pragma once

#include "engine/Connection.h"
#include "engine/DbSchema.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <memory>

namespace vantor::test {

QByteArray ReadBytes(const QString& path);
void WriteBytes(const QString& path, const QByteArray& data);

// A connection opened on a data source as the engine opens one.
std::shared_ptr<Connection> OpenDatabase(const QString& dataSource,
                                         const QString& user = QStringLiteral("Admin"),
                                         const QString& password = QString());

// One column of a rowset, from the first row to the last.
QStringList RowsetColumn(Connection& cn, qint32 schema, const QString& column,
                         const QVariantList& criteria = {});

// The description of the error that f raises, or "" when it raises none.
template <typename F> QString ErrorOf(F&& f) {
    try {
        f();
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    }
    return QString();
}

} // namespace vantor::test
