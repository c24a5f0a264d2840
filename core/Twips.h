#pragma once

#include <QtMath>

// Layout is kept in twips, 15 to a logical pixel; lengths become pixels only where they
// are painted or measured.
namespace core {

inline constexpr int TwipsPerPixel = 15;

// Pixels of a length in twips.
inline int ToPixels(double twips)
{
    return qRound(twips / TwipsPerPixel);
}

} // namespace core
