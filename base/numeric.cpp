#include "base/numeric.h"

#include <cmath>

int truncWithin(double v, int limit) {
    if (!(v > -limit))
        return std::isnan(v) ? 0 : -limit;
    if (v > limit)
        return limit;
    return static_cast<int>(v);
}
