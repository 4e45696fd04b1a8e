#pragma once

#include <QByteArray>
#include <QString>

namespace vantor::jet {

// The two versions of Access's General text sort order a text column can be indexed in.
enum class GeneralSort { Legacy, Since2010 };

// Appends the index key bytes of a non-null text value (after its 7F/80 flag byte).
void AppendTextKey(QByteArray& key, const QString& text, GeneralSort sort, bool ascending);

} // namespace vantor::jet
