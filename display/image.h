#pragma once
// Raw background pictures: loaded whole from the card and copied to the framebuffer,
// scaled to the panel and turned as configured.
#include <cstddef>
#include <cstdint>
#include <vector>

// A loaded picture file. Nothing in the file states its size: each copy takes the
// picture to be as large as the layout size it is given, and never reads past size.
struct Image {
    uint8_t* data = nullptr;
    std::size_t size = 0;
};

// Reads dataDir() + name into memory of new[] (the caller delete[]s it); logs and returns
// false when it cannot.
bool loadImage(const char* name, Image& image);
// Copies the screen rectangle x1..x2-1 by y1..y2-1 from image into the mapping, each
// pixel where putPixel puts it. Pixels off the screen (or off screenW by screenH) are not
// written; pixels the buffer does not hold are written black.
void copyImageRegion(int x1, int y1, int x2, int y2, int screenW, int screenH, int imageW,
                     int imageH, const Image& image);
// The plan of a picture copy into a screen rectangle, row by row, for the copies below
// and for callers that keep rows. Every visible screen row shows the pixels its row term
// selects; rows with equal terms are equal, and they follow one another.
struct RegionRows {
    // False when nothing of the rectangle is on the screen.
    bool plan(int x1, int y1, int x2, int y2, int screenW, int screenH, int imageW, int imageH,
              const Image& image);
    // The row's bytes where the picture holds them as they are shown, else null.
    const uint8_t* direct(int64_t rowTerm) const {
        if (!contiguous || rowTerm + colMin < 0 || rowTerm + colMax + bytes > size)
            return nullptr;
        return data + rowTerm + colMin;
    }
    // Writes the row's width * bytes bytes to dst; pixels the picture lacks are black.
    void fill(uint8_t* dst, int64_t rowTerm) const;

    int xFrom = 0, yFrom = 0, width = 0, bytes = 0;
    std::vector<int64_t> rowTerms; // one per visible row, from yFrom down

  private:
    std::vector<int64_t> cols; // source byte offset of each visible column
    int64_t colMin = 0, colMax = 0;
    bool contiguous = false;
    const uint8_t* data = nullptr;
    int64_t size = 0;
};

// The same copy into screen lines held elsewhere, in the panel's pixel format: screen
// pixel (x, y) goes to lines + y * lineBytes + x * bytes per pixel.
void copyImageRegionInto(uint8_t* lines, std::size_t lineBytes, int x1, int y1, int x2, int y2,
                         int screenW, int screenH, int imageW, int imageH, const Image& image);
// The picture position after `steps` additions of step to position, as a copy stepping
// pixel by pixel reaches it. Past 65536 steps (a rectangle reaching that far off the
// screen) it jumps there with one multiplication, which differs from the long sum only in
// rounding, so that the invisible part of a huge rectangle costs nothing.
double advancePosition(double position, double step, int64_t steps);
// Copies the part of image that shows the layout rectangle.
void copyLayoutRect(int x1, int y1, int x2, int y2, int layoutW, int layoutH, const Image& image);
