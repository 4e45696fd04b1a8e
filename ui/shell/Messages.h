#pragma once

#include <QString>

namespace vantor {

inline const QString kOpenDatabaseFirst = QStringLiteral("Please open database first.!");
inline const QString kCannotOpenDatabase = QStringLiteral("Cannot open database.");
inline const QString kUnableToLoadSchemas = QStringLiteral("Unable to load schemas.");

// "Cannot open database." followed by the reason, which names the file that could not be read.
QString CannotOpenMessage(const QString& reason);

// True when a compare engine exists; otherwise tells the user to open the databases first.
bool EngineOrWarn();

} // namespace vantor
