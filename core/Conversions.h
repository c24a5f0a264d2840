#pragma once

#include "core/Failure.h"

#include <QString>

// Conversions of stored text to the types the program works with. They accept what a
// person may have typed into the settings file by hand (blanks around a number, any
// case of "true") and fail with a numbered failure on anything else.
namespace core {

// A number written in decimal: blanks around it, an optional sign, digits with an
// optional decimal point, an optional exponent ("1e3"). TypeMismatch otherwise.
Converted<double> ToNumber(const QString &text);
bool IsNumeric(const QString &text);

// Whole numbers: a decimal text is rounded half to even first; TypeMismatch for text
// that is not a number, Overflow for a value beyond the type.
Converted<qint16> ToWhole16(const QString &text);
Converted<qint32> ToWhole32(const QString &text);

// Single precision; Overflow beyond its range.
Converted<float> ToSingle(const QString &text);

// "True"/"False" in any case, or a number (0 false, anything else true).
Converted<bool> ToBoolean(const QString &text);

// Text forms the program writes.
QString SingleToText(float value); // "14", "10.5": shortest text that reads back the same
QString BooleanToText(bool value); // "True", "False"

} // namespace core
