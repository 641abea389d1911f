#include "tools/common/screenshot.h"

#include "display/framebuffer.h"
#include "tools/common/png_picture.h"

#include <cstdio>

bool saveScreenshotPng(const char* path) {
    if (!fb.mapping || fb.xres <= 0 || fb.yres <= 0)
        return false;
    RgbPicture shot;
    shot.w = fb.xres;
    shot.h = fb.yres;
    shot.rgb.resize(static_cast<std::size_t>(fb.xres) * fb.yres * 3);
    const int bits = fb.var.bits_per_pixel == 32 ? 32 : 16;
    uint8_t* out = shot.rgb.data();
    for (int y = 0; y < fb.yres; ++y)
        for (int x = 0; x < fb.xres; ++x, out += 3)
            rgbOfRawPixel(fb.mapping + pixelOffset(x, y), bits, out);
    std::string error;
    return writePng(path, shot, error);
}

bool saveScreenshotRaw(const char* path) {
    if (!fb.mapping)
        return false;
    std::FILE* file = std::fopen(path, "wb");
    if (!file)
        return false;
    const bool written = std::fwrite(fb.mapping, 1, fb.mappingLength, file) == fb.mappingLength;
    return std::fclose(file) == 0 && written;
}
