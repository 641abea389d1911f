#pragma once
// Pictures as plain 8-bit red, green, blue triples, and their two file forms: PNG (what
// image editors write) and the panel's raw pixel format (what the program loads).
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct RgbPicture {
    int w = 0, h = 0;
    std::vector<uint8_t> rgb; // w * h triples, row by row
};

// Reads any PNG libpng knows (palette, grey, alpha, 8 or 16 bits per channel) as 8-bit
// RGB; transparent parts are laid over black. A file declaring a side above maxSide is
// refused from its header, before any pixel is decoded.
// Only the header: the size the file declares.
bool readPngSize(const std::string& path, int& w, int& h, std::string& error);
bool readPng(const std::string& path, int maxSide, RgbPicture& picture, std::string& error);
bool writePng(const std::string& path, const RgbPicture& picture, std::string& error);

// Each target pixel is the mean of the source pixels it covers (the whole picture is
// squeezed or stretched; the aspect ratio is not kept).
RgbPicture scalePicture(const RgbPicture& from, int w, int h);

// The panel's raw format: RGB565 little-endian at 16 bits, blue, green, red, 0 at 32.
std::vector<uint8_t> toRaw(const RgbPicture& picture, int bitsPerPixel);
void rgbOfRawPixel(const uint8_t* pixel, int bitsPerPixel, uint8_t* rgb);
// False when data is not exactly w * h pixels.
bool fromRaw(const uint8_t* data, std::size_t size, int w, int h, int bitsPerPixel,
             RgbPicture& picture);
