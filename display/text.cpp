#include "display/text.h"

#include "base/debug_log.h"
#include "base/paths.h"
#include "display/screen_map.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_BITMAP_H
#include FT_GLYPH_H

namespace {

// One face is current at a time; the name is kept even when the face failed to open, so
// a broken font is reported once and not reopened on every redraw.
std::string currentName;
FT_Library library = nullptr;
FT_Face face = nullptr;

// Largest nominal size handed to FreeType: its pixel-per-em fields are 16 bits wide, and
// the size travels in 26.6 fixed point through 32-bit longs on the device.
constexpr int MAX_PIXEL_SIZE = 0x7FFF;
// A glyph origin farther out than this lies off every panel, and its 26.6 value would not
// fit a 32-bit FT_Pos.
constexpr long long MAX_ORIGIN = 1 << 24;

void releaseFont() {
    if (face)
        FT_Done_Face(face);
    face = nullptr;
}

bool hasOutline(int r, int g, int b) {
    return r != -1 && g != -1 && b != -1;
}

// Fonts may carry their own bitmaps (two-level or 4-bit strikes for small sizes); those
// are widened to 8-bit coverage so the pixel loop never reads past their shorter rows.
bool drawBitmap(const FT_Bitmap& bits, int left, int top, int height, int r, int g, int b,
                int outlineR, int outlineG, int outlineB) {
    if (bits.pixel_mode == FT_PIXEL_MODE_GRAY && bits.pitch >= 0) {
        const GlyphBitmap bitmap{bits.buffer, static_cast<int>(bits.width),
                                 static_cast<int>(bits.rows), bits.pitch};
        drawGlyph(bitmap, left, height - top, r, g, b, outlineR, outlineG, outlineB);
        return true;
    }
    FT_Bitmap gray;
    FT_Bitmap_Init(&gray);
    const bool converted = FT_Bitmap_Convert(library, &bits, &gray, 1) == 0 && gray.num_grays > 1;
    if (converted) {
        const int levels = gray.num_grays - 1;
        for (unsigned k = 0; k < gray.rows * static_cast<unsigned>(gray.pitch); k++)
            gray.buffer[k] = static_cast<unsigned char>(gray.buffer[k] * 255 / levels);
        const GlyphBitmap bitmap{gray.buffer, static_cast<int>(gray.width),
                                 static_cast<int>(gray.rows), gray.pitch};
        drawGlyph(bitmap, left, height - top, r, g, b, outlineR, outlineG, outlineB);
    }
    FT_Bitmap_Done(library, &gray);
    return converted;
}

// Renders a copy of one laid-out glyph with its pen origin at (ox, oy), upward axis, and
// draws it; the laid-out glyph itself is left as it was.
void renderGlyph(FT_Glyph glyph, long long ox, long long oy, int height, int r, int g, int b,
                 int outlineR, int outlineG, int outlineB) {
    bool drawn;
    if (glyph->format == FT_GLYPH_FORMAT_BITMAP) {
        // FreeType hands a bitmap glyph back untouched, without applying the origin.
        const FT_BitmapGlyph strike = reinterpret_cast<FT_BitmapGlyph>(glyph);
        drawn = drawBitmap(strike->bitmap, static_cast<int>(strike->left + ox),
                           static_cast<int>(strike->top + oy), height, r, g, b, outlineR, outlineG,
                           outlineB);
    } else {
        FT_Glyph image = glyph;
        FT_Vector origin{static_cast<FT_Pos>(ox * 64), static_cast<FT_Pos>(oy * 64)};
        drawn = FT_Glyph_To_Bitmap(&image, FT_RENDER_MODE_NORMAL, &origin, 0) == 0;
        if (drawn) {
            const FT_BitmapGlyph rendered = reinterpret_cast<FT_BitmapGlyph>(image);
            drawn = drawBitmap(rendered->bitmap, rendered->left, rendered->top, height, r, g, b,
                               outlineR, outlineG, outlineB);
            FT_Done_Glyph(image);
        }
    }
    if (!drawn)
        debugLog("Error while Glyph_To_Bitmap");
}

} // namespace

void loadFont(const char* fontName) {
    if (currentName == fontName)
        return;
    releaseFont();
    if (!library && FT_Init_FreeType(&library) != 0) {
        library = nullptr;
        debugLog("Error initializing library:");
        std::snprintf(scratchText, SCRATCH_SIZE, "%s", fontName);
        debugLog(scratchText);
    }
    const std::string path = dataPath(fontName);
    if (!library || FT_New_Face(library, path.c_str(), 0, &face) != 0) {
        face = nullptr;
        debugLog("Error loading font face!");
    }
    currentName = fontName;
}

void closeFont() {
    releaseFont();
    if (library)
        FT_Done_FreeType(library);
    library = nullptr;
    currentName.clear();
}

void drawGlyph(const GlyphBitmap& bitmap, int x, int y, int r, int g, int b, int outlineR,
               int outlineG, int outlineB) {
    const bool outline = hasOutline(outlineR, outlineG, outlineB);
    auto coverage = [&bitmap](int i, int j) -> int {
        if (i < 0 || i >= bitmap.width || j < 0 || j >= bitmap.rows)
            return 0;
        return bitmap.buffer[j * bitmap.pitch + i];
    };
    for (int i = -1; i <= bitmap.width; i++) {
        for (int j = -1; j <= bitmap.rows; j++) {
            const int value = coverage(i, j);
            // the half turn spins the whole text about the centre of the upright screen
            const Point p = halfTurnUpright(x + i, y + j);
            const int px = p.x, py = p.y;
            if (outline) {
                bool nextToInk = false;
                for (int di = -1; di <= 1 && !nextToInk; di++)
                    for (int dj = -1; dj <= 1 && !nextToInk; dj++)
                        nextToInk = (di != 0 || dj != 0) && coverage(i + di, j + dj) > 0;
                if (nextToInk)
                    putUprightPixel(px, py, outlineR, outlineG, outlineB, 255);
            }
            if (value > 0)
                putUprightPixel(px, py, r, g, b, value);
        }
    }
}

namespace {

// One line of text laid out from pen position 0, with its string box in whole pixels.
struct Line {
    FT_Glyph glyphs[MAX_GLYPHS];
    FT_Pos positions[MAX_GLYPHS];
    int count = 0;
    long long xMin = 32000, yMin = 32000, xMax = -32000, yMax = -32000;

    Line() = default;
    Line(const Line&) = delete;
    Line& operator=(const Line&) = delete;
    ~Line() {
        for (int n = 0; n < count; n++)
            FT_Done_Glyph(glyphs[n]);
    }
};

// Lays text out with the named font at a nominal size; false when there is no face.
bool layOut(const char* text, const char* fontName, int pixelSize, Line& line) {
    loadFont(fontName);
    if (!face)
        return false; // loadFont has reported it; without a face there is nothing to draw

    if (pixelSize > MAX_PIXEL_SIZE ||
        FT_Set_Char_Size(face, 0, static_cast<FT_F26Dot6>(pixelSize < 0 ? 0 : pixelSize) * 64, 0,
                         0) != 0)
        debugLog("Error setting pixel size");

    const bool kerning = FT_HAS_KERNING(face);
    FT_Pos pen = 0;
    FT_UInt previous = 0;
    for (const char* p = text; *p && line.count < MAX_GLYPHS; p++) {
        const FT_UInt index = FT_Get_Char_Index(face, static_cast<unsigned char>(*p));
        if (kerning && previous && index) {
            FT_Vector delta;
            if (FT_Get_Kerning(face, previous, index, FT_KERNING_DEFAULT, &delta) == 0)
                pen += delta.x;
        }
        if (FT_Load_Glyph(face, index, FT_LOAD_DEFAULT) != 0)
            continue;
        if (FT_Get_Glyph(face->glyph, &line.glyphs[line.count]) != 0)
            continue;
        line.positions[line.count] = pen >> 6;
        pen += face->glyph->advance.x;
        previous = index;
        line.count++;
    }

    for (int n = 0; n < line.count; n++) {
        FT_BBox box;
        FT_Glyph_Get_CBox(line.glyphs[n], FT_GLYPH_BBOX_PIXELS, &box);
        line.xMin = std::min<long long>(line.xMin, box.xMin + line.positions[n]);
        line.xMax = std::max<long long>(line.xMax, box.xMax + line.positions[n]);
        line.yMin = std::min<long long>(line.yMin, box.yMin);
        line.yMax = std::max<long long>(line.yMax, box.yMax);
    }
    if (line.xMin > line.xMax) {
        line.xMin = line.yMin = line.xMax = line.yMax = 0;
        std::snprintf(scratchText, SCRATCH_SIZE, "Error growing string box for: %s", text);
        debugLog(scratchText);
    }
    return true;
}

} // namespace

TextSize measureText(const char* text, const char* fontName, int pixelSize) {
    Line line;
    if (!layOut(text, fontName, pixelSize, line))
        return {0, 0};
    return {static_cast<int>(line.xMax - line.xMin), static_cast<int>(line.yMax - line.yMin)};
}

void drawText(int x1, int y1, int x2, int y2, const char* text, const char* fontName, int pixelSize,
              int flags, int r, int g, int b, int outlineR, int outlineG, int outlineB) {
    // The box arrives in screen coordinates; glyphs are placed in upright ones, with y
    // turned upwards for FreeType.
    const int height = uprightHeight();
    const Point from = screenToUpright(x1, y1);
    const Point to = screenToUpright(x2, y2);
    x1 = from.x;
    y1 = from.y;
    x2 = to.x;
    y2 = to.y;
    const long long top = static_cast<long long>(height) - y1;
    const long long bottom = static_cast<long long>(height) - y2;

    Line line;
    if (!layOut(text, fontName, pixelSize, line))
        return;
    const long long width = line.xMax - line.xMin;
    const long long textHeight = line.yMax - line.yMin;

    long long sx;
    if (flags & ALIGN_LEFT)
        sx = x1;
    else if (flags & ALIGN_RIGHT)
        sx = x2 - width;
    else
        sx = (x1 + x2 - width) / 2 - 1;
    long long sy; // baseline on the upward axis
    if (flags & ALIGN_TOP)
        sy = top - textHeight;
    else if (flags & ALIGN_BOTTOM)
        sy = bottom;
    else
        sy = (top + bottom - textHeight) / 2;

    for (int n = 0; n < line.count; n++) {
        const long long ox = sx + line.positions[n];
        if (ox > -MAX_ORIGIN && ox < MAX_ORIGIN && sy > -MAX_ORIGIN && sy < MAX_ORIGIN)
            renderGlyph(line.glyphs[n], ox, sy, height, r, g, b, outlineR, outlineG, outlineB);
    }
}
