#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

namespace vantor::jet {

// The properties a new column carries in its table's LvProp blob.
struct ColumnProperties {
    QString column;
    bool required = false;
    std::optional<QString> defaultValue;
};

// A property blob holding the given columns' properties, or an empty array when none has any.
QByteArray BuildPropertyBlob(const QList<ColumnProperties>& columns);

// A long value field that holds its value in the row itself.
QByteArray InlineLongValue(const QByteArray& value);

} // namespace vantor::jet
