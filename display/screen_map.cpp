#include "display/screen_map.h"

#include "base/numeric.h"

#include <limits>

Point layoutToScreen(int x, int y, int layoutW, int layoutH, int screenW, int screenH) {
    if (fb.quarterTurn)
        return {truncToInt((static_cast<double>(layoutH) - y - 0.5) * screenW / layoutH),
                truncToInt((x + 0.5) * screenH / layoutW)};
    return {truncToInt((x + 0.5) * screenW / layoutW), truncToInt((y + 0.5) * screenH / layoutH)};
}

Point screenToLayout(int x, int y, int screenW, int screenH, int layoutW, int layoutH) {
    Point p;
    if (fb.quarterTurn)
        p = {truncToInt((y + 0.5) * layoutW / screenH),
             truncToInt((static_cast<double>(screenW) - x - 0.5) * layoutH / screenW)};
    else
        p = {truncToInt((x + 0.5) * layoutW / screenW), truncToInt((y + 0.5) * layoutH / screenH)};
    if (fb.halfTurn)
        p = {truncToInt(static_cast<double>(layoutW) - 1 - p.x),
             truncToInt(static_cast<double>(layoutH) - 1 - p.y)};
    return p;
}

Point applyHalfTurn(Point p) {
    if (!fb.halfTurn)
        return p;
    return {fb.xres - 1 - p.x, fb.yres - 1 - p.y};
}

namespace {

int touchCoordinate(double value) {
    return truncWithin(value, std::numeric_limits<int>::max());
}

} // namespace

Point touchToLayout(int x, int y, int layoutW, int layoutH) {
    const double w = layoutW;
    const double h = layoutH;
    const double xres = static_cast<unsigned>(fb.xres);
    const double yres = static_cast<unsigned>(fb.yres);
    const double across = fb.quarterTurn ? yres : xres;
    const double down = fb.quarterTurn ? xres : yres;
    Point p{touchCoordinate((x + 0.5) * w / across), touchCoordinate((y + 0.5) * h / down)};
    if (fb.halfTurn)
        p = {touchCoordinate(w - p.x - 1), touchCoordinate(h - p.y - 1)};
    return p;
}
