#pragma once

#include <QString>

namespace vantor {

inline const QString kOpenDatabaseFirst = QStringLiteral("Please open database first.!");
inline const QString kCannotOpenDatabase = QStringLiteral("Cannot open database.");
inline const QString kUnableToLoadSchemas = QStringLiteral("Unable to load schemas.");

// True when a compare engine exists; otherwise tells the user to open the databases first.
bool EngineOrWarn();

} // namespace vantor
