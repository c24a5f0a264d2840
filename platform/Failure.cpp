#include "platform/Failure.h"

namespace platform {

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
    case PathNotFound:
        return {number, QStringLiteral("Path not found")};
    case InvalidPicture:
        return {number, QStringLiteral("Invalid picture")};
    }
    return {number, QStringLiteral("Application-defined or object-defined error")};
}

} // namespace platform
