#include "testsupport/image_reference.h"

#include "base/numeric.h"
#include "display/framebuffer.h"
#include "display/screen_map.h"

#include <cstring>
#include <utility>

namespace {

// One pixel: dropped off the screen, black where the buffer ends.
void copyPixel(int64_t x, int64_t y, int screenW, int screenH, int64_t source, int bytes,
               const Image& image) {
    if (x < 0 || y < 0 || x >= screenW || y >= screenH || x >= fb.xres || y >= fb.yres)
        return;
    uint8_t* dst = fb.mapping + pixelOffset(static_cast<int>(x), static_cast<int>(y));
    const int64_t src = source * bytes;
    const int64_t size = image.data ? static_cast<int64_t>(image.size) : 0;
    if (src >= 0 && src + bytes <= size)
        std::memcpy(dst, image.data + src, static_cast<std::size_t>(bytes));
    else
        std::memset(dst, 0, static_cast<std::size_t>(bytes));
}

} // namespace

void copyImageRegionPerPixel(int x1, int y1, int x2, int y2, int screenW, int screenH, int imageW,
                             int imageH, const Image& image) {
    if (x1 > x2)
        std::swap(x1, x2);
    if (y1 > y2)
        std::swap(y1, y2);
    const int bytes = static_cast<int>(fb.var.bits_per_pixel / 8);
    if (x1 == x2 || y1 == y2 || bytes < 1 || !fb.mapping)
        return;
    const Point p0 = screenToLayout(x1, y1, screenW, screenH, imageW, imageH);
    const Point p1 = screenToLayout(x2, y2, screenW, screenH, imageW, imageH);
    const double columns = static_cast<double>(x2) - x1;
    const double rows = static_cast<double>(y2) - y1;
    if (!fb.quarterTurn) {
        const double stepX = (p1.x - p0.x) / columns;
        const double stepY = (p1.y - p0.y) / rows;
        double sy = p0.y;
        for (int64_t y = y1; y < y2; ++y, sy += stepY) {
            double sx = p0.x;
            for (int64_t x = x1; x < x2; ++x, sx += stepX)
                copyPixel(x, y, screenW, screenH, truncToInt(sx) + int64_t{imageW} * truncToInt(sy),
                          bytes, image);
        }
        return;
    }
    const double stepA = (p1.y - p0.y) / columns; // picture row per screen column
    const double stepB = (p1.x - p0.x) / rows;    // picture column per screen row
    double ix = p0.x;
    for (int64_t y = y1; y < y2; ++y, ix += stepB) {
        double iy = p0.y;
        for (int64_t x = x1; x < x2; ++x, iy += stepA)
            copyPixel(x, y, screenW, screenH, int64_t{imageW} * truncToInt(iy) + truncToInt(ix),
                      bytes, image);
    }
}
