#include "display/background.h"

#include "display/framebuffer.h"

#include <cstring>
#include <memory>
#include <new>
#include <vector>

namespace {

// One picture's screen lines and everything they were made for: a new panel geometry or
// turn (tests, benchmarks) makes them again.
struct Background {
    const uint8_t* data = nullptr;
    std::size_t size = 0;
    int imageW = 0, imageH = 0;
    int xres = 0, yres = 0;
    unsigned bits = 0;
    bool quarterTurn = false, halfTurn = false;
    bool drawnOnce = false;            // the lines are made at the second full redraw
    bool refused = false;              // no memory: every redraw copies directly
    std::vector<const uint8_t*> lines; // where each screen line's bytes are
    std::unique_ptr<uint8_t[]> made;   // the lines the picture does not hold as shown
    std::size_t madeBytes = 0;
    bool consecutive = false; // line y + 1 follows line y: one memcpy for the whole screen
};

std::vector<Background> backgrounds;

Background wanted(const Image& picture, int imageW, int imageH) {
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

// Where the screen's first line starts in the mapping (after any panning).
uint8_t* screenOrigin() {
    return fb.mapping + pixelOffset(0, 0);
}

// Makes b's lines for picture, doing what the direct copy does for its rows, so that
// making them costs about what a direct copy does. Screen lines that show a run of the
// picture as it is (same size, no turn) point into the picture; scaled lines repeat
// their neighbours and are made once. False without the memory.
bool makeLines(Background& b, const Image& picture, std::size_t lineBytes) {
    RegionRows rows;
    if (!rows.plan(0, 0, fb.xres, fb.yres, fb.xres, fb.yres, b.imageW, b.imageH, picture))
        return false;
    std::size_t distinct = 0;
    for (std::size_t y = 0; y < rows.rowTerms.size(); ++y)
        if (!rows.direct(rows.rowTerms[y]) && (y == 0 || rows.rowTerms[y] != rows.rowTerms[y - 1]))
            ++distinct;
    try {
        b.lines.resize(rows.rowTerms.size());
    } catch (const std::bad_alloc&) {
        return false;
    }
    b.madeBytes = distinct * lineBytes;
    if (distinct > 0) {
        b.made.reset(new (std::nothrow) uint8_t[b.madeBytes]);
        if (!b.made)
            return false;
    }
    uint8_t* next = b.made.get();
    for (std::size_t y = 0; y < rows.rowTerms.size(); ++y) {
        const int64_t term = rows.rowTerms[y];
        const uint8_t* line = rows.direct(term);
        if (!line && y > 0 && term == rows.rowTerms[y - 1]) {
            line = b.lines[y - 1];
        } else if (!line) {
            rows.fill(next, term);
            line = next;
            next += lineBytes;
        }
        b.lines[y] = line;
    }
    b.consecutive = true;
    for (std::size_t y = 1; y < b.lines.size() && b.consecutive; ++y)
        b.consecutive = b.lines[y] == b.lines[y - 1] + lineBytes;
    return true;
}

// The entry for picture as the screen is now: found, started anew when the panel or
// the turns changed, or added; null when the table cannot grow.
Background* entryFor(const Image& picture, int imageW, int imageH) {
    Background now = wanted(picture, imageW, imageH);
    for (Background& b : backgrounds) {
        if (b.data != picture.data)
            continue;
        if (!sameMaking(b, now))
            b = std::move(now);
        return &b;
    }
    try {
        return &backgrounds.emplace_back(std::move(now));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

} // namespace

void drawBackground(const Image& picture, int imageW, int imageH) {
    const std::size_t bytes = static_cast<std::size_t>(pixelStep());
    // a mapped screen has pixels: one without any is refused when it is mapped
    if (!fb.mapping || bytes < 1)
        return;
    const std::size_t lineBytes = static_cast<std::size_t>(fb.xres) * bytes;
    Background* b = entryFor(picture, imageW, imageH);
    // A short memory costs one refusal, not one per redraw.
    if (b && b->drawnOnce && !b->refused && b->lines.empty() &&
        !makeLines(*b, picture, lineBytes)) {
        b->lines.clear();
        b->made.reset();
        b->madeBytes = 0;
        b->refused = true;
    }
    // The first full redraw of a picture is the direct copy: the start-up's first pass
    // costs what it always did (fresh memory is slow to touch), and a picture drawn whole
    // only once never holds memory.
    if (!b || !b->drawnOnce || b->refused) {
        if (b)
            b->drawnOnce = true;
        copyImageRegion(0, 0, fb.xres, fb.yres, fb.xres, fb.yres, imageW, imageH, picture);
        return;
    }
    if (b->consecutive && fb.fix.line_length == lineBytes) {
        std::memcpy(screenOrigin(), b->lines[0], lineBytes * b->lines.size());
        return;
    }
    uint8_t* screenLine = screenOrigin();
    for (const uint8_t* line : b->lines) {
        std::memcpy(screenLine, line, lineBytes);
        screenLine += fb.fix.line_length;
    }
}

void forgetBackgrounds() {
    backgrounds.clear();
}

std::size_t backgroundBytes() {
    std::size_t total = 0;
    for (const Background& b : backgrounds)
        total += b.madeBytes + b.lines.size() * sizeof(const uint8_t*);
    return total;
}
