#include "display/image.h"

#include "base/debug_log.h"
#include "base/numeric.h"
#include "base/paths.h"
#include "display/framebuffer.h"
#include "display/screen_map.h"

#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

bool loadImage(const char* name, Image& image) {
    const std::string path = dataPath(name);
    const int fd = open(path.c_str(), O_RDONLY);
    struct stat st {};
    // A directory opens too, but is no picture; a failed open fails fstat as well.
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        if (fd != -1)
            close(fd);
        debugLog("Error opening image!");
        return false;
    }
    const std::size_t size = static_cast<std::size_t>(st.st_size);
    uint8_t* data = new (std::nothrow) uint8_t[size + 1];
    if (!data) {
        close(fd);
        debugLog("Memory-allocation for file returned NULL");
        return false;
    }
    // The card may deliver a file in pieces; a read error leaves the picture as long as
    // what arrived, and the copies show the rest as missing pixels.
    std::size_t got = 0;
    while (got < size) {
        const ssize_t n = read(fd, data + got, size - got);
        if (n <= 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    close(fd);
    image = {data, got};
    return true;
}

namespace {

// Copies n pixels of B bytes: destination pixel i comes from source byte offset cols[i].
// Unrolled because the loop body is only a load of the table, a load and a store.
template <int B>
void gatherRow(uint8_t* dst, const uint8_t* src, const int64_t* cols, int n) {
#pragma GCC unroll 8
    for (int i = 0; i < n; ++i, dst += B)
        std::memcpy(dst, src + cols[i], B);
}

void gatherRow(uint8_t* dst, const uint8_t* src, const int64_t* cols, int n, int bytes) {
    switch (bytes) {
    case 2:
        gatherRow<2>(dst, src, cols, n);
        break;
    case 4:
        gatherRow<4>(dst, src, cols, n);
        break;
    default:
        for (int i = 0; i < n; ++i, dst += bytes)
            std::memcpy(dst, src + cols[i], bytes);
    }
}

} // namespace

double advancePosition(double position, double step, int64_t steps) {
    constexpr int64_t MAX_STEPPED = 1 << 16;
    if (steps > MAX_STEPPED)
        return position + static_cast<double>(steps) * step;
    for (int64_t k = 0; k < steps; ++k)
        position += step;
    return position;
}

bool RegionRows::plan(int x1, int y1, int x2, int y2, int screenW, int screenH, int imageW,
                      int imageH, const Image& image) {
    if (x1 > x2)
        std::swap(x1, x2);
    if (y1 > y2)
        std::swap(y1, y2);
    bytes = static_cast<int>(pixelStep());
    if (x1 == x2 || y1 == y2 || bytes < 1)
        return false;
    const Point p0 = screenToLayout(x1, y1, screenW, screenH, imageW, imageH);
    const Point p1 = screenToLayout(x2, y2, screenW, screenH, imageW, imageH);

    // The source pixel is colScale * trunc(col) + rowScale * trunc(row), where col steps
    // along the screen row and starts again on every row, and row steps once per screen
    // row. Without the quarter turn col is the picture column and row its row; with it
    // the picture's axes swap.
    const double columns = static_cast<double>(x2) - x1;
    const double rowCount = static_cast<double>(y2) - y1;
    double colStart, colStep, rowPos, rowStep;
    int64_t colScale, rowScale;
    if (!fb.quarterTurn) {
        colStart = p0.x;
        colStep = (p1.x - p0.x) / columns;
        colScale = 1;
        rowPos = p0.y;
        rowStep = (p1.y - p0.y) / rowCount;
        rowScale = imageW;
    } else {
        colStart = p0.y;
        colStep = (p1.y - p0.y) / columns;
        colScale = imageW;
        rowPos = p0.x;
        rowStep = (p1.x - p0.x) / rowCount;
        rowScale = 1;
    }

    // Only pixels on the screen are written, each where putPixel would put it: a driver
    // that pads its lines or pans its view would otherwise get a sheared picture.
    xFrom = std::max(x1, 0);
    const int xTo = std::min({x2, screenW, fb.xres});
    yFrom = std::max(y1, 0);
    const int yTo = std::min({y2, screenH, fb.yres});
    if (xFrom >= xTo || yFrom >= yTo)
        return false;
    width = xTo - xFrom;

    // The column sequence is the same on every row: step it once, exactly as each row
    // would, and keep the source byte offsets of the visible columns.
    cols.assign(static_cast<std::size_t>(width), 0);
    double col = advancePosition(colStart, colStep, int64_t{xFrom} - x1);
    for (int x = xFrom; x < xTo; ++x, col += colStep)
        cols[static_cast<std::size_t>(x - xFrom)] = colScale * truncToInt(col) * bytes;
    const auto [minIt, maxIt] = std::minmax_element(cols.begin(), cols.end());
    colMin = *minIt;
    colMax = *maxIt;
    contiguous = true;
    for (int i = 1; i < width && contiguous; ++i)
        contiguous = cols[i] == cols[i - 1] + bytes;

    rowTerms.clear();
    rowTerms.reserve(static_cast<std::size_t>(yTo - yFrom));
    rowPos = advancePosition(rowPos, rowStep, int64_t{yFrom} - y1);
    for (int y = yFrom; y < yTo; ++y, rowPos += rowStep)
        rowTerms.push_back(rowScale * truncToInt(rowPos) * bytes);
    data = image.data;
    size = image.data ? static_cast<int64_t>(image.size) : 0;
    return true;
}

void RegionRows::fill(uint8_t* dst, int64_t rowTerm) const {
    if (rowTerm + colMin < 0 || rowTerm + colMax + bytes > size) {
        // Part of this row lies outside the picture buffer (a file shorter than the
        // layout size, or a rectangle beyond the picture): those pixels show black.
        for (int i = 0; i < width; ++i, dst += bytes) {
            const int64_t src = rowTerm + cols[static_cast<std::size_t>(i)];
            if (src >= 0 && src + bytes <= size)
                std::memcpy(dst, data + src, static_cast<std::size_t>(bytes));
            else
                std::memset(dst, 0, static_cast<std::size_t>(bytes));
        }
        return;
    }
    gatherRow(dst, data + rowTerm, cols.data(), width, bytes);
}

void copyImageRegionInto(uint8_t* lines, std::size_t lineBytes, int x1, int y1, int x2, int y2,
                         int screenW, int screenH, int imageW, int imageH, const Image& image) {
    RegionRows rows;
    if (!lines || !rows.plan(x1, y1, x2, y2, screenW, screenH, imageW, imageH, image))
        return;
    const std::size_t rowBytes = static_cast<std::size_t>(rows.width) * rows.bytes;
    std::vector<uint8_t> row(rowBytes);
    bool rowHeld = false;
    int64_t heldRowTerm = 0;
    uint8_t* dst = lines + lineBytes * static_cast<std::size_t>(rows.yFrom) +
                   static_cast<std::size_t>(rows.xFrom) * static_cast<std::size_t>(rows.bytes);
    for (const int64_t rowTerm : rows.rowTerms) {
        if (const uint8_t* src = rows.direct(rowTerm)) {
            std::memcpy(dst, src, rowBytes);
        } else {
            // Scaled rows repeat whenever the picture row does: fill once, copy again.
            if (!rowHeld || heldRowTerm != rowTerm) {
                rows.fill(row.data(), rowTerm);
                rowHeld = true;
                heldRowTerm = rowTerm;
            }
            std::memcpy(dst, row.data(), rowBytes);
        }
        dst += lineBytes;
    }
}

void copyImageRegion(int x1, int y1, int x2, int y2, int screenW, int screenH, int imageW,
                     int imageH, const Image& image) {
    uint8_t* origin = fb.mapping ? fb.mapping + pixelOffset(0, 0) : nullptr;
    copyImageRegionInto(origin, fb.fix.line_length, x1, y1, x2, y2, screenW, screenH, imageW,
                        imageH, image);
}

void copyLayoutRect(int x1, int y1, int x2, int y2, int layoutW, int layoutH, const Image& image) {
    const Point a = applyHalfTurn(layoutToScreen(x1, y1, layoutW, layoutH, fb.xres, fb.yres));
    const Point b = applyHalfTurn(layoutToScreen(x2, y2, layoutW, layoutH, fb.xres, fb.yres));
    copyImageRegion(a.x, a.y, b.x, b.y, fb.xres, fb.yres, layoutW, layoutH, image);
}
