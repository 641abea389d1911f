#include "display/framebuffer.h"

#include "base/debug_log.h"
#include "base/paths.h"
#include "display/fb_query.h"
#include "display/screen_map.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

FrameBuffer fb;

namespace {

void closeDevice() {
    close(fb.fd);
    fb.fd = -1;
}

// Bytes a pixel write touches: a picture copy writes pixelStep() bytes, putPixel as many
// on 32-bit screens and two (RGB565) on every other depth, fewer-bit ones included.
uint64_t pixelBytes() {
    return std::max<uint64_t>(2, static_cast<uint64_t>(pixelStep()));
}

// The plain screen size, and beyond it every byte that line_length and the panning
// offsets address: a driver with padded lines or a panned view needs more than xres *
// yres pixels, and a write past the mapping would fault.
uint64_t neededMappingLength() {
    const uint64_t plain = (uint64_t{fb.var.xres} * fb.var.yres * fb.var.bits_per_pixel) >> 3;
    if (fb.xres <= 0 || fb.yres <= 0)
        return plain;
    const uint64_t lastPixel = pixelOffset(fb.xres - 1, fb.yres - 1);
    const uint64_t addressed = lastPixel + pixelBytes();
    return addressed > plain ? addressed : plain;
}

// Maps the device; false (logged) when the memory cannot be mapped, so that nothing is
// ever drawn through a failed mapping.
bool mapDevice() {
    const uint64_t length = neededMappingLength();
    struct stat st {};
    // A regular file standing in for the device (desktop builds) must hold every mapped
    // byte: touching a page past its end would kill the process.
    if (length == 0 || length > UINT32_MAX ||
        (fstat(fb.fd, &st) == 0 && S_ISREG(st.st_mode) &&
         static_cast<uint64_t>(st.st_size) < length)) {
        std::snprintf(scratchText, SCRATCH_SIZE,
                      "Error mapping framebuffer: %llu bytes for %ux%u at %u bits",
                      static_cast<unsigned long long>(length), fb.var.xres, fb.var.yres,
                      fb.var.bits_per_pixel);
        debugLog(scratchText);
        return false;
    }
    void* memory = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_SHARED, fb.fd, 0);
    if (memory == MAP_FAILED) {
        std::snprintf(scratchText, SCRATCH_SIZE, "Error mapping framebuffer: %s",
                      std::strerror(errno));
        debugLog(scratchText);
        return false;
    }
    fb.mapping = static_cast<uint8_t*>(memory);
    fb.mappingLength = static_cast<uint32_t>(length);
    return true;
}

} // namespace

bool initFB() {
    if (fb.fd != -1)
        return true;
    const std::string path = rootedPath(FB_DEVICE);
    fb.fd = open(path.c_str(), O_RDWR);
    if (fb.fd == -1) {
        std::snprintf(scratchText, SCRATCH_SIZE, "Error in initFB: %s\n", std::strerror(errno));
        debugLog(scratchText);
        return false;
    }
    if (queryFixedScreenInfo(fb.fd, &fb.fix) != 0) {
        debugLog("Error reading fixed information.\n");
        closeDevice();
        return false;
    }
    if (queryVariableScreenInfo(fb.fd, &fb.var) != 0) {
        debugLog("Error reading variable information.\n");
        closeDevice();
        return false;
    }
    fb.xres = static_cast<int>(fb.var.xres);
    fb.yres = static_cast<int>(fb.var.yres);
    if (!mapDevice()) {
        closeDevice();
        return false;
    }
    return true;
}

void closeFB() {
    if (fb.fd == -1)
        return;
    if (fb.mapping)
        munmap(fb.mapping, fb.mappingLength);
    fb.mapping = nullptr;
    fb.mappingLength = 0;
    closeDevice();
}

std::size_t pixelOffset(int x, int y) {
    return std::size_t{fb.fix.line_length} * (static_cast<std::size_t>(y) + fb.var.yoffset) +
           (static_cast<std::size_t>(x) + fb.var.xoffset) * static_cast<std::size_t>(pixelStep());
}

PixelInk packInk(int r, int g, int b) {
    if (fb.var.bits_per_pixel == 32)
        return {{static_cast<uint8_t>(b), static_cast<uint8_t>(g), static_cast<uint8_t>(r)}, true};
    const unsigned value = ((static_cast<unsigned>(r) << 8) & 0xF800) |
                           ((static_cast<unsigned>(g) << 3) & 0x07E0) |
                           ((static_cast<unsigned>(b) & 0xFF) >> 3);
    return {{static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8)}, false};
}

std::ptrdiff_t pixelStep() {
    return static_cast<std::ptrdiff_t>(fb.var.bits_per_pixel / CHAR_BIT);
}

UprightSteps uprightSteps(int x, int y) {
    const Point u = halfTurnUpright(x, y);
    const Point s = uprightToScreen(u.x, u.y);
    const std::ptrdiff_t across = pixelStep();
    const std::ptrdiff_t line = static_cast<std::ptrdiff_t>(fb.fix.line_length);
    // upright x runs down the screen with the quarter turn, upright y right to left
    std::ptrdiff_t right = fb.quarterTurn ? line : across;
    std::ptrdiff_t down = fb.quarterTurn ? -across : line;
    if (fb.halfTurn) {
        right = -right;
        down = -down;
    }
    return {pixelAddress(s.x, s.y), right, down};
}

void putPixel(int x, int y, int r, int g, int b, int coverage) {
    if (coverage <= 128 || !fb.mapping)
        return;
    if (x < 0 || y < 0 || x >= fb.xres || y >= fb.yres)
        return;
    storeInk(pixelAddress(x, y), packInk(r, g, b));
}

void putUprightPixel(int x, int y, int r, int g, int b, int coverage) {
    if (coverage <= 0)
        return;
    const Point p = uprightToScreen(x, y);
    putPixel(p.x, p.y, r, g, b, coverage);
}
