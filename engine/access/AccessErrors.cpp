#include "engine/access/AccessErrors.h"

namespace vantor::accesserr {

Error FileNotFound(const QString& path) {
    return Error(ErrorCode::Provider, QStringLiteral("Could not find file '%1'.").arg(path));
}

Error UnrecognizedFormat(const QString& path, const QString& reason) {
    QString text = QStringLiteral("Unrecognized database format '%1'.").arg(path);
    if (!reason.isEmpty())
        text += QLatin1Char(' ') + reason;
    return Error(ErrorCode::Provider, text);
}

Error Damaged(const QString& path, const QString& reason) {
    QString text =
        QStringLiteral("The database '%1' is damaged, so none of it was used.").arg(path);
    if (!reason.isEmpty())
        text += QLatin1Char(' ') + reason;
    text += QStringLiteral(" Repair a copy with Compact and Repair in Access, or use a backup.");
    return Error(ErrorCode::Provider, text);
}

Error Encrypted(const QString& path, const QString& reason) {
    return Error(ErrorCode::Provider,
                 QStringLiteral("Cannot open '%1': %2 If the file opens in Access, "
                                "remove its password there and compare a copy.")
                     .arg(path, reason));
}

Error WrongPassword(const QString& path) {
    return Error(ErrorCode::AuthFailed,
                 QStringLiteral("Not a valid password for the database '%1'.").arg(path));
}

Error WrongAccount() {
    return Error(ErrorCode::AuthFailed, QStringLiteral("Not a valid account name or password."));
}

Error ReadOnly(const QString& path) {
    return Error(ErrorCode::Provider,
                 QStringLiteral("Cannot run the statement: '%1' is an Access file, which "
                                "is opened read-only here. Save the script and run it in "
                                "Access, or run it against a schema snapshot of the "
                                "database.")
                     .arg(path));
}

} // namespace vantor::accesserr
