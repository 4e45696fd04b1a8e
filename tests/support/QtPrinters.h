#pragma once

#include "model/OptionalText.h"

#include <QString>
#include <QStringList>
#include <ostream>

// Readable Qt strings in GoogleTest failure messages.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
inline void PrintTo(const QStringList& list, std::ostream* os) {
    *os << '{';
    for (qsizetype i = 0; i < list.size(); ++i)
        *os << (i ? ", \"" : "\"") << list[i].toStdString() << '"';
    *os << '}';
}

namespace vantor {
// A column's optional text as std::optional<QString> prints: its value, or that there is none.
inline void PrintTo(const OptionalText& text, std::ostream* os) {
    if (text)
        ::PrintTo(*text, os);
    else
        *os << "(none)";
}
} // namespace vantor
