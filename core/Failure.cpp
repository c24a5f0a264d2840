#include "core/Failure.h"

namespace core {

Failure MakeFailure(int number)
{
    switch (number) {
    case Overflow:
        return {number, QStringLiteral("Overflow")};
    case SubscriptOutOfRange:
        return {number, QStringLiteral("Subscript out of range")};
    case DivisionByZero:
        return {number, QStringLiteral("Division by zero")};
    case TypeMismatch:
        return {number, QStringLiteral("Type mismatch")};
    case FileNotFound:
        return {number, QStringLiteral("File not found")};
    case PermissionDenied:
        return {number, QStringLiteral("Permission denied")};
    case PathNotFound:
        return {number, QStringLiteral("Path not found")};
    case InvalidPicture:
        return {number, QStringLiteral("Invalid picture")};
    }
    return {number, QStringLiteral("Application-defined or object-defined error")};
}

QString FailureMessage(const Failure &failure)
{
    return QStringLiteral("Error Number: %1\r\n%2").arg(failure.number).arg(failure.description);
}

} // namespace core
