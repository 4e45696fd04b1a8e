#include "engine/access/AccessErrors.h"

namespace vantor::accesserr {

VantorError FileNotFound(const QString& path) {
    return VantorError(err::Provider, QStringLiteral("Could not find file '%1'.").arg(path));
}

VantorError UnrecognizedFormat(const QString& path, const QString& reason) {
    QString text = QStringLiteral("Unrecognized database format '%1'.").arg(path);
    if (!reason.isEmpty())
        text += QLatin1Char(' ') + reason;
    return VantorError(err::Provider, text);
}

VantorError Damaged(const QString& path, const QString& reason) {
    QString text =
        QStringLiteral("The database '%1' is damaged, so none of it was used.").arg(path);
    if (!reason.isEmpty())
        text += QLatin1Char(' ') + reason;
    text += QStringLiteral(" Repair a copy with Compact and Repair in Access, or use a backup.");
    return VantorError(err::Provider, text);
}

VantorError Encrypted(const QString& path, const QString& reason) {
    return VantorError(err::Provider,
                       QStringLiteral("Cannot open '%1': %2 If the file opens in Access, "
                                      "remove its password there and compare a copy.")
                           .arg(path, reason));
}

VantorError WrongPassword() {
    return VantorError(AuthFailed, QStringLiteral("Not a valid password."));
}

VantorError WrongAccount() {
    return VantorError(AuthFailed, QStringLiteral("Not a valid account name or password."));
}

VantorError ReadOnly(const QString& path) {
    return VantorError(err::Provider,
                       QStringLiteral("Cannot run the statement: '%1' is an Access file, which "
                                      "is opened read-only here. Save the script and run it in "
                                      "Access, or run it against a schema snapshot of the "
                                      "database.")
                           .arg(path));
}

} // namespace vantor::accesserr
