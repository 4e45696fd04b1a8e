#pragma once

#include <QString>

namespace vantor {

// The object name of element index of a control array, as the design writes it: "txtDb(0)".
inline QString indexed(const char* name, int index) {
    return QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(index);
}

} // namespace vantor
