#pragma once
// Small numeric helpers every floor uses. Inline: the drawing code converts every pixel
// coordinate through them.
#include <cmath>

// Truncation toward zero held within -limit..limit (NaN gives 0): a computed value from
// a hand-edited file can lie anywhere, and a plain cast of it would be undefined.
inline int truncWithin(double v, int limit) {
    if (!(v > -limit))
        return std::isnan(v) ? 0 : -limit;
    if (v > limit)
        return limit;
    return static_cast<int>(v);
}

// Computed coordinates are held within +-COORD_LIMIT, far off any screen, so that sums
// and differences of coordinates from a hand-edited layout or a degenerate graph cannot
// overflow an int.
constexpr int COORD_LIMIT = 1 << 28;
inline int truncToInt(double v) {
    return truncWithin(v, COORD_LIMIT);
}

inline bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
