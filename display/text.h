#pragma once
// One-line text through FreeType, thresholded (no blending), in upright coordinates.
#include <cstddef>
#include <cstdint>

constexpr int ALIGN_TOP = 1;
constexpr int ALIGN_BOTTOM = 2;
constexpr int ALIGN_LEFT = 4;
constexpr int ALIGN_RIGHT = 8;

// At most this many glyphs of one text are laid out; the rest of the text is dropped.
constexpr int MAX_GLYPHS = 70;

// An 8-bit coverage bitmap as the rasterizer hands it out: rows of width bytes,
// pitch bytes apart.
struct GlyphBitmap {
    const uint8_t* buffer;
    int width;
    int rows;
    int pitch;
};

// Makes the named font (a file in the data directory) current.
void loadFont(const char* fontName);
// Draws text in the box (x1, y1)-(x2, y2), screen coordinates. An outline colour with
// any component -1 means no outline.
void drawText(int x1, int y1, int x2, int y2, const char* text, const char* fontName, int pixelSize,
              int flags, int r, int g, int b, int outlineR, int outlineG, int outlineB);
// Size of the string box drawText would align for text: what a layout needs to fit a
// label to a button. Zero when the font cannot be opened.
struct TextSize {
    int width, height;
};
TextSize measureText(const char* text, const char* fontName, int pixelSize);
// Draws one glyph bitmap with its top-left pixel at upright (x, y): pixels of coverage
// above 128 in the text colour and, unless an outline component is -1, a one-pixel ring
// in the outline colour around every inked pixel.
void drawGlyph(const GlyphBitmap& bitmap, int x, int y, int r, int g, int b, int outlineR,
               int outlineG, int outlineB);
// Releases the font and the rasterizer, and empties the glyph cache; the next drawText
// loads them again.
void closeFont();

// Rendered glyphs are kept between texts (the face, the size and the glyph decide the
// pixels, as text is placed on whole pixels) within a fixed bound: at most
// GLYPH_CACHE_BYTES of coverage and GLYPH_CACHE_GLYPHS glyphs, each with an entry of at
// most 96 bytes and two table cells of 2 bytes: under 360 KiB in all. A full cache is
// emptied before the next text; a new face empties it too.
constexpr std::size_t GLYPH_CACHE_BYTES = 256 * 1024;
constexpr int GLYPH_CACHE_GLYPHS = 1024;
struct GlyphCacheUse {
    int glyphs;
    std::size_t bytes;
};
GlyphCacheUse glyphCacheUse();
