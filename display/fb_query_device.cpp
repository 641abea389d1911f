#include "display/fb_query.h"

#include <sys/ioctl.h>

int queryFixedScreenInfo(int fd, fb_fix_screeninfo* fix) {
    return ioctl(fd, FBIOGET_FSCREENINFO, fix);
}

int queryVariableScreenInfo(int fd, fb_var_screeninfo* var) {
    return ioctl(fd, FBIOGET_VSCREENINFO, var);
}
