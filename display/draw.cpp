#include "display/draw.h"

#include "base/numeric.h"
#include "display/framebuffer.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <numeric>
#include <type_traits>

namespace {

// Runs t from start in steps of 1.0 while t <= end, leaving out the steps that cannot
// reach the screen (extent `size` along the stepped axis), so that coordinates gone wild
// upstream (a division by zero in a graph) cannot stall the device. Steps below -2 land
// left of or above the screen; adding 1.0 to a negative double that stays below -0.5 is
// exact, so jumping a whole number of steps reaches the very value the stepping would.
template <typename Step>
void stepAlong(double start, double end, int size, Step step) {
    double t = start;
    if (t < -2.0)
        t += std::floor(-t) - 2.0;
    for (; t <= end && t < size; t += 1.0)
        step(t);
}

// Whole-number lines within this bound are stepped in integers. Their slope and the
// products of the double stepping then err by less than 2^-35 pixel, while a point of
// the line off the pixel grid lies at least 2^-16 from it (its value is a fraction over
// the run, at most 2^16): such a point truncates to the same pixel either way. A point
// exactly on the grid is left to the double arithmetic, whose rounding may put it either
// side, unless the slope is a binary fraction, which makes the double arithmetic exact.
constexpr double WHOLE_LIMIT = 32768.0;

bool wholeAndNear(double v) {
    return v == std::trunc(v) && std::fabs(v) <= WHOLE_LIMIT;
}

// A one-pixel line between whole-number points, seen along its major axis: t runs from
// s to e (s <= e) over a screen extent of size, while the minor coordinate runs from q0
// by a over the run (|a| <= e - s); m is the slope as the double stepping computes it.
struct WholeLine {
    int s, e, q0, a, size;
    double m;
    int minorSize;                       // the screen's extent along the minor axis
    std::ptrdiff_t majorStep, minorStep; // bytes between neighbouring pixels
};

// Writes exactly the pixels the double stepping (t from s, minor (t - s) * m + q0, both
// truncated, t + 0.5 for the major one) puts on the screen, Bytes bytes each.
template <std::size_t Bytes>
void drawWhole(const WholeLine& l, uint8_t* origin, const PixelInk& ink) {
    // Copies the loop keeps in registers: the pixel stores could alias anything else.
    const int s = l.s, a = l.a, q0 = l.q0, minorSize = l.minorSize;
    const std::ptrdiff_t majorStep = l.majorStep, minorStep = l.minorStep;
    const double m = l.m;
    using Pixel = std::conditional_t<Bytes == 4, uint32_t, uint16_t>;
    Pixel pixel;
    std::memcpy(&pixel, ink.bytes, Bytes);
    const int d = l.e - s;
    // as stepAlong does, a start left of or above -2 jumps to -2
    int t = s < -2 ? -2 : s;
    const int last = std::min(l.e, l.size - 1);
    if (t > last)
        return;
    const int reduced = d == 0 ? 1 : d / std::gcd(a < 0 ? -a : a, d);
    const bool binarySlope = (reduced & (reduced - 1)) == 0;
    // the minor coordinate is q + r / d, with 0 <= r < d
    int q = q0, r = 0;
    if (d > 0) {
        const int64_t n = int64_t{t - s} * a;
        int64_t whole = n / d, rest = n % d;
        if (rest < 0) {
            rest += d;
            --whole;
        }
        q += static_cast<int>(whole);
        r = static_cast<int>(rest);
    }
    // The pixel of a grid point is worked out by the double arithmetic, as explained
    // above; hit is the remainder that marks one (none with a binary slope).
    const int hit = binarySlope ? -1 : 0;
    auto exactMinor = [&](int at) { return truncToInt(static_cast<double>(at - s) * m + q0); };
    auto put = [&](int major, int minor) {
        if (static_cast<unsigned>(minor) < static_cast<unsigned>(minorSize))
            std::memcpy(origin + major * majorStep + minor * minorStep, &pixel, Bytes);
    };
    auto advance = [&] {
        r += a;
        if (r >= d && d > 0) {
            r -= d;
            ++q;
        } else if (r < 0) {
            r += d;
            --q;
        }
    };
    while (t <= last) {
        // Left of or above the screen, t + 0.5 truncates to t - 1 at -2 (off the screen)
        // and to 0 at -1 as at 0; the minor coordinate truncates towards zero below 0.
        for (; t <= last && (t < 0 || q < 0); ++t) {
            if (t != -2)
                put(t < 0 ? 0 : t, r == hit ? exactMinor(t) : q < 0 && r != 0 ? q + 1 : q);
            advance();
        }
        // While t >= 0 and q >= 0 the pixel is (t, q), one step along the line apart.
        std::ptrdiff_t offset = t * majorStep + q * minorStep;
        for (; t <= last && q >= 0; ++t) {
            if (r == hit)
                put(t, exactMinor(t));
            else if (q < minorSize)
                std::memcpy(origin + offset, &pixel, Bytes);
            offset += majorStep;
            r += a;
            if (r >= d && d > 0) {
                r -= d;
                ++q;
                offset += minorStep;
            } else if (r < 0) {
                r += d;
                --q;
                offset -= minorStep;
            }
        }
    }
}

void drawWholeLine(const WholeLine& line, const PixelInk& ink) {
    uint8_t* const origin = pixelAddress(0, 0);
    if (ink.wide)
        drawWhole<4>(line, origin, ink);
    else
        drawWhole<2>(line, origin, ink);
}

} // namespace

void drawLine(double x1, double y1, double x2, double y2, int r, int g, int b, double width) {
    if (!std::isfinite(x1) || !std::isfinite(y1) || !std::isfinite(x2) || !std::isfinite(y2))
        return;
    const double dx = std::fabs(x1 - x2);
    const double dy = std::fabs(y1 - y2);
    const bool whole = width <= 1.0 && wholeAndNear(x1) && wholeAndNear(y1) && wholeAndNear(x2) &&
                       wholeAndNear(y2);
    if (whole && !fb.mapping)
        return;
    const std::ptrdiff_t across = pixelStep();
    const std::ptrdiff_t down = static_cast<std::ptrdiff_t>(fb.fix.line_length);
    if (dx > dy) {
        const bool forward = x1 < x2;
        const double sx = forward ? x1 : x2;
        const double sy = forward ? y1 : y2;
        const double end = forward ? x2 : x1;
        const double m = forward ? (y1 - y2) / (x1 - x2) : (y2 - y1) / (x2 - x1);
        if (whole) {
            const int q0 = static_cast<int>(sy);
            drawWholeLine({static_cast<int>(sx), static_cast<int>(end), q0,
                           static_cast<int>(forward ? y2 : y1) - q0, fb.xres, m, fb.yres, across,
                           down},
                          packInk(r, g, b));
            return;
        }
        stepAlong(sx, end, fb.xres, [&](double t) {
            const double y = (t - sx) * m + sy;
            if (width <= 1.0)
                putPixel(truncToInt(t + 0.5), truncToInt(y), r, g, b, 255);
            else
                drawLine(t, y - width / 2, t, y + width / 2, r, g, b, 1.0);
        });
        return;
    }
    const bool forward = y1 < y2;
    const double sx = forward ? x1 : x2;
    const double sy = forward ? y1 : y2;
    const double end = forward ? y2 : y1;
    double m = 0.0;
    if (forward)
        m = (x1 - x2) / (y1 - y2);
    else if (y1 != y2)
        m = (x2 - x1) / (y2 - y1);
    if (whole) {
        const int q0 = static_cast<int>(sx);
        drawWholeLine({static_cast<int>(sy), static_cast<int>(end), q0,
                       static_cast<int>(forward ? x2 : x1) - q0, fb.yres, m, fb.xres, down, across},
                      packInk(r, g, b));
        return;
    }
    stepAlong(sy, end, fb.yres, [&](double t) {
        const double x = (t - sy) * m + sx;
        if (width <= 1.0)
            putPixel(truncToInt(x), truncToInt(t + 0.5), r, g, b, 255);
        else
            drawLine(x - width / 2, t, x + width / 2, t, r, g, b, 1.0);
    });
}

namespace {

// A colour with the screen's layout, resolved once for a whole shape.
struct ScreenInk {
    PixelInk ink;
    uint8_t* origin;
    std::ptrdiff_t across, down;
};

ScreenInk screenInk(int r, int g, int b) {
    return {packInk(r, g, b), fb.mapping ? pixelAddress(0, 0) : nullptr, pixelStep(),
            static_cast<std::ptrdiff_t>(fb.fix.line_length)};
}

template <std::size_t Bytes>
void fillColumn(const ScreenInk& s, int x, int from, int to) {
    std::conditional_t<Bytes == 4, uint32_t, uint16_t> pixel;
    std::memcpy(&pixel, s.ink.bytes, Bytes);
    uint8_t* at = s.origin + x * s.across + from * s.down;
    for (int y = from; y <= to; ++y, at += s.down)
        std::memcpy(at, &pixel, Bytes);
}

// The pixels drawLine(x, y1, x, y2) puts on the screen for whole-number ends, as one
// run: the rows between the ends, held to the screen, and row 0 as well for a line
// ending exactly at -1 (t + 0.5 truncates to 0 there).
// x must lie on the screen: both callers visit only the columns that do.
void column(const ScreenInk& s, int x, long long y1, long long y2) {
    if (!s.origin)
        return;
    const long long top = std::min(y1, y2), bottom = std::max(y1, y2);
    const long long from = std::max(top, 0LL);
    const long long to = std::min(bottom == -1 ? 0 : bottom, static_cast<long long>(fb.yres) - 1);
    if (from > to)
        return;
    if (s.ink.wide)
        fillColumn<4>(s, x, static_cast<int>(from), static_cast<int>(to));
    else
        fillColumn<2>(s, x, static_cast<int>(from), static_cast<int>(to));
}

} // namespace

void fillRect(int x1, int y1, int x2, int y2, int r, int g, int b) {
    // Columns off the screen draw nothing; leaving them out also keeps a rectangle
    // reaching INT_MAX from looping forever.
    const int from = std::max(std::min(x1, x2), 0);
    const int to = std::min(std::max(x1, x2), fb.xres - 1);
    const ScreenInk ink = screenInk(r, g, b);
    for (int x = from; x <= to; ++x)
        column(ink, x, y1, y2);
}

void drawRaisedBox(int x1, int y1, int x2, int y2, int r, int g, int b) {
    const auto lighter = [](int c) { return std::min(c + 20, 255); };
    const auto darker = [](int c) { return std::max(c - 20, 0); };
    const int lr = lighter(r), lg = lighter(g), lb = lighter(b);
    const int dr = darker(r), dg = darker(g), db = darker(b);
    fillRect(std::min(x1, x2) + 1, std::min(y1, y2) + 1, std::max(x1, x2) - 1, std::max(y1, y2) - 1,
             r, g, b);
    drawLine(x2, y1, x2, y2, dr, dg, db, 1.0);
    drawLine(x1, y2, x2, y2, dr, dg, db, 1.0);
    drawLine(x1, y1, x2, y1, lr, lg, lb, 1.0);
    drawLine(x1, y1, x1, y2, lr, lg, lb, 1.0);
}

void fillEllipse(int cx, int cy, int w, int h, int r, int g, int b) {
    // Only columns on the screen are visited, so a huge width costs nothing.
    const long long first = std::max<long long>(-(w / 2), -static_cast<long long>(cx));
    const long long last = std::min<long long>(w / 2, static_cast<long long>(fb.xres) - 1 - cx);
    const ScreenInk ink = screenInk(r, g, b);
    for (long long i = first; i <= last; ++i) {
        // A width of 0 draws like a width of 1, the centre column at full height: that
        // column's q is 0 for every other width, so the shape does not jump at 0.
        const double q = w == 0 ? 0.0 : 4.0 * i * i / (static_cast<double>(w) * w);
        const int half = truncToInt(std::sqrt(1 - q) * h * 0.5 + 0.5);
        column(ink, static_cast<int>(cx + i), static_cast<long long>(cy) - half,
               static_cast<long long>(cy) + half);
    }
}
