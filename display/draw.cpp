#include "display/draw.h"

#include "base/numeric.h"
#include "display/framebuffer.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numeric>

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

// The pixels drawLine plots along a one-pixel line between whole-number points, stepped
// along its major axis from s to e (s <= e, size the screen's extent along it) while the
// minor coordinate runs from q0 by a over the run: plot(major, minor) gets exactly the
// pixels the double stepping (t from s, minor (t - s) * m + q0) gives.
template <typename Plot>
void stepWhole(int s, int e, int q0, int a, int size, double m, Plot plot) {
    const int d = e - s;
    // as stepAlong does, a start left of or above -2 jumps to -2
    int t = s < -2 ? -2 : s;
    const int last = std::min(e, size - 1);
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
    for (; t <= last; ++t) {
        int minor;
        if (r == 0 && !binarySlope)
            minor = truncToInt(static_cast<double>(t - s) * m + q0);
        else
            minor = q < 0 && r != 0 ? q + 1 : q;
        // truncToInt(t + 0.5) of a whole t
        plot(t < 0 ? t + 1 : t, minor);
        r += a;
        if (r >= d && d > 0) {
            r -= d;
            ++q;
        } else if (r < 0) {
            r += d;
            --q;
        }
    }
}

} // namespace

void drawLine(double x1, double y1, double x2, double y2, int r, int g, int b, double width) {
    if (!std::isfinite(x1) || !std::isfinite(y1) || !std::isfinite(x2) || !std::isfinite(y2))
        return;
    const double dx = std::fabs(x1 - x2);
    const double dy = std::fabs(y1 - y2);
    const bool whole = width <= 1.0 && wholeAndNear(x1) && wholeAndNear(y1) && wholeAndNear(x2) &&
                       wholeAndNear(y2);
    const PixelInk ink = packInk(r, g, b);
    if (whole && !fb.mapping)
        return;
    if (dx > dy) {
        const bool forward = x1 < x2;
        const double sx = forward ? x1 : x2;
        const double sy = forward ? y1 : y2;
        const double end = forward ? x2 : x1;
        const double m = forward ? (y1 - y2) / (x1 - x2) : (y2 - y1) / (x2 - x1);
        if (whole) {
            const int q0 = static_cast<int>(sy);
            stepWhole(static_cast<int>(sx), static_cast<int>(end), q0,
                      static_cast<int>(forward ? y2 : y1) - q0, fb.xres, m, [&](int x, int y) {
                          if (x >= 0 && y >= 0 && y < fb.yres)
                              storeInk(pixelAddress(x, y), ink);
                      });
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
        stepWhole(static_cast<int>(sy), static_cast<int>(end), q0,
                  static_cast<int>(forward ? x2 : x1) - q0, fb.yres, m, [&](int y, int x) {
                      if (y >= 0 && x >= 0 && x < fb.xres)
                          storeInk(pixelAddress(x, y), ink);
                  });
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

void fillRect(int x1, int y1, int x2, int y2, int r, int g, int b) {
    // Columns off the screen draw nothing; leaving them out also keeps a rectangle
    // reaching INT_MAX from looping forever.
    const int from = std::max(std::min(x1, x2), 0);
    const int to = std::min(std::max(x1, x2), fb.xres - 1);
    for (int x = from; x <= to; ++x)
        drawLine(x, y1, x, y2, r, g, b, 1.0);
}

void drawRaisedBox(int x1, int y1, int x2, int y2, int r, int g, int b) {
    const auto lighter = [](int c) { return c >= 235 ? 255 : c + 20; };
    const auto darker = [](int c) { return c <= 20 ? 0 : c - 20; };
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
    for (long long i = first; i <= last; ++i) {
        // A width of 0 draws like a width of 1, the centre column at full height: that
        // column's q is 0 for every other width, so the shape does not jump at 0.
        const double q = w == 0 ? 0.0 : 4.0 * i * i / (static_cast<double>(w) * w);
        const int half = truncToInt(std::sqrt(1 - q) * h * 0.5 + 0.5);
        drawLine(static_cast<double>(cx + i), static_cast<double>(cy) - half,
                 static_cast<double>(cx + i), static_cast<double>(cy) + half, r, g, b, 1.0);
    }
}
