#include "display/background.h"

#include "display/framebuffer.h"

#include <cstring>
#include <memory>
#include <new>
#include <vector>

namespace {

// One picture's screen copy and everything it was made for: a new panel geometry or turn
// (tests, benchmarks) makes it again.
struct Background {
    const uint8_t* data = nullptr;
    std::size_t size = 0;
    int imageW = 0, imageH = 0;
    int xres = 0, yres = 0;
    unsigned bits = 0;
    bool quarterTurn = false, halfTurn = false;
    std::unique_ptr<uint8_t[]> lines; // null when the memory was refused
};

std::vector<Background> backgrounds;

Background current(const Image& picture, int imageW, int imageH) {
    Background b;
    b.data = picture.data;
    b.size = picture.size;
    b.imageW = imageW;
    b.imageH = imageH;
    b.xres = fb.xres;
    b.yres = fb.yres;
    b.bits = fb.var.bits_per_pixel;
    b.quarterTurn = fb.quarterTurn;
    b.halfTurn = fb.halfTurn;
    return b;
}

bool sameMaking(const Background& a, const Background& b) {
    return a.size == b.size && a.imageW == b.imageW && a.imageH == b.imageH && a.xres == b.xres &&
           a.yres == b.yres && a.bits == b.bits && a.quarterTurn == b.quarterTurn &&
           a.halfTurn == b.halfTurn;
}

// The kept copy for the picture as the screen is now, made when missing; null when there
// is no memory for it (remembered, so that a short memory costs one refusal, not one
// per redraw).
const uint8_t* keptLines(const Image& picture, int imageW, int imageH, std::size_t lineBytes) {
    Background wanted = current(picture, imageW, imageH);
    Background* found = nullptr;
    for (Background& b : backgrounds)
        if (b.data == picture.data)
            found = &b;
    if (found && sameMaking(*found, wanted))
        return found->lines.get();
    if (!found) {
        try {
            found = &backgrounds.emplace_back();
        } catch (const std::bad_alloc&) {
            return nullptr;
        }
    }
    *found = std::move(wanted);
    found->lines.reset(new (std::nothrow) uint8_t[lineBytes * static_cast<std::size_t>(fb.yres)]);
    if (found->lines)
        copyImageRegionInto(found->lines.get(), lineBytes, 0, 0, fb.xres, fb.yres, fb.xres, fb.yres,
                            imageW, imageH, picture);
    return found->lines.get();
}

} // namespace

void drawBackground(const Image& picture, int imageW, int imageH) {
    const std::size_t bytes = fb.var.bits_per_pixel / 8;
    if (!fb.mapping || bytes < 1 || fb.xres < 1 || fb.yres < 1)
        return;
    const std::size_t lineBytes = static_cast<std::size_t>(fb.xres) * bytes;
    const uint8_t* lines = keptLines(picture, imageW, imageH, lineBytes);
    if (!lines) {
        copyImageRegion(0, 0, fb.xres, fb.yres, fb.xres, fb.yres, imageW, imageH, picture);
        return;
    }
    uint8_t* origin = fb.mapping + pixelOffset(0, 0);
    const std::size_t stride = fb.fix.line_length;
    if (stride == lineBytes) {
        std::memcpy(origin, lines, lineBytes * static_cast<std::size_t>(fb.yres));
        return;
    }
    // Padded lines or a panned view: the screen's lines lie apart in the mapping.
    for (int y = 0; y < fb.yres; ++y)
        std::memcpy(origin + stride * static_cast<std::size_t>(y),
                    lines + lineBytes * static_cast<std::size_t>(y), lineBytes);
}

void forgetBackgrounds() {
    backgrounds.clear();
}

std::size_t backgroundBytes() {
    std::size_t total = 0;
    for (const Background& b : backgrounds)
        if (b.lines)
            total += static_cast<std::size_t>(b.xres) * b.yres * (b.bits / 8);
    return total;
}
