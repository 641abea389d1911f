#pragma once
// Small numeric helpers every floor uses. Inline: the drawing code converts every pixel
// coordinate through them.
#include <climits>
#include <cmath>
#include <cstdlib>

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

// The whole number a text starts with, held within int's range: the files are read by
// 32- and 64-bit programs alike, and 4294967297 must not wrap round to 1 on either.
inline int leadingInt(const char* text) {
    const long long v = std::strtoll(text, nullptr, 10);
    return v > INT_MAX ? INT_MAX : v < INT_MIN ? INT_MIN : static_cast<int>(v);
}
