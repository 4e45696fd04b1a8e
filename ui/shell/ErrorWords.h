#pragma once

#include <QString>
#include <QtGlobal>

namespace vantor {

// What an error number stands for, in a few words a user understands; empty for a number the
// program does not know.
QString ErrorWords(qint32 number);

// A log line that names an error as "Error N: text", with the words of N appended in
// parentheses; any other line, or an unknown number, comes back as it was.
QString WithErrorWords(const QString& line);

} // namespace vantor
