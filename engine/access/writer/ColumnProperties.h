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

// The blob without the named column's properties; a blob without them comes back unchanged.
// Raises Error for a blob whose chunks do not add up.
QByteArray WithoutColumnProperties(const QByteArray& blob, const QString& column);

// The blob with the column's Required and DefaultValue changed where given (a false Required is
// left out), its other properties kept.
QByteArray WithColumnProperties(const QByteArray& blob, const QString& column,
                                std::optional<bool> required,
                                const std::optional<QString>& defaultValue);

// A long value field that holds its value in the row itself.
QByteArray InlineLongValue(const QByteArray& value);

} // namespace vantor::jet
