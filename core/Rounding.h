#pragma once

#include <QtGlobal>

// The one rounding of the program: wherever a value is "rounded", it is to the nearest
// whole number, halves to the even neighbour.
namespace core {

// 2.5 -> 2, 3.5 -> 4, -0.5 -> -0.
double RoundHalfEven(double value);

// The same, as a layout value (twips and pixels are 32-bit whole numbers).
inline qint32 Rounded(double value)
{
    return static_cast<qint32>(RoundHalfEven(value));
}

} // namespace core
