#pragma once

#include <QString>
#include <optional>

namespace vantor::cli {

// The few things the command line needs from the terminal, kept behind one small interface so
// that the rest stays free of platform calls.
bool StderrIsTerminal();
bool StdinIsTerminal();
// Columns of the terminal on stderr, or 80 when that cannot be told.
int TerminalWidth();
// Shows prompt on stderr and reads one line from the terminal without echoing it; none at end
// of input.
std::optional<QString> ReadHiddenLine(const QString& prompt);
// One line from standard input without its line break; none at end of input.
std::optional<QString> ReadStdinLine();

} // namespace vantor::cli
