#include "display/text.h"

#include "base/debug_log.h"
#include "base/paths.h"
#include "display/screen_map.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

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

bool hasOutline(int r, int g, int b) {
    return r != -1 && g != -1 && b != -1;
}

// Bytes one row of the bitmap needs; 0 for a pixel mode we do not know.
unsigned rowBytes(const FT_Bitmap& bits) {
    switch (bits.pixel_mode) {
    case FT_PIXEL_MODE_MONO:
        return (bits.width + 7) / 8;
    case FT_PIXEL_MODE_GRAY2:
        return (bits.width + 3) / 4;
    case FT_PIXEL_MODE_GRAY4:
        return (bits.width + 1) / 2;
    case FT_PIXEL_MODE_GRAY:
    case FT_PIXEL_MODE_LCD:
    case FT_PIXEL_MODE_LCD_V:
        return bits.width;
    case FT_PIXEL_MODE_BGRA:
        return bits.width * 4;
    default:
        return 0;
    }
}

// A damaged font can hand over a glyph with rows but no pixels (a BDF glyph whose
// BITMAP section is missing comes back with pitch 0 and no buffer); such a glyph is
// skipped like a missing one, and so is one with nothing to draw (a space).
bool drawable(const FT_Bitmap& bits) {
    const unsigned pitch = static_cast<unsigned>(std::abs(bits.pitch));
    const unsigned needed = rowBytes(bits);
    return bits.buffer && needed > 0 && pitch >= needed;
}

// The text colour and the outline colour, packed for the screen once per text.
struct Ink {
    PixelInk text;
    PixelInk outline;
    bool outlined;
};

Ink inkOf(int r, int g, int b, int outlineR, int outlineG, int outlineB) {
    return {packInk(r, g, b), packInk(outlineR, outlineG, outlineB),
            hasOutline(outlineR, outlineG, outlineB)};
}

// drawGlyph over the pixels that land on the screen only: a glyph of a damaged font can
// be thousands of pixels across, and every pixel off the screen would be dropped anyway.
// Each bitmap pixel (i, j), ring included, lands on its own screen pixel: in the glyph's
// colour when its coverage is above 128, else in the outline colour when any of its eight
// neighbours has coverage. Rows are written along the upright row's steps on the screen.
void drawGlyph(const GlyphBitmap& bitmap, int x, int y, const Ink& ink) {
    if (!fb.mapping)
        return;
    const long long uprightW = fb.quarterTurn ? fb.yres : fb.xres;
    // the half turn maps the upright screen onto itself, so the clip is taken before it
    const long long iFrom = std::max<long long>(-1, -static_cast<long long>(x));
    const long long iTo = std::min<long long>(bitmap.width, uprightW - 1 - x);
    const long long jFrom = std::max<long long>(-1, -static_cast<long long>(y));
    const long long jTo = std::min<long long>(bitmap.rows, uprightHeight() - 1LL - y);
    if (iFrom > iTo || jFrom > jTo)
        return;
    const int i0 = static_cast<int>(iFrom), i1 = static_cast<int>(iTo);
    const int j0 = static_cast<int>(jFrom), j1 = static_cast<int>(jTo);
    auto row = [&bitmap](int j) -> const uint8_t* {
        return j < 0 || j >= bitmap.rows
                   ? nullptr
                   : bitmap.buffer + static_cast<std::ptrdiff_t>(j) * bitmap.pitch;
    };
    auto inked = [&bitmap](const uint8_t* cells, int i) {
        return cells && i >= 0 && i < bitmap.width && cells[i] > 0;
    };
    const UprightSteps steps = uprightSteps(x + i0, y + j0);
    if (!ink.outlined) {
        // without the ring only the bitmap's own pixels can change
        const int iFirst = std::max(i0, 0), iLast = std::min(i1, bitmap.width - 1);
        const int jFirst = std::max(j0, 0), jLast = std::min(j1, bitmap.rows - 1);
        for (int j = jFirst; j <= jLast; j++) {
            const uint8_t* cells = row(j);
            uint8_t* at = steps.at + (j - j0) * steps.down + (iFirst - i0) * steps.right;
            for (int i = iFirst; i <= iLast; i++, at += steps.right)
                if (cells[i] > 128)
                    storeInk(at, ink.text);
        }
        return;
    }
    // Per column of the clip and one beyond either side: is any of the three rows inked?
    static std::vector<uint8_t> columns;
    for (int j = j0; j <= j1; j++) {
        const uint8_t* above = row(j - 1);
        const uint8_t* cells = row(j);
        const uint8_t* below = row(j + 1);
        uint8_t* at = steps.at + (j - j0) * steps.down;
        columns.assign(static_cast<std::size_t>(i1 - i0 + 3), 0);
        for (int i = i0 - 1; i <= i1 + 1; i++)
            columns[static_cast<std::size_t>(i - i0 + 1)] =
                inked(above, i) || inked(cells, i) || inked(below, i);
        for (int i = i0; i <= i1; i++, at += steps.right) {
            const int value = cells && i >= 0 && i < bitmap.width ? cells[i] : 0;
            if (value > 128) {
                storeInk(at, ink.text);
            } else {
                const std::size_t c = static_cast<std::size_t>(i - i0 + 1);
                if (columns[c - 1] || columns[c + 1] || inked(above, i) || inked(below, i))
                    storeInk(at, ink.outline);
            }
        }
    }
}

// Rendered glyphs of the current face (the bound is stated in display/text.h). Kept as
// 8-bit coverage with their place relative to the pen origin, they are drawn again
// without loading, hinting or rasterising. The memory is reserved on first use. When a
// glyph does not fit it is drawn without being kept and the whole cache is emptied
// before the next text is laid out (never during one: its glyphs point into the store).
// A glyph that fails to render is never kept, so its failure is logged at every drawing
// as before.
struct KeptGlyph {
    FT_UInt index;
    int size;       // the nominal size the face was set to
    FT_Pos advance; // 26.6, as the glyph slot gave it
    FT_BBox box;    // control box in whole pixels
    int left, top;  // of the bitmap, pen origin at (0, 0), y upwards
    int width, rows;
    std::size_t offset; // of its rows (width bytes each) in the store
    bool outline;       // rendered from an outline, not taken from a strike
};

// the bound stated in display/text.h counts on entries this small
static_assert(sizeof(KeptGlyph) <= 96, "a kept glyph's entry grew");

struct GlyphCache {
    std::vector<KeptGlyph> glyphs;
    std::vector<uint8_t> store;
    // Open addressing over 2 * GLYPH_CACHE_GLYPHS cells: index + 1 into glyphs, 0 for empty.
    std::vector<uint16_t> cells;
    bool full = false;

    static std::size_t hash(FT_UInt index, int size) {
        return (index * 2654435761u ^ static_cast<unsigned>(size) * 40503u) %
               (2 * GLYPH_CACHE_GLYPHS);
    }
    void clear() {
        glyphs.clear();
        store.clear();
        std::fill(cells.begin(), cells.end(), 0);
        full = false;
    }
    const KeptGlyph* find(FT_UInt index, int size) const {
        if (cells.empty())
            return nullptr;
        for (std::size_t c = hash(index, size);; c = (c + 1) % cells.size()) {
            if (cells[c] == 0)
                return nullptr;
            const KeptGlyph& g = glyphs[cells[c] - 1u];
            if (g.index == index && g.size == size)
                return &g;
        }
    }
    // Keeps a rendered glyph, rows of width bytes pitch apart; nullptr when it does not
    // fit (the cache is then emptied before the next text).
    const KeptGlyph* keep(KeptGlyph glyph, const uint8_t* rows, int pitch) {
        if (cells.empty()) {
            glyphs.reserve(GLYPH_CACHE_GLYPHS);
            store.reserve(GLYPH_CACHE_BYTES);
            cells.assign(2 * GLYPH_CACHE_GLYPHS, 0);
        }
        const std::size_t bytes = static_cast<std::size_t>(glyph.width) * glyph.rows;
        if (glyphs.size() >= GLYPH_CACHE_GLYPHS || bytes > GLYPH_CACHE_BYTES - store.size()) {
            full = true;
            return nullptr;
        }
        glyph.offset = store.size();
        for (int j = 0; j < glyph.rows; j++) {
            const uint8_t* row = rows + static_cast<std::ptrdiff_t>(j) * pitch;
            store.insert(store.end(), row, row + glyph.width);
        }
        glyphs.push_back(glyph);
        std::size_t c = hash(glyph.index, glyph.size);
        while (cells[c] != 0)
            c = (c + 1) % cells.size();
        cells[c] = static_cast<uint16_t>(glyphs.size());
        return &glyphs.back();
    }
};

GlyphCache cache;

void releaseFont() {
    if (face)
        FT_Done_Face(face);
    face = nullptr;
    cache.clear();
}

// One glyph of a laid-out line: kept in the cache, or loaded (and owned) when it was not.
struct LaidGlyph {
    const KeptGlyph* kept;
    FT_Glyph loaded;
    FT_UInt index;
    FT_Pos advance; // 26.6
    FT_Pos position;
};

// Fonts may carry their own bitmaps (two-level or 4-bit strikes for small sizes); those
// are widened to 8-bit coverage so the pixel loop never reads past their shorter rows.
// Hands the 8-bit rows to use; false when they cannot be made.
template <typename Use>
bool withCoverage(const FT_Bitmap& bits, Use use) {
    if (!drawable(bits)) {
        use(GlyphBitmap{});
        return true;
    }
    if (bits.pixel_mode == FT_PIXEL_MODE_GRAY && bits.pitch >= 0) {
        use(GlyphBitmap{bits.buffer, static_cast<int>(bits.width), static_cast<int>(bits.rows),
                        bits.pitch});
        return true;
    }
    FT_Bitmap gray;
    FT_Bitmap_Init(&gray);
    const bool converted = FT_Bitmap_Convert(library, &bits, &gray, 1) == 0 && gray.num_grays > 1;
    if (converted) {
        const int levels = gray.num_grays - 1;
        for (unsigned k = 0; k < gray.rows * static_cast<unsigned>(gray.pitch); k++)
            gray.buffer[k] = static_cast<unsigned char>(gray.buffer[k] * 255 / levels);
        use(GlyphBitmap{gray.buffer, static_cast<int>(gray.width), static_cast<int>(gray.rows),
                        gray.pitch});
    }
    FT_Bitmap_Done(library, &gray);
    return converted;
}

// FreeType refuses to render an outline whose pixel box leaves -32768..32767 about the
// origin; a kept glyph placed there is refused likewise, so that the log reads as if it
// had been rendered in place.
bool renderable(const KeptGlyph& g, long long ox, long long oy) {
    return g.left + ox >= -0x8000 && g.left + g.width + ox <= 0x7FFF &&
           g.top - g.rows + oy >= -0x8000 && g.top + oy <= 0x7FFF;
}

void drawKept(const KeptGlyph& g, long long ox, long long oy, int height, const Ink& ink) {
    const GlyphBitmap bitmap{cache.store.data() + g.offset, g.width, g.rows, g.width};
    drawGlyph(bitmap, static_cast<int>(g.left + ox), static_cast<int>(height - (g.top + oy)), ink);
}

// Renders a copy of one laid-out glyph with its pen origin at (ox, oy), upward axis, and
// draws it, keeping the rendering in the cache (at size, when the face's size is known)
// if there is room; the laid-out glyph itself is left as it was.
void renderGlyph(const LaidGlyph& laid, std::optional<int> size, long long ox, long long oy,
                 int height, const Ink& ink) {
    const FT_Glyph glyph = laid.loaded;
    // the place, size and store offset are filled in as the glyph is drawn and kept
    KeptGlyph kept{};
    kept.index = laid.index;
    kept.advance = laid.advance;
    kept.outline = glyph->format != FT_GLYPH_FORMAT_BITMAP;
    FT_Glyph_Get_CBox(glyph, FT_GLYPH_BBOX_PIXELS, &kept.box);
    auto drawAndKeep = [&](const FT_Bitmap& bits, int left, int top) {
        return withCoverage(bits, [&](const GlyphBitmap& bitmap) {
            kept.left = static_cast<int>(left - ox);
            kept.top = static_cast<int>(top - oy);
            kept.width = bitmap.width;
            kept.rows = bitmap.rows;
            const KeptGlyph* stored = nullptr;
            if (size) {
                kept.size = *size;
                stored = cache.keep(kept, bitmap.buffer, bitmap.pitch);
            }
            if (stored)
                drawKept(*stored, ox, oy, height, ink);
            else
                drawGlyph(bitmap, left, height - top, ink);
        });
    };
    bool drawn;
    if (!kept.outline) {
        // FreeType hands a bitmap glyph back untouched, without applying the origin.
        const FT_BitmapGlyph strike = reinterpret_cast<FT_BitmapGlyph>(glyph);
        drawn = drawAndKeep(strike->bitmap, static_cast<int>(strike->left + ox),
                            static_cast<int>(strike->top + oy));
    } else {
        FT_Glyph image = glyph;
        FT_Vector origin{static_cast<FT_Pos>(ox * 64), static_cast<FT_Pos>(oy * 64)};
        drawn = FT_Glyph_To_Bitmap(&image, FT_RENDER_MODE_NORMAL, &origin, 0) == 0;
        if (drawn) {
            const FT_BitmapGlyph rendered = reinterpret_cast<FT_BitmapGlyph>(image);
            drawn = drawAndKeep(rendered->bitmap, rendered->left, rendered->top);
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

GlyphCacheUse glyphCacheUse() {
    return {static_cast<int>(cache.glyphs.size()), cache.store.size()};
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
    drawGlyph(bitmap, x, y, inkOf(r, g, b, outlineR, outlineG, outlineB));
}

namespace {

// One line of text laid out from pen position 0, with its string box in whole pixels.
struct Line {
    LaidGlyph glyphs[MAX_GLYPHS];
    int count = 0;
    std::optional<int> size; // the size the face is set to; none when setting it failed
    // empty until a glyph widens it; a line of no glyph ends as the box 0, 0, 0, 0
    long long xMin = LLONG_MAX, yMin = LLONG_MAX, xMax = LLONG_MIN, yMax = LLONG_MIN;

    Line() = default;
    Line(const Line&) = delete;
    Line& operator=(const Line&) = delete;
    ~Line() {
        for (int n = 0; n < count; n++)
            if (glyphs[n].loaded)
                FT_Done_Glyph(glyphs[n].loaded);
    }
};

// Lays text out with the named font at a nominal size; false when there is no face.
bool layOut(const char* text, const char* fontName, int pixelSize, Line& line) {
    loadFont(fontName);
    if (!face)
        return false; // loadFont has reported it; without a face there is nothing to draw
    if (cache.full)
        cache.clear();

    // After a failed size request the face's size is whatever FreeType left: such a line
    // neither takes glyphs from the cache nor keeps any.
    const int size = pixelSize < 0 ? 0 : pixelSize;
    if (pixelSize > MAX_PIXEL_SIZE ||
        FT_Set_Char_Size(face, 0, static_cast<FT_F26Dot6>(size) * 64, 0, 0) != 0)
        debugLog("Error setting pixel size");
    else
        line.size = size;

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
        LaidGlyph& laid = line.glyphs[line.count];
        // the advance comes from the kept glyph or the loaded one, below
        laid = {line.size ? cache.find(index, *line.size) : nullptr, nullptr, index, {}, pen >> 6};
        if (laid.kept) {
            laid.advance = laid.kept->advance;
        } else {
            if (FT_Load_Glyph(face, index, FT_LOAD_DEFAULT) != 0)
                continue;
            if (FT_Get_Glyph(face->glyph, &laid.loaded) != 0)
                continue;
            laid.advance = face->glyph->advance.x;
        }
        pen += laid.advance;
        previous = index;
        line.count++;
    }

    for (int n = 0; n < line.count; n++) {
        const LaidGlyph& laid = line.glyphs[n];
        FT_BBox box;
        if (laid.kept)
            box = laid.kept->box;
        else
            FT_Glyph_Get_CBox(laid.loaded, FT_GLYPH_BBOX_PIXELS, &box);
        line.xMin = std::min<long long>(line.xMin, box.xMin + laid.position);
        line.xMax = std::max<long long>(line.xMax, box.xMax + laid.position);
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

    const Ink ink = inkOf(r, g, b, outlineR, outlineG, outlineB);
    for (int n = 0; n < line.count; n++) {
        const LaidGlyph& laid = line.glyphs[n];
        const long long ox = sx + laid.position;
        if (!(ox > -MAX_ORIGIN && ox < MAX_ORIGIN && sy > -MAX_ORIGIN && sy < MAX_ORIGIN))
            continue;
        if (!laid.kept)
            renderGlyph(laid, line.size, ox, sy, height, ink);
        else if (laid.kept->outline && !renderable(*laid.kept, ox, sy))
            debugLog("Error while Glyph_To_Bitmap");
        else
            drawKept(*laid.kept, ox, sy, height, ink);
    }
}
