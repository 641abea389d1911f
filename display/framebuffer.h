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
    bool quarterTurn = false; // P_ROT90
    bool halfTurn = false;    // P_ROT180
};
extern FrameBuffer fb;

struct Point {
    int x, y;
};

bool initFB();
void closeFB();
// Writes one pixel at screen (x, y) when coverage > 128; drops pixels off the screen.
void putPixel(int x, int y, int r, int g, int b, int coverage);
// Writes at upright (x, y): screen (xres - 1 - y, x) with the quarter turn.
void putUprightPixel(int x, int y, int r, int g, int b, int coverage);
Point layoutToScreen(int x, int y, int layoutW, int layoutH, int screenW, int screenH);
Point screenToLayout(int x, int y, int screenW, int screenH, int layoutW, int layoutH);
// Screen point p turned by the half turn when it is set (xres - 1 - x, yres - 1 - y):
// layoutToScreen leaves that turn to its users.
Point applyHalfTurn(Point p);

// Byte offset of screen pixel (x, y) in the mapping, honouring line_length and panning.
std::size_t pixelOffset(int x, int y);
