#include "stats/plot.h"

#include "display/draw.h"
#include "display/text.h"

#include <cmath>

namespace {
constexpr double PIXEL_LIMIT = 1000000.0;
}

int truncToInt(double v) {
    if (std::isnan(v))
        return 0;
    if (v > PIXEL_LIMIT)
        return static_cast<int>(PIXEL_LIMIT);
    if (v < -PIXEL_LIMIT)
        return static_cast<int>(-PIXEL_LIMIT);
    return static_cast<int>(v);
}

Point textPoint(int x, int y) {
    return layoutToScreen(x, y, layout.screenW[0], layout.screenH[0], fb.xres, fb.yres);
}

Point plotPoint(int x, int y) {
    Point p = textPoint(x, y);
    if (fb.halfTurn) {
        // the panel is mounted upside down: turn about the screen centre like the pictures
        p.x = fb.xres - 1 - p.x;
        p.y = fb.yres - 1 - p.y;
    }
    return p;
}

void plotLine(int ax, int ay, int bx, int by, const Colour& c, double width) {
    const Point a = plotPoint(ax, ay);
    const Point b = plotPoint(bx, by);
    drawLine(a.x, a.y, b.x, b.y, c.r, c.g, c.b, width);
}

void plotText(int ax, int ay, int bx, int by, const char* text, int size, int flags,
              const Colour& c, const Colour& outline) {
    const Point a = textPoint(ax, ay);
    const Point b = textPoint(bx, by);
    drawText(a.x, a.y, b.x, b.y, text, layout.fontName, size, flags, c.r, c.g, c.b, outline.r,
             outline.g, outline.b);
}
