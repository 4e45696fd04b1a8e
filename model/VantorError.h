#pragma once

#include <QString>
#include <QtGlobal>
#include <stdexcept>

namespace vantor {

// The one error type of the system: a number and a description, like the platform's error
// object that the original design lets "reach the caller".
class VantorError : public std::runtime_error {
public:
    VantorError(qint32 number, const QString& description);

    qint32 Number() const { return number_; }
    QString Description() const { return description_; }

private:
    qint32 number_;
    QString description_;
};

// Error numbers borrowed from the runtime and the provider so that messages read as users know
// them.
namespace err {
constexpr qint32 InvalidProcedureCall = 5;
constexpr qint32 Overflow = 6;
constexpr qint32 ObjectNotSet = 91;
constexpr qint32 DuplicateKey = 457;
constexpr qint32 ItemNotFound = 3265;
constexpr qint32 ElementNotFound = 35601; // a key that no tab or node carries
constexpr qint32 OperationNotAllowedWhenClosed = 3704;
constexpr qint32 Provider = -2147467259; // E_FAIL, the number Jet gives most of its errors
} // namespace err

// Narrows a wider value to 16 bits, raising the runtime's overflow error rather than truncating.
qint16 ToInt16(qint64 value);

} // namespace vantor
