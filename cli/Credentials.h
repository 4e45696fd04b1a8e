#pragma once

#include "cli/CommandParser.h"
#include "engine/Source.h"

#include <QString>

namespace vantor::cli {

// The password named by a --password-file argument: the first line of the file, or, for "-",
// typed at a prompt without echo (one line of standard input when that is not a terminal).
// whose names the database in the prompt.
QString ReadPassword(const QString& fileArgument, const QString& whose);

// The login of one side from the parsed options prefix + "user" and prefix + "password-file";
// the user name defaults to Admin, as the connect dialog's does.
DatabaseLogin ReadLogin(const CommandParser& args, const QString& path, const QString& prefix,
                        const QString& whose);

} // namespace vantor::cli
