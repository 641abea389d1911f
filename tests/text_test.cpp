#include "base/debug_log.h"
#include "display/text.h"

#include "display/framebuffer.h"
#include "display/screen_map.h"
#include "props/properties.h"
#include "tests/screen_fixture.h"
#include "testsupport/process_state.h"

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_GLYPH_H

namespace {

constexpr const char* FONT = "Diduz.ovo";
constexpr uint16_t WHITE = 0xFFFF;
constexpr uint16_t BLACK = 0x0000;
constexpr uint16_t RED = 0xF800;

struct Box {
    int left = 1 << 20, top = 1 << 20, right = -1,
        bottom = -1; // inclusive; empty when right < left
    bool empty() const { return right < left; }
    int width() const { return right - left + 1; }
    int height() const { return bottom - top + 1; }
    void add(int x, int y) {
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
    }
};

// Pixel box of one character at a size, as FreeType lays it out, for the expected
// placements; and its advance and kerning in 1/64 pixel.
struct GlyphMetrics {
    int xMin, yMin, xMax, yMax;
    long advance;
};
GlyphMetrics measure(char c, int size) {
    FT_Library library;
    FT_Face face;
    EXPECT_EQ(FT_Init_FreeType(&library), 0);
    EXPECT_EQ(FT_New_Face(library, PW_TEST_FONT, 0, &face), 0);
    FT_Set_Char_Size(face, 0, size * 64, 0, 0);
    FT_Load_Glyph(face, FT_Get_Char_Index(face, static_cast<unsigned char>(c)), FT_LOAD_DEFAULT);
    FT_Glyph glyph;
    FT_Get_Glyph(face->glyph, &glyph);
    FT_BBox box;
    FT_Glyph_Get_CBox(glyph, FT_GLYPH_BBOX_PIXELS, &box);
    GlyphMetrics m{static_cast<int>(box.xMin), static_cast<int>(box.yMin),
                   static_cast<int>(box.xMax), static_cast<int>(box.yMax), face->glyph->advance.x};
    FT_Done_Glyph(glyph);
    FT_Done_Face(face);
    FT_Done_FreeType(library);
    return m;
}
long kerning(char a, char b, int size) {
    FT_Library library;
    FT_Face face;
    FT_Init_FreeType(&library);
    FT_New_Face(library, PW_TEST_FONT, 0, &face);
    FT_Set_Char_Size(face, 0, size * 64, 0, 0);
    FT_Vector delta{0, 0};
    FT_Get_Kerning(face, FT_Get_Char_Index(face, static_cast<unsigned char>(a)),
                   FT_Get_Char_Index(face, static_cast<unsigned char>(b)), FT_KERNING_DEFAULT,
                   &delta);
    FT_Done_Face(face);
    FT_Done_FreeType(library);
    return delta.x;
}

// The text drawing as it was before glyphs were kept and clipped, the reference the
// kept and clipped drawing must match pixel for pixel: every glyph loaded and rendered
// in place, every pixel of the bitmap and its ring handed to putUprightPixel.
void referenceGlyph(const GlyphBitmap& bitmap, int x, int y, int r, int g, int b, int outlineR,
                    int outlineG, int outlineB) {
    const bool outline = outlineR != -1 && outlineG != -1 && outlineB != -1;
    auto coverage = [&bitmap](int i, int j) -> int {
        if (i < 0 || i >= bitmap.width || j < 0 || j >= bitmap.rows)
            return 0;
        return bitmap.buffer[j * bitmap.pitch + i];
    };
    for (int i = -1; i <= bitmap.width; i++)
        for (int j = -1; j <= bitmap.rows; j++) {
            const Point p = halfTurnUpright(x + i, y + j);
            if (outline) {
                bool nextToInk = false;
                for (int di = -1; di <= 1; di++)
                    for (int dj = -1; dj <= 1; dj++)
                        nextToInk |= (di != 0 || dj != 0) && coverage(i + di, j + dj) > 0;
                if (nextToInk)
                    putUprightPixel(p.x, p.y, outlineR, outlineG, outlineB, 255);
            }
            putUprightPixel(p.x, p.y, r, g, b, coverage(i, j));
        }
}

void referenceText(int x1, int y1, int x2, int y2, const char* text, int size, int flags,
                   int outline) {
    FT_Library library;
    FT_Face face;
    FT_Init_FreeType(&library);
    FT_New_Face(library, PW_TEST_FONT, 0, &face);
    FT_Set_Char_Size(face, 0, size * 64, 0, 0);
    std::vector<FT_Glyph> glyphs;
    std::vector<long> positions;
    FT_Pos pen = 0;
    FT_UInt previous = 0;
    for (const char* c = text; *c; c++) {
        const FT_UInt index = FT_Get_Char_Index(face, static_cast<unsigned char>(*c));
        FT_Vector delta{0, 0};
        if (previous && index &&
            FT_Get_Kerning(face, previous, index, FT_KERNING_DEFAULT, &delta) == 0)
            pen += delta.x;
        FT_Glyph glyph;
        FT_Load_Glyph(face, index, FT_LOAD_DEFAULT);
        FT_Get_Glyph(face->glyph, &glyph);
        glyphs.push_back(glyph);
        positions.push_back(pen >> 6);
        pen += face->glyph->advance.x;
        previous = index;
    }
    long xMin = 32000, yMin = 32000, xMax = -32000, yMax = -32000;
    for (std::size_t n = 0; n < glyphs.size(); n++) {
        FT_BBox box;
        FT_Glyph_Get_CBox(glyphs[n], FT_GLYPH_BBOX_PIXELS, &box);
        xMin = std::min<long>(xMin, box.xMin + positions[n]);
        xMax = std::max<long>(xMax, box.xMax + positions[n]);
        yMin = std::min<long>(yMin, box.yMin);
        yMax = std::max<long>(yMax, box.yMax);
    }
    const int height = uprightHeight();
    const Point from = screenToUpright(x1, y1), to = screenToUpright(x2, y2);
    const long top = height - from.y, bottom = height - to.y;
    const long sx = flags & ALIGN_LEFT    ? from.x
                    : flags & ALIGN_RIGHT ? to.x - (xMax - xMin)
                                          : (from.x + to.x - (xMax - xMin)) / 2 - 1;
    const long sy = flags & ALIGN_TOP      ? top - (yMax - yMin)
                    : flags & ALIGN_BOTTOM ? bottom
                                           : (top + bottom - (yMax - yMin)) / 2;
    for (std::size_t n = 0; n < glyphs.size(); n++) {
        FT_Glyph image = glyphs[n];
        FT_Vector origin{(sx + positions[n]) * 64, sy * 64};
        FT_Glyph_To_Bitmap(&image, FT_RENDER_MODE_NORMAL, &origin, 0);
        const FT_BitmapGlyph bits = reinterpret_cast<FT_BitmapGlyph>(image);
        referenceGlyph({bits->bitmap.buffer, static_cast<int>(bits->bitmap.width),
                        static_cast<int>(bits->bitmap.rows), bits->bitmap.pitch},
                       bits->left, height - bits->top, 0, 0, 0, outline, 0, 0);
        FT_Done_Glyph(image);
        FT_Done_Glyph(glyphs[n]);
    }
    FT_Done_Face(face);
    FT_Done_FreeType(library);
}

class TextTest : public ScreenTest {
  protected:
    void SetUp() override {
        ScreenTest::SetUp();
        std::filesystem::copy_file(PW_TEST_FONT, dataFile(FONT));
    }

    // A 16-bit panel painted white, with the turns given.
    void openScreen(int w, int h, const char* rot90 = "0", bool halfTurn = false) {
        setProperty("P_ROT90", rot90);
        ASSERT_TRUE(ScreenTest::openScreen(static_cast<unsigned>(w), static_cast<unsigned>(h), 16));
        fb.halfTurn = halfTurn;
        fillMapping(0xFF);
    }

    uint16_t pixel(int x, int y) const {
        const uint8_t* p = at(x, y);
        return static_cast<uint16_t>(p[0] | p[1] << 8);
    }
    // Screen box of the pixels holding colour.
    Box inkBox(uint16_t colour = BLACK) const {
        Box box;
        for (int y = 0; y < fb.yres; y++)
            for (int x = 0; x < fb.xres; x++)
                if (pixel(x, y) == colour)
                    box.add(x, y);
        return box;
    }
    std::string screenBytes() const { return mappingBytes(); }
    void clearScreen() { fillMapping(0xFF); }

    void text(int x1, int y1, int x2, int y2, const char* s, int size, int flags) {
        drawText(x1, y1, x2, y2, s, FONT, size, flags, 0, 0, 0, -1, -1, -1);
    }
};

TEST_F(TextTest, AlignmentFlagsPlaceTheStringBoxInTheBox) {
    openScreen(400, 256);
    const int size = 40;
    const GlyphMetrics h = measure('H', size);
    const int width = h.xMax - h.xMin, height = h.yMax - h.yMin;
    const int x1 = 50, y1 = 40, x2 = 350, y2 = 200;
    struct Case {
        int flags;
        int penX;     // where the string box's origin lands
        int baseline; // upright y of the baseline
    };
    const Case cases[] = {
        {ALIGN_LEFT | ALIGN_TOP, x1, y1 + height},
        {ALIGN_RIGHT | ALIGN_BOTTOM, x2 - width, y2},
        {0, (x1 + x2 - width) / 2 - 1, 256 - (256 - y1 + 256 - y2 - height) / 2},
        {ALIGN_LEFT | ALIGN_RIGHT | ALIGN_TOP | ALIGN_BOTTOM, x1, y1 + height}, // left, top win
        {ALIGN_RIGHT, x2 - width, 256 - (256 - y1 + 256 - y2 - height) / 2},
    };
    for (const Case& c : cases) {
        clearScreen();
        text(x1, y1, x2, y2, "H", size, c.flags);
        const Box ink = inkBox();
        SCOPED_TRACE(c.flags);
        ASSERT_FALSE(ink.empty());
        // Stems and bars of an H are grid-fitted: the ink fills its pixel box but for a
        // faint edge column.
        EXPECT_NEAR(ink.left, c.penX + h.xMin, 1);
        EXPECT_NEAR(ink.right, c.penX + h.xMax - 1, 1);
        EXPECT_EQ(ink.top, c.baseline - h.yMax);
        EXPECT_EQ(ink.bottom, c.baseline - h.yMin - 1);
    }
}

TEST_F(TextTest, MeasureGivesTheStringBox) {
    const GlyphMetrics h = measure('H', 40);
    const TextSize one = measureText("H", FONT, 40);
    EXPECT_EQ(one.width, h.xMax - h.xMin);
    EXPECT_EQ(one.height, h.yMax - h.yMin);
    // Two glyphs: the second one's box starts one advance on.
    const TextSize two = measureText("HH", FONT, 40);
    EXPECT_EQ(two.width, static_cast<int>(h.advance >> 6) + h.xMax - h.xMin);
    EXPECT_EQ(two.height, one.height);
    // A descender deepens the box.
    EXPECT_GT(measureText("Hg", FONT, 40).height, one.height);
    EXPECT_EQ(debugLogText(), "");
    EXPECT_EQ(measureText("H", "Missing.ttf", 40).width, 0);
}

TEST_F(TextTest, KerningPullsPairsTogether) {
    openScreen(400, 256);
    const int size = 60;
    const long kern = kerning('T', 'o', size);
    ASSERT_LE(kern, -5 * 64) << "the test font lost its kerning table";
    const GlyphMetrics t = measure('T', size), o = measure('o', size);
    text(10, 10, 390, 240, "To", size, ALIGN_LEFT);
    const Box both = inkBox();
    // x1 is where the string box starts, the box starting at the T's own left edge.
    const int expectedRight = 10 - t.xMin + static_cast<int>((t.advance + kern) >> 6) + o.xMax - 1;
    // The round side of the o may leave its last column or two below the threshold.
    EXPECT_LE(both.right, expectedRight);
    EXPECT_GE(both.right, expectedRight - 2);
}

TEST_F(TextTest, GlyphsAreThresholdedNotBlended) {
    openScreen(400, 256);
    drawText(0, 0, 400, 256, "Pumpwright 7.65", FONT, 23, 0, 0, 255, 0, -1, -1, -1);
    int green = 0;
    for (int y = 0; y < fb.yres; y++)
        for (int x = 0; x < fb.xres; x++) {
            const uint16_t p = pixel(x, y);
            ASSERT_TRUE(p == WHITE || p == 0x07E0) << x << "," << y << " holds " << p;
            green += p == 0x07E0;
        }
    EXPECT_GT(green, 100);
}

TEST_F(TextTest, CoverageAbove128IsDrawnInFullColour) {
    openScreen(400, 256);
    const uint8_t cells[] = {128, 129, 1, 255};
    drawGlyph({cells, 4, 1, 4}, 10, 20, 0, 0, 0, -1, -1, -1);
    EXPECT_EQ(pixel(10, 20), WHITE);
    EXPECT_EQ(pixel(11, 20), BLACK);
    EXPECT_EQ(pixel(12, 20), WHITE);
    EXPECT_EQ(pixel(13, 20), BLACK);
}

TEST_F(TextTest, OutlineRingsEveryPixelNextToInk) {
    openScreen(400, 256);
    // Two rows of four, six bytes apart: a strong pixel and, three columns on, a faint one.
    const uint8_t cells[] = {255, 0, 0, 60, 9, 9, 0, 0, 0, 0, 9, 9};
    const GlyphBitmap bitmap{cells, 4, 2, 6};
    drawGlyph(bitmap, 100, 50, 0, 0, 0, 255, 0, 0);
    // The ring reaches one pixel beyond the bitmap on every side. The faint pixel is not
    // drawn and, with no ink beside it, gets no ring either; its neighbours do.
    for (int x = 98; x <= 105; x++)
        for (int y = 48; y <= 52; y++) {
            uint16_t expected = RED;
            if (x == 98 || x == 105 || y == 48 || y == 52 || (x == 103 && y == 50))
                expected = WHITE;
            if (x == 100 && y == 50)
                expected = BLACK;
            EXPECT_EQ(pixel(x, y), expected) << x << "," << y;
        }

    clearScreen();
    drawGlyph(bitmap, 100, 50, 0, 0, 0, -1, 0, 0);
    EXPECT_TRUE(inkBox(RED).empty());
    EXPECT_EQ(inkBox(BLACK).width(), 1);
    EXPECT_EQ(inkBox(BLACK).height(), 1);
}

TEST_F(TextTest, OutlinedTextIsSurroundedByTheRing) {
    openScreen(400, 256);
    drawText(0, 0, 400, 256, "=> 7.65", FONT, 29, 0, 0, 0, 0, 255, 0, 0);
    const Box ink = inkBox(BLACK), ring = inkBox(RED);
    ASSERT_FALSE(ink.empty());
    EXPECT_EQ(ring.left, ink.left - 1);
    EXPECT_EQ(ring.right, ink.right + 1);
    EXPECT_EQ(ring.top, ink.top - 1);
    EXPECT_EQ(ring.bottom, ink.bottom + 1);
    // Every text pixel's neighbours are text or outline, never the background.
    for (int y = ink.top; y <= ink.bottom; y++)
        for (int x = ink.left; x <= ink.right; x++)
            if (pixel(x, y) == BLACK) {
                for (int dy = -1; dy <= 1; dy++)
                    for (int dx = -1; dx <= 1; dx++)
                        ASSERT_NE(pixel(x + dx, y + dy), WHITE) << x + dx << "," << y + dy;
            }
    // A -1 in any channel of the outline colour is no ring at all.
    clearScreen();
    drawText(0, 0, 400, 256, "=> 7.65", FONT, 29, 0, 0, 0, 0, -1, -1, -1);
    const std::string plain = screenBytes();
    for (int channel = 0; channel < 3; channel++) {
        int outline[] = {255, 0, 0};
        outline[channel] = -1;
        clearScreen();
        drawText(0, 0, 400, 256, "=> 7.65", FONT, 29, 0, 0, 0, 0, outline[0], outline[1],
                 outline[2]);
        EXPECT_TRUE(screenBytes() == plain) << channel;
    }
}

TEST_F(TextTest, EmptyTextIsReportedAndDrawsNothing) {
    openScreen(400, 256);
    const std::string before = screenBytes();
    text(0, 0, 400, 256, "", 20, 0);
    text(0, 0, 400, 256, " ", 20, 0); // a blank's box has no width, and that is no error
    EXPECT_EQ(debugLogText(), "### Error growing string box for: \n");
    EXPECT_EQ(screenBytes(), before);
}

TEST_F(TextTest, OnlySeventyGlyphsAreLaidOut) {
    openScreen(400, 256);
    const std::string seventy(70, 'l');
    text(5, 0, 395, 256, (seventy + std::string(30, 'W')).c_str(), 10, ALIGN_LEFT);
    const std::string hundred = screenBytes();
    // Each l is one upright stroke: count the strokes across the middle of the line.
    const Box ink = inkBox();
    const int row = (ink.top + ink.bottom) / 2;
    int strokes = 0;
    for (int x = 0; x < fb.xres; x++)
        strokes += pixel(x, row) == BLACK && (x == 0 || pixel(x - 1, row) != BLACK);
    EXPECT_EQ(strokes, 70);

    clearScreen();
    text(5, 0, 395, 256, seventy.c_str(), 10, ALIGN_LEFT);
    EXPECT_EQ(screenBytes(), hundred);
    EXPECT_EQ(debugLogText(), "");
}

TEST_F(TextTest, CharactersMissingFromTheFontShowItsMissingGlyph) {
    openScreen(400, 256);
    text(0, 0, 400, 256, "\x01", 30, 0);
    EXPECT_FALSE(inkBox().empty());
    EXPECT_EQ(debugLogText(), "");
}

// The text of a layout rectangle must read along the layout's x axis whatever the
// turns: an L, mapped back into the layout, has its stem on the left and its foot at
// the bottom, inside the rectangle.
TEST_F(TextTest, TurnedTextReadsAlongTheLayout) {
    struct Turn {
        int w, h;
        const char* rot90;
        bool half;
    };
    const Turn turns[] = {{400, 256, "0", false},
                          {272, 480, "1", false},
                          {400, 256, "0", true},
                          {256, 400, "1", true}};
    for (const Turn& t : turns) {
        SCOPED_TRACE(std::string(t.rot90) + (t.half ? " half" : ""));
        resetFB();
        openScreen(t.w, t.h, t.rot90, t.half);
        const int lx1 = 20, ly1 = 16, lx2 = 222, ly2 = 90;
        const Point a = layoutToScreen(lx1, ly1, 400, 256, fb.xres, fb.yres);
        const Point b = layoutToScreen(lx2, ly2, 400, 256, fb.xres, fb.yres);
        text(a.x, a.y, b.x, b.y, "L", 50, 0);

        // Pixels mapped back to the layout.
        std::vector<std::vector<bool>> inked(256, std::vector<bool>(400));
        Box box;
        for (int y = 0; y < fb.yres; y++)
            for (int x = 0; x < fb.xres; x++)
                if (pixel(x, y) == BLACK) {
                    const Point p = screenToLayout(x, y, fb.xres, fb.yres, 400, 256);
                    inked[p.y][p.x] = true;
                    box.add(p.x, p.y);
                }
        ASSERT_FALSE(box.empty());
        EXPECT_GE(box.left, lx1);
        EXPECT_LE(box.right, lx2);
        EXPECT_GE(box.top, ly1);
        EXPECT_LE(box.bottom, ly2);
        EXPECT_GT(box.height(), box.width());          // an upright L is taller than wide
        EXPECT_TRUE(inked[box.top][box.left + 1]);     // stem, top
        EXPECT_TRUE(inked[box.bottom][box.right - 1]); // foot, right end
        EXPECT_FALSE(inked[box.top][box.right - 1]);   // open top right
        EXPECT_FALSE(inked[box.top + box.height() / 2][box.right - 1]);
    }
}

TEST_F(TextTest, HalfTurnSpinsGlyphPixelsAboutTheScreenCentre) {
    const uint8_t ink[] = {255};
    openScreen(400, 256, "0", true);
    drawGlyph({ink, 1, 1, 1}, 0, 0, 0, 0, 0, -1, -1, -1);
    EXPECT_EQ(pixel(399, 255), BLACK);
    drawGlyph({ink, 1, 1, 1}, 10, 3, 0, 0, 0, -1, -1, -1);
    EXPECT_EQ(pixel(389, 252), BLACK);

    resetFB();
    // Upright is 400 x 256 here; its far corner is screen (0, yres - 1) after the turns.
    openScreen(256, 400, "1", true);
    drawGlyph({ink, 1, 1, 1}, 0, 0, 0, 0, 0, -1, -1, -1);
    EXPECT_EQ(pixel(0, 399), BLACK);
}

// A font of bitmaps only, 8 pixels per em, at a depth of 1, 2 or 4 bits: an A, an 8 x 3
// frame whose middle row holds three inked pixels (at 0, 2 and 7; the 4 of the deeper
// fonts is too faint to draw), and a B, one column of three.
std::string blockFont(int bits) {
    const char* rows[3][3] = {
        {"FF", "A1", "80"}, {"FFFF", "C843", "C0"}, {"FFFFFFFF", "F080700F", "F0"}};
    const char* const* r = rows[bits / 2];
    const std::string a = std::string(r[0]) + "\n" + r[1] + "\n" + r[0] + "\n";
    const std::string b = std::string(r[2]) + "\n" + r[2] + "\n" + r[2] + "\n";
    return "STARTFONT 2.1\n"
           "FONT -pw-block-medium-r-normal--8-80-72-72-c-80-iso10646-1\n"
           "SIZE 8 72 72 " +
           std::to_string(bits) +
           "\nFONTBOUNDINGBOX 10 8 0 0\n"
           "STARTPROPERTIES 3\nPIXEL_SIZE 8\nFONT_ASCENT 8\nFONT_DESCENT 0\nENDPROPERTIES\n"
           "CHARS 2\n"
           "STARTCHAR A\nENCODING 65\nSWIDTH 1000 0\nDWIDTH 10 0\nBBX 8 3 1 2\nBITMAP\n" +
           a +
           "ENDCHAR\n"
           "STARTCHAR B\nENCODING 66\nSWIDTH 375 0\nDWIDTH 3 0\nBBX 1 3 0 2\nBITMAP\n" +
           b + "ENDCHAR\nENDFONT\n";
}

TEST_F(TextTest, BitmapFontsAreWidenedAndPlaced) {
    for (int bits : {1, 2, 4}) {
        SCOPED_TRACE(bits);
        closeFont();
        writeFile(dataFile("Block.bdf"), blockFont(bits));
        resetFB();
        openScreen(400, 256);
        drawText(100, 50, 200, 150, "AB", "Block.bdf", 8, ALIGN_LEFT | ALIGN_TOP, 0, 0, 0, -1, -1,
                 -1);
        EXPECT_EQ(debugLogText(), "");
        // The pen starts at x1, so the A (one pixel of bearing) begins at 101 and the B one
        // advance on, at 110. The baseline lies the box height, three rows, below y1; the
        // glyphs float two rows above it and so start two rows above y1.
        for (int y = 45; y <= 55; y++)
            for (int x = 98; x <= 115; x++) {
                const int cx = x - 101, cy = y - 48;
                const bool row = cy >= 0 && cy < 3;
                const bool inA =
                    row && cx >= 0 && cx < 8 && (cy != 1 || cx == 0 || cx == 2 || cx == 7);
                EXPECT_EQ(pixel(x, y), inA || (row && x == 110) ? BLACK : WHITE) << x << "," << y;
            }
    }
}

TEST_F(TextTest, FontsThatCannotBeLoadedAreReportedAndDrawNothing) {
    openScreen(400, 256);
    const std::string before = screenBytes();
    drawText(0, 0, 400, 256, "12.5", "Missing.ttf", 20, 0, 0, 0, 0, -1, -1, -1);
    drawText(0, 0, 400, 256, "12.5", "Missing.ttf", 20, 0, 0, 0, 0, -1, -1, -1);
    EXPECT_EQ(debugLogText(), "### Error loading font face!\n");
    EXPECT_EQ(screenBytes(), before);

    // Another name is a new font, and going back tries the missing one again.
    text(0, 0, 400, 256, "12.5", 20, 0);
    EXPECT_NE(screenBytes(), before);
    resetDebugLog(); // repeats are collapsed: forget the first report
    drawText(0, 0, 400, 256, "12.5", "Missing.ttf", 20, 0, 0, 0, 0, -1, -1, -1);
    EXPECT_EQ(debugLogText(), "### Error loading font face!\n### Error loading font face!\n");

    // A file that is there but no font fails the same way.
    writeFile(dataFile("Broken.ttf"), "not a font at all");
    resetDebugLog();
    clearScreen();
    drawText(0, 0, 400, 256, "1", "Broken.ttf", 20, 0, 0, 0, 0, -1, -1, -1);
    EXPECT_EQ(debugLogText(), "### Error loading font face!\n### Error loading font face!\n"
                              "### Error loading font face!\n");
    EXPECT_TRUE(inkBox().empty());

    // FreeType that cannot start, short of memory, is reported with the font's name and
    // draws nothing; the next font starts it again.
    closeFont();
    resetDebugLog();
    std::filesystem::remove(dataFile("Debug.log"));
    refuseArrays(true);
    text(0, 0, 400, 256, "1", 20, 0);
    refuseArrays(false);
    EXPECT_EQ(debugLogText(), std::string("### Error initializing library:\n### ") + FONT +
                                  "\n### Error loading font face!\n");
    EXPECT_TRUE(inkBox().empty());
    drawText(0, 0, 400, 256, "1", "Broken.ttf", 20, 0, 0, 0, 0, -1, -1, -1);
    text(0, 0, 400, 256, "1", 20, 0);
    EXPECT_FALSE(inkBox().empty());
}

// What the screens draw: the number display, the banner and the messages, grid labels
// and figures, a recap line, and every other printable character.
const char* const SCREEN_TEXTS[] = {"0123456789.",
                                    "Pumpwright 1.0.0",
                                    "not enough data",
                                    "not saved!",
                                    "=> 7.65",
                                    "12.57",
                                    "1 412.00 31.50 0.0 55.44 7.65 Sat Jan  4 13:55:22 2025",
                                    "!\"#$%&'()*+,-/:;<=>?@[\\]^_`{|}~",
                                    "ABCDEFGHIJKLMNOPQRSTUVWXYZ abcdefghijklmnopqrstuvwxyz"};

TEST_F(TextTest, KeptGlyphsDrawWhatRenderingInPlaceDraws) {
    struct Turn {
        int w, h;
        const char* rot90;
        bool half;
    };
    const Turn turns[] = {{400, 256, "0", false},
                          {256, 400, "1", false},
                          {400, 256, "0", true},
                          {256, 400, "1", true}};
    for (const Turn& t : turns) {
        resetFB();
        openScreen(t.w, t.h, t.rot90, t.half);
        for (int size : {10, 12, 16, 29})
            for (const char* s : SCREEN_TEXTS)
                for (int outline : {-1, 255}) {
                    SCOPED_TRACE(std::string(s) + " at " + std::to_string(size) + ", " + t.rot90 +
                                 (t.half ? " half" : "") + (outline < 0 ? "" : " outlined"));
                    // The same text twice (rendered, then kept), then in another place
                    // and partly off the screen (kept glyphs on other origins).
                    const int boxes[][4] = {{10, 20, 390, 90},
                                            {10, 20, 390, 90},
                                            {-37, 101, 233, 150},
                                            {150, -9, 600, 11}};
                    for (const auto& b : boxes) {
                        clearScreen();
                        referenceText(b[0], b[1], b[2], b[3], s, size, ALIGN_LEFT, outline);
                        const std::string expected = screenBytes();
                        clearScreen();
                        drawText(b[0], b[1], b[2], b[3], s, FONT, size, ALIGN_LEFT, 0, 0, 0,
                                 outline, 0, 0);
                        ASSERT_TRUE(screenBytes() == expected);
                    }
                }
    }
    EXPECT_EQ(debugLogText(), "");
}

TEST_F(TextTest, GlyphCacheStaysWithinItsBoundAndEmptiesWhenFull) {
    openScreen(400, 256);
    const char* all = SCREEN_TEXTS[8];
    text(0, 0, 400, 256, all, 30, 0);
    const GlyphCacheUse some = glyphCacheUse();
    EXPECT_EQ(some.glyphs, 53); // every letter and the space, once
    // Ever larger sizes fill the store; it is emptied before the text after the one
    // that did not fit, and the pixels stay those of rendering in place.
    bool emptied = false;
    std::size_t before = some.bytes;
    for (int size = 31; size < 200 && !emptied; size += 7) {
        text(0, 0, 400, 256, all, size, 0);
        const GlyphCacheUse use = glyphCacheUse();
        EXPECT_LE(use.bytes, GLYPH_CACHE_BYTES);
        EXPECT_LE(use.glyphs, GLYPH_CACHE_GLYPHS);
        emptied = use.bytes < before;
        before = use.bytes;
    }
    ASSERT_TRUE(emptied);
    clearScreen();
    referenceText(-100, 0, 400, 256, all, 90, ALIGN_LEFT, 255);
    const std::string expected = screenBytes();
    clearScreen();
    drawText(-100, 0, 400, 256, all, FONT, 90, ALIGN_LEFT, 0, 0, 0, 255, 0, 0);
    EXPECT_TRUE(screenBytes() == expected);
    // A glyph too large for the whole store is drawn and not kept.
    closeFont();
    text(0, 0, 400, 256, "W", 900, 0);
    EXPECT_FALSE(inkBox().empty());
    EXPECT_EQ(glyphCacheUse().glyphs, 0);
    // One that fills the store to the byte is kept: a strike of 512 x 512.
    std::string big = "STARTFONT 2.1\nFONT -pw-big--8-80-72-72-c-80-iso10646-1\nSIZE 8 72 72\n"
                      "FONTBOUNDINGBOX 512 512 0 0\nSTARTPROPERTIES 1\nPIXEL_SIZE 8\n"
                      "ENDPROPERTIES\nCHARS 1\nSTARTCHAR W\nENCODING 87\nSWIDTH 1000 0\n"
                      "DWIDTH 512 0\nBBX 512 512 0 0\nBITMAP\n";
    for (int j = 0; j < 512; j++)
        big += std::string(128, 'F') + "\n";
    writeFile(dataFile("Big.bdf"), big + "ENDCHAR\nENDFONT\n");
    drawText(0, 0, 400, 256, "W", "Big.bdf", 8, 0, 0, 0, 0, -1, -1, -1);
    EXPECT_EQ(glyphCacheUse().bytes, GLYPH_CACHE_BYTES);
    // Another face starts afresh.
    text(0, 0, 400, 256, "12", 20, 0);
    EXPECT_EQ(glyphCacheUse().glyphs, 2);
    writeFile(dataFile("Block.bdf"), blockFont(1));
    measureText("A", "Block.bdf", 8);
    EXPECT_EQ(glyphCacheUse().glyphs, 0);

    // Small sizes run out of entries first: the cache finds every kept glyph again, keeps
    // no more than its bound and empties before the next text.
    std::string printable;
    for (char c = ' '; c <= '~'; c++)
        printable += c; // 95 glyphs, laid out in two texts
    const auto both = [&](int size) {
        for (const std::string& half : {printable.substr(0, 48), printable.substr(48)})
            text(0, 0, 400, 256, half.c_str(), size, 0);
    };
    for (int pass = 0; pass < 2; pass++)
        for (int size = 1; size <= 10; size++)
            both(size);
    EXPECT_EQ(glyphCacheUse().glyphs, 950);
    both(11); // 74 more fit
    EXPECT_EQ(glyphCacheUse().glyphs, GLYPH_CACHE_GLYPHS);
    text(0, 0, 400, 256, "12", 20, 0);
    EXPECT_EQ(glyphCacheUse().glyphs, 2);
    EXPECT_EQ(debugLogText(), "");
}

// A glyph far larger than the screen and mostly off it (as a damaged font can hand
// over) draws only where it lands, exactly as every pixel of it would.
TEST_F(TextTest, GlyphsOffTheScreenDrawOnlyWhereTheyLand) {
    std::vector<uint8_t> cells(700 * 500);
    for (std::size_t k = 0; k < cells.size(); k++)
        cells[k] = static_cast<uint8_t>((k * 2654435761u >> 13) % 7 == 0 ? 200
                                        : k % 5 == 0                     ? 60
                                                                         : 0);
    const GlyphBitmap big{cells.data(), 700, 500, 700};
    for (const char* rot90 : {"0", "1"})
        for (bool half : {false, true})
            for (int outline : {-1, 255})
                for (const Point at : {Point{-300, -200}, Point{380, 240}, Point{-699, 5}}) {
                    resetFB();
                    openScreen(rot90[0] == '1' ? 256 : 400, rot90[0] == '1' ? 400 : 256, rot90,
                               half);
                    referenceGlyph(big, at.x, at.y, 0, 0, 0, outline, 0, 0);
                    const std::string expected = screenBytes();
                    clearScreen();
                    drawGlyph(big, at.x, at.y, 0, 0, 0, outline, 0, 0);
                    ASSERT_TRUE(screenBytes() == expected) << rot90 << half << outline << at.x;
                }

    // At the edges of FreeType's range (a pixel box within -32768..32767 about the origin)
    // a kept glyph is refused exactly where rendering it in place is: drawn there again once
    // it is kept from a place on the screen, it logs what the first draw did. Each sweep
    // crosses one edge.
    resetFB();
    openScreen(400, 256);
    for (const Point from :
         {Point{-32790, 20}, Point{32730, 20}, Point{20, -32550}, Point{20, 32960}}) {
        int refused = 0;
        for (int k = 0; k <= 40; ++k) {
            const int x = from.x + (from.x == 20 ? 0 : k), y = from.y + (from.y == 20 ? 0 : k);
            closeFont();
            resetDebugLog(); // each draw's refusal is written, not counted as a repeat
            const std::size_t before = debugLogText().size();
            text(x, y, x + 100, y + 70, "W", 16, ALIGN_LEFT);
            const std::size_t between = debugLogText().size();
            resetDebugLog();
            text(0, 0, 100, 70, "W", 16, ALIGN_LEFT);
            text(x, y, x + 100, y + 70, "W", 16, ALIGN_LEFT);
            const std::string log = debugLogText();
            const bool refusedRendered = log.find("Glyph_To_Bitmap", before) < between;
            EXPECT_EQ(log.find("Glyph_To_Bitmap", between) != std::string::npos, refusedRendered)
                << x << "," << y;
            refused += refusedRendered;
        }
        EXPECT_GT(refused, 0) << from.x << "," << from.y;
        EXPECT_LT(refused, 41) << from.x << "," << from.y;
    }

    // The largest size FreeType's 16-bit pixels per em and the device's 26.6 longs both
    // hold is taken; one more is refused with a word.
    for (const int size : {0x7FFF, 0x8000}) {
        resetDebugLog();
        const std::size_t before = debugLogText().size();
        text(0, 0, 100, 70, " ", size, ALIGN_LEFT);
        EXPECT_EQ(debugLogText().find("Error setting pixel size", before) != std::string::npos,
                  size > 0x7FFF)
            << size;
    }

    // A pen origin 2^24 pixels out or farther lies off every panel and would not fit
    // FreeType's 26.6 numbers: it is skipped without a word. One pixel nearer, the glyph
    // is tried, and refused.
    constexpr int FAR = 1 << 24;
    struct Origin {
        int x1, y2; // the pen starts at x1, on the baseline 256 - y2
        bool skipped;
    };
    for (const Origin o :
         {Origin{FAR, 100, true}, Origin{FAR - 1, 100, false}, Origin{-FAR, 100, true},
          Origin{1 - FAR, 100, false}, Origin{20, 256 + FAR, true}, Origin{20, 255 + FAR, false},
          Origin{20, 256 - FAR, true}, Origin{20, 257 - FAR, false}}) {
        resetDebugLog();
        const std::size_t before = debugLogText().size();
        text(o.x1, 0, o.x1 + 100, o.y2, "W", 16, ALIGN_LEFT | ALIGN_BOTTOM);
        EXPECT_EQ(debugLogText().find("Glyph_To_Bitmap", before) == std::string::npos, o.skipped)
            << o.x1 << "," << o.y2;
    }
}

} // namespace
