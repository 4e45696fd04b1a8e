#include "ui/shell/ErrorWords.h"

#include "model/Error.h"

#include <QRegularExpression>

namespace vantor {

QString ErrorWords(qint32 number) {
    switch (static_cast<ErrorCode>(number)) {
    case ErrorCode::InvalidProcedureCall:
        return QStringLiteral("a command was given a value it cannot take");
    case ErrorCode::Overflow:
        return QStringLiteral("a number was too large");
    case ErrorCode::TypeMismatch:
        return QStringLiteral("a value was of the wrong type");
    case ErrorCode::ObjectNotSet:
        return QStringLiteral("no database was open to work on");
    case ErrorCode::DuplicateKey:
        return QStringLiteral("two objects have the same name");
    case ErrorCode::NoDatabases:
        return QStringLiteral("no database was named");
    case ErrorCode::ConnectionClosed:
        return QStringLiteral("a database that was open could not be opened again");
    case ErrorCode::SchemasUnreadable:
        return QStringLiteral("the tables and views of a database could not be read");
    case ErrorCode::CompareFailed:
        return QStringLiteral("the two databases could not be compared");
    case ErrorCode::ItemNotFound:
        return QStringLiteral("the database has no such object");
    case ErrorCode::OperationNotAllowedWhenClosed:
        return QStringLiteral("the database is not open");
    case ErrorCode::OperationNotAllowedWhenOpen:
        return QStringLiteral("the database is open already");
    case ErrorCode::ElementNotFound:
        return QStringLiteral("an entry that is not there was asked for");
    case ErrorCode::SyntaxError:
        return QStringLiteral("the database engine did not understand the statement");
    case ErrorCode::AuthFailed:
        return QStringLiteral("the user name or password was refused");
    case ErrorCode::Provider:
        return QStringLiteral("the database engine could not do what was asked");
    }
    return QString();
}

QString WithErrorWords(const QString& line) {
    static const QRegularExpression named(QStringLiteral("\\bError (-?\\d+): "));
    const QRegularExpressionMatch match = named.match(line);
    if (!match.hasMatch())
        return line;
    bool ok = false;
    const qint32 number = match.captured(1).toInt(&ok);
    const QString words = ok ? ErrorWords(number) : QString();
    return words.isEmpty() ? line : line + QStringLiteral(" (error %1: %2)").arg(number).arg(words);
}

} // namespace vantor
