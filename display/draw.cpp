#include "display/draw.h"

#include "base/numeric.h"
#include "display/framebuffer.h"

#include <algorithm>
#include <cmath>

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

} // namespace

void drawLine(double x1, double y1, double x2, double y2, int r, int g, int b, double width) {
    if (!std::isfinite(x1) || !std::isfinite(y1) || !std::isfinite(x2) || !std::isfinite(y2))
        return;
    const double dx = std::fabs(x1 - x2);
    const double dy = std::fabs(y1 - y2);
    if (dx > dy) {
        const bool forward = x1 < x2;
        const double sx = forward ? x1 : x2;
        const double sy = forward ? y1 : y2;
        const double end = forward ? x2 : x1;
        const double m = forward ? (y1 - y2) / (x1 - x2) : (y2 - y1) / (x2 - x1);
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
