#pragma once
// The screen-information query: the one piece of code that differs between the device
// (ioctl on the framebuffer device) and a desktop build (a configured geometry).
// Both return 0 on success, like the ioctl.
#include <linux/fb.h>

int queryFixedScreenInfo(int fd, fb_fix_screeninfo* fix);
int queryVariableScreenInfo(int fd, fb_var_screeninfo* var);

// Desktop builds only: the geometry the query answers with.
struct DesktopScreen {
    unsigned xres = 400, yres = 256, bitsPerPixel = 16;
    unsigned lineLength = 0; // 0: xres * bitsPerPixel / 8
    unsigned xoffset = 0, yoffset = 0;
};
void setDesktopScreen(const DesktopScreen& screen);
