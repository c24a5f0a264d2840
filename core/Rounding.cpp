#include "core/Rounding.h"

#include <cmath>

namespace core {

double RoundHalfEven(double value)
{
    if (!std::isfinite(value))
        return value;
    const double below = std::floor(value);
    // Exact: both lie within one unit of each other.
    const double fraction = value - below;
    double rounded;
    if (fraction < 0.5)
        rounded = below;
    else if (fraction > 0.5)
        rounded = below + 1.0;
    else
        rounded = std::fmod(below, 2.0) == 0.0 ? below : below + 1.0;
    // Keep the sign of a negative value that rounds to zero, as the hardware rounding does.
    return rounded == 0.0 ? std::copysign(0.0, value) : rounded;
}

} // namespace core
