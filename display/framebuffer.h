#pragma once
// The framebuffer device: open, map, close, and the one pixel function that knows
// about pixel formats and the quarter turn. Drawing code sees only this record.
#include <cstddef>
#include <cstdint>
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
// Writes at upright (x, y), where uprightToScreen (display/screen_map.h) puts it.
void putUprightPixel(int x, int y, int r, int g, int b, int coverage);

// Byte offset of screen pixel (x, y) in the mapping, honouring line_length and panning.
std::size_t pixelOffset(int x, int y);
