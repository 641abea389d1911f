#include "display/fb_query.h"

namespace {
DesktopScreen screen;
}

void setDesktopScreen(const DesktopScreen& s) {
    screen = s;
}

int queryFixedScreenInfo(int, fb_fix_screeninfo* fix) {
    *fix = fb_fix_screeninfo{};
    fix->line_length =
        screen.lineLength ? screen.lineLength : screen.xres * screen.bitsPerPixel / 8;
    return 0;
}

int queryVariableScreenInfo(int, fb_var_screeninfo* var) {
    *var = fb_var_screeninfo{};
    var->xres = screen.xres;
    var->yres = screen.yres;
    var->xres_virtual = screen.xres + screen.xoffset;
    var->yres_virtual = screen.yres + screen.yoffset;
    var->xoffset = screen.xoffset;
    var->yoffset = screen.yoffset;
    var->bits_per_pixel = screen.bitsPerPixel;
    return 0;
}
