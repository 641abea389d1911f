#pragma once
// The framebuffer device: open, map, close, and the one pixel function that knows
// about pixel formats and the quarter turn. Drawing code sees only this record.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <linux/fb.h>

struct FrameBuffer {
    int fd = -1;
    uint8_t* mapping = nullptr;
    uint32_t mappingLength = 0;
    fb_var_screeninfo var{};
    fb_fix_screeninfo fix{};
    int xres = 0; // copies of var.xres and var.yres, the screen size every user needs
    int yres = 0;
    bool quarterTurn = false; // set by the program from its settings (P_ROT90)
    bool halfTurn = false;    // (P_ROT180)
};
extern FrameBuffer fb;

struct Point {
    int x, y;
};

bool initFB();
void closeFB();
// Writes one pixel at screen (x, y) when coverage > 128; drops pixels off the screen.
void putPixel(int x, int y, int r, int g, int b, int coverage);

// A colour in the bytes putPixel writes for it: four (blue, green, red, 0) on a 32-bit
// screen, two (RGB565, low byte first) on every other depth. Code that writes runs of
// pixels packs its colour once and stores it where pixelAddress and the steps below
// put each pixel, instead of deciding the format and the turns again per pixel.
struct PixelInk {
    uint8_t bytes[4];
    bool wide; // four bytes, else two
};
PixelInk packInk(int r, int g, int b);
inline void storeInk(uint8_t* at, const PixelInk& ink) {
    if (ink.wide)
        std::memcpy(at, ink.bytes, 4);
    else
        std::memcpy(at, ink.bytes, 2);
}
// Where screen pixel (x, y), which must lie on the screen of an open framebuffer, is
// stored; the next pixel along the line is pixelStep() further, the one below it
// line_length further.
inline uint8_t* pixelAddress(int x, int y);
std::ptrdiff_t pixelStep();
// The address of upright pixel (x, y), half turn included (it must land on the screen),
// and the byte steps from it to upright (x + 1, y) and (x, y + 1).
struct UprightSteps {
    uint8_t* at;
    std::ptrdiff_t right, down;
};
UprightSteps uprightSteps(int x, int y);
// Writes at upright (x, y), where uprightToScreen (display/screen_map.h) puts it.
void putUprightPixel(int x, int y, int r, int g, int b, int coverage);

// Byte offset of screen pixel (x, y) in the mapping, honouring line_length and panning.
std::size_t pixelOffset(int x, int y);

inline uint8_t* pixelAddress(int x, int y) {
    return fb.mapping + pixelOffset(x, y);
}
