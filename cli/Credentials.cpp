#include "cli/Credentials.h"

#include "cli/CliSupport.h"
#include "cli/Terminal.h"

#include <QFile>

namespace vantor::cli {

QString ReadPassword(const QString& fileArgument, const QString& whose) {
    if (fileArgument == QLatin1String("-")) {
        std::optional<QString> line =
            StdinIsTerminal()
                ? ReadHiddenLine(QStringLiteral("Password for the %1 database: ").arg(whose))
                : ReadStdinLine();
        if (!line)
            throw CliError(QStringLiteral("No password given for the %1 database.").arg(whose));
        return *line;
    }
    QFile file(fileArgument);
    if (!file.open(QIODevice::ReadOnly))
        throw CliError(QStringLiteral("Cannot read the password file '%1': %2")
                           .arg(fileArgument, file.errorString()));
    QByteArray bytes = file.readAll();
    qsizetype end = bytes.indexOf('\n');
    if (end < 0)
        end = bytes.size();
    if (end > 0 && bytes[end - 1] == '\r')
        --end;
    QString password = QString::fromUtf8(bytes.constData(), end);
    bytes.fill('\0');
    return password;
}

DatabaseLogin ReadLogin(const CommandParser& args, const QString& path, const QString& prefix,
                        const QString& whose) {
    DatabaseLogin login;
    login.path = path;
    const QString userOption = prefix + QStringLiteral("user");
    login.user = args.IsSet(userOption) ? args.Value(userOption) : QStringLiteral("Admin");
    const QString fileOption = prefix + QStringLiteral("password-file");
    if (args.IsSet(fileOption))
        login.password = ReadPassword(args.Value(fileOption), whose);
    return login;
}

} // namespace vantor::cli
