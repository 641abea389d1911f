#include "tools/common/screenshot.h"

#include "display/framebuffer.h"
#include "tools/common/png_picture.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

bool makeFramebufferFile(const std::string& path, std::size_t bytes, std::string& error) {
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const bool sized = fd != -1 && ftruncate(fd, static_cast<off_t>(bytes)) == 0;
    if (!sized)
        error = std::string(fd == -1 ? "cannot create " : "cannot size ") + path + ": " +
                std::strerror(errno);
    if (fd != -1)
        close(fd);
    return sized;
}

bool saveScreenshotPng(const char* path) {
    if (!fb.mapping) // a mapped screen has pixels
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
