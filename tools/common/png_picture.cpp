#include "tools/common/png_picture.h"

#include <algorithm>
#include <png.h>

namespace {

// A 5- or 6-bit channel spread over 0..255 so that full intensity stays 255.
uint8_t expand(unsigned value, int bits) {
    return static_cast<uint8_t>((value << (8 - bits)) | (value >> (2 * bits - 8)));
}

std::string pngMessage(const png_image& image) {
    return std::string("libpng: ") + (image.message[0] ? image.message : "unknown error");
}

// Bytes of a raw pixel: every depth but 32 is RGB565, as the program draws it.
int rawBytes(int bitsPerPixel) {
    return bitsPerPixel == 32 ? 4 : 2;
}

std::string notPng(const png_image& image) {
    return "is no PNG file, or not one that can be read (" + pngMessage(image) + ")";
}

} // namespace

bool readPngSize(const std::string& path, int& w, int& h, std::string& error) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    const bool read = png_image_begin_read_from_file(&image, path.c_str()) != 0;
    if (read) {
        // a PNG side is below 2^31 (libpng refuses more than a million): both fit an int
        w = static_cast<int>(image.width);
        h = static_cast<int>(image.height);
    } else {
        error = notPng(image);
    }
    png_image_free(&image);
    return read;
}

bool readPng(const std::string& path, int maxSide, RgbPicture& picture, std::string& error) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) {
        error = notPng(image);
        png_image_free(&image);
        return false;
    }
    if (image.width < 1 || image.height < 1 || image.width > static_cast<png_uint_32>(maxSide) ||
        image.height > static_cast<png_uint_32>(maxSide)) {
        error = "declares " + std::to_string(image.width) + "x" + std::to_string(image.height) +
                " pixels, more than " + std::to_string(maxSide) + " on a side";
        png_image_free(&image);
        return false;
    }
    image.format = PNG_FORMAT_RGB;
    RgbPicture read;
    read.w = static_cast<int>(image.width);
    read.h = static_cast<int>(image.height);
    read.rgb.resize(PNG_IMAGE_SIZE(image));
    const png_color black{0, 0, 0};
    if (!png_image_finish_read(&image, &black, read.rgb.data(), 0, nullptr)) {
        error = "is damaged or cut short (" + pngMessage(image) + ")";
        png_image_free(&image);
        return false;
    }
    picture = std::move(read);
    return true;
}

bool writePng(const std::string& path, const RgbPicture& picture, std::string& error) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(picture.w);
    image.height = static_cast<png_uint_32>(picture.h);
    image.format = PNG_FORMAT_RGB;
    const bool written =
        png_image_write_to_file(&image, path.c_str(), 0, picture.rgb.data(), 0, nullptr) != 0;
    if (!written)
        error = pngMessage(image);
    png_image_free(&image);
    return written;
}

RgbPicture scalePicture(const RgbPicture& from, int w, int h) {
    RgbPicture to;
    to.w = w;
    to.h = h;
    to.rgb.resize(static_cast<std::size_t>(w) * h * 3);
    uint8_t* out = to.rgb.data();
    for (int y = 0; y < h; ++y) {
        const int y0 = static_cast<int>(static_cast<long long>(y) * from.h / h);
        const int y1 = std::max(y0 + 1, static_cast<int>((y + 1LL) * from.h / h));
        for (int x = 0; x < w; ++x, out += 3) {
            const int x0 = static_cast<int>(static_cast<long long>(x) * from.w / w);
            const int x1 = std::max(x0 + 1, static_cast<int>((x + 1LL) * from.w / w));
            unsigned long sum[3] = {0, 0, 0};
            for (int sy = y0; sy < y1; ++sy)
                for (int sx = x0; sx < x1; ++sx)
                    for (int c = 0; c < 3; ++c)
                        sum[c] += from.rgb[(static_cast<std::size_t>(sy) * from.w + sx) * 3 + c];
            const unsigned long n = static_cast<unsigned long>(y1 - y0) * (x1 - x0);
            for (int c = 0; c < 3; ++c)
                out[c] = static_cast<uint8_t>((sum[c] + n / 2) / n);
        }
    }
    return to;
}

std::vector<uint8_t> toRaw(const RgbPicture& picture, int bitsPerPixel) {
    const int bytes = rawBytes(bitsPerPixel);
    std::vector<uint8_t> raw(static_cast<std::size_t>(picture.w) * picture.h * bytes);
    uint8_t* out = raw.data();
    for (std::size_t i = 0; i < picture.rgb.size(); i += 3, out += bytes) {
        const unsigned r = picture.rgb[i], g = picture.rgb[i + 1], b = picture.rgb[i + 2];
        if (bytes == 4) { // the fourth byte stays the 0 the picture starts with
            out[0] = static_cast<uint8_t>(b);
            out[1] = static_cast<uint8_t>(g);
            out[2] = static_cast<uint8_t>(r);
        } else {
            const unsigned v = ((r << 8) & 0xF800) | ((g << 3) & 0x07E0) | (b >> 3);
            out[0] = static_cast<uint8_t>(v);
            out[1] = static_cast<uint8_t>(v >> 8);
        }
    }
    return raw;
}

void rgbOfRawPixel(const uint8_t* p, int bitsPerPixel, uint8_t* rgb) {
    if (rawBytes(bitsPerPixel) == 4) {
        rgb[0] = p[2];
        rgb[1] = p[1];
        rgb[2] = p[0];
        return;
    }
    const unsigned v = p[0] | p[1] << 8;
    rgb[0] = expand(v >> 11, 5);
    rgb[1] = expand((v >> 5) & 0x3F, 6);
    rgb[2] = expand(v & 0x1F, 5);
}

bool fromRaw(const uint8_t* data, std::size_t size, int w, int h, int bitsPerPixel,
             RgbPicture& picture) {
    const std::size_t bytes = static_cast<std::size_t>(rawBytes(bitsPerPixel));
    const std::size_t pixels = static_cast<std::size_t>(w) * h;
    if (w < 1 || h < 1 || size != pixels * bytes)
        return false;
    picture.w = w;
    picture.h = h;
    picture.rgb.resize(pixels * 3);
    for (std::size_t i = 0; i < pixels; ++i)
        rgbOfRawPixel(data + i * bytes, bitsPerPixel, &picture.rgb[i * 3]);
    return true;
}
