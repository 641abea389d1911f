#pragma once
// Raw background pictures: loaded whole from the card and copied to the framebuffer,
// scaled to the panel and turned as configured.
#include <cstddef>
#include <cstdint>

// A loaded picture file. Nothing in the file states its size: each copy takes the
// picture to be as large as the layout size it is given, and never reads past size.
struct Image {
    uint8_t* data = nullptr;
    std::size_t size = 0;
};

// Reads dataDir() + name; logs and returns false when it cannot.
bool loadImage(const char* name, Image& image);
// Copies the screen rectangle x1..x2-1 by y1..y2-1 from image into the mapping, each
// pixel where putPixel puts it. Pixels off the screen (or off screenW by screenH) are not
// written; pixels the buffer does not hold are written black.
void copyImageRegion(int x1, int y1, int x2, int y2, int screenW, int screenH, int imageW,
                     int imageH, const Image& image);
// Copies the part of image that shows the layout rectangle.
void copyLayoutRect(int x1, int y1, int x2, int y2, int layoutW, int layoutH, const Image& image);
