#include "tools/screenshot.h"

#include "display/framebuffer.h"

#include <cstdio>
#include <png.h>
#include <vector>

namespace {

// A 5- or 6-bit channel spread over 0..255 so that full intensity stays 255.
uint8_t expand(unsigned value, int bits) {
    return static_cast<uint8_t>((value << (8 - bits)) | (value >> (2 * bits - 8)));
}

} // namespace

bool saveScreenshotPng(const char* path) {
    if (!fb.mapping || fb.xres <= 0 || fb.yres <= 0)
        return false;
    std::vector<uint8_t> rgb(static_cast<std::size_t>(fb.xres) * fb.yres * 3);
    uint8_t* out = rgb.data();
    for (int y = 0; y < fb.yres; ++y)
        for (int x = 0; x < fb.xres; ++x, out += 3) {
            const uint8_t* p = fb.mapping + pixelOffset(x, y);
            if (fb.var.bits_per_pixel == 32) {
                out[0] = p[2];
                out[1] = p[1];
                out[2] = p[0];
            } else {
                const unsigned v = p[0] | p[1] << 8;
                out[0] = expand(v >> 11, 5);
                out[1] = expand((v >> 5) & 0x3F, 6);
                out[2] = expand(v & 0x1F, 5);
            }
        }
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(fb.xres);
    image.height = static_cast<png_uint_32>(fb.yres);
    image.format = PNG_FORMAT_RGB;
    const bool written = png_image_write_to_file(&image, path, 0, rgb.data(), 0, nullptr) != 0;
    png_image_free(&image);
    return written;
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
