#pragma once

#include <QString>
#include <optional>

namespace core {

// The failure numbers every routine reports with; stored data and picture files
// raise these instead of exceptions.
enum FailureNumber : int {
    Overflow = 6,
    SubscriptOutOfRange = 9,
    DivisionByZero = 11,
    TypeMismatch = 13,
    FileNotFound = 53,
    PermissionDenied = 70,
    PathNotFound = 76,
    InvalidPicture = 481,
};

struct Failure
{
    int number = 0;
    QString description;
};

// A failure with the standard description of its number ("Overflow", "Type mismatch", ...).
Failure MakeFailure(int number);

// How a failure is reported to the user: "Error Number: 53" CRLF "File not found".
QString FailureMessage(const Failure &failure);

// The outcome of a conversion: a value, or the failure that prevented it.
template <typename T> struct Converted
{
    std::optional<T> value;
    Failure failure;

    bool ok() const { return value.has_value(); }
    T valueOr(T fallback) const { return value.value_or(fallback); }

    static Converted success(T v) { return {v, {}}; }
    static Converted fail(int number) { return {std::nullopt, MakeFailure(number)}; }
};

} // namespace core
