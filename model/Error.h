#pragma once

#include <QString>
#include <QtGlobal>
#include <stdexcept>

namespace vantor {

// What went wrong, by kind. The values are the numbers users know from the platform's runtime
// and from Jet, and the ones the program shows itself (1001, 10002-10004), so a code is also the
// number a message box or the log shows.
enum class ErrorCode : qint32 {
    InvalidProcedureCall = 5,
    Overflow = 6,
    TypeMismatch = 13,
    ObjectNotSet = 91,
    DuplicateKey = 457,
    NoDatabases = 1001,
    ConnectionClosed = 10002,
    SchemasUnreadable = 10003,
    CompareFailed = 10004,
    ItemNotFound = 3265,
    OperationNotAllowedWhenClosed = 3704,
    OperationNotAllowedWhenOpen = 3705,
    ElementNotFound = 35601,   // a key that no tab or node carries
    SyntaxError = -2147217900, // Jet's DB_E_ERRORSINCOMMAND
    AuthFailed = -2147217843,  // DB_SEC_E_AUTH_FAILED, the number of Jet's logon errors
    Provider = -2147467259,    // E_FAIL, the number Jet gives most of its errors
};

// The one error type of the system: the core throws it, each front end catches it where a
// command starts and shows or prints the description.
class Error : public std::runtime_error {
public:
    Error(ErrorCode code, const QString& description);

    ErrorCode code() const { return code_; }
    qint32 number() const { return static_cast<qint32>(code_); }
    QString description() const { return description_; }

private:
    ErrorCode code_;
    QString description_;
};

// The description of any exception: an Error's own, or the standard library's text.
QString DescriptionOf(const std::exception& e);

} // namespace vantor
