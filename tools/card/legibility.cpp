// pumpwright-legibility FONT...
//
// How well each font survives the program's text rendering, where a pixel takes the text
// colour only when the glyph covers more than half of it (display/text.cpp). For every
// text the default screens draw, at every size they draw it on a 320x240, 400x256, 480x272
// and 800x480 card (the layout scaled as `pumpwright-card --size` scales it), each glyph
// is rendered twice from the same hinted outline: thresholded as on the device, and eight
// times finer as the glyph's own shape. Along the middle line of every pixel row and
// column the fine shape is cut into stroke crossings; a crossing at least half a pixel
// thick that runs through the whole pixel line but has no inked pixel under it is a
// stroke that vanished. Also counted: the card maker's button labels that no longer fit
// their keys at their preferred size, and those it drops (a word, or a caption under it,
// that fits at no size it allows).
#include "tools/card/card_labels.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_GLYPH_H
#include FT_OUTLINE_H

namespace {

constexpr int FINE = 8;
constexpr int LAYOUT_W = 400, LAYOUT_H = 256;
struct Panel {
    int w, h;
};
constexpr Panel PANELS[] = {{320, 240}, {400, 256}, {480, 272}, {800, 480}};

// The recap's log lines end in ctime stamps.
constexpr const char* RECAP =
    "0123456789. : SunMonTueWedThuFriSat JanFebMarAprMayJunJulAugSepOctNovDec";
struct Count {
    long lost = 0, crossings = 0;
};

bool inked(const FT_Bitmap& b, int x, int y) {
    return x >= 0 && y >= 0 && x < static_cast<int>(b.width) && y < static_cast<int>(b.rows) &&
           b.buffer[y * b.pitch + x] > 128;
}

// Crossings of the fine shape along one pixel line and how many have no ink below them.
// fine(t, d) says whether fine sample t along the line, d fine steps across it, is inside
// the glyph; coarse(c) whether pixel c along the line is inked.
template <typename Fine, typename Coarse>
void crossLine(int length, Fine fine, Coarse coarse, Count& count) {
    auto across = [&fine](int from, int to, int d) {
        for (int t = from; t < to; ++t)
            if (fine(t, d))
                return true;
        return false;
    };
    for (int t = 0; t < length * FINE;) {
        if (!fine(t, FINE / 2)) {
            ++t;
            continue;
        }
        const int start = t;
        while (fine(t, FINE / 2)) // none past the line's end: the fine shape ends there
            ++t;
        // A stroke runs through the whole pixel line, at least half a pixel thick; the
        // tip of a curve or the edge of a bar only touching the line is none.
        if (t - start < FINE / 2 || !across(start, t, 1) || !across(start, t, FINE - 2))
            continue;
        ++count.crossings;
        bool seen = false;
        for (int c = start / FINE; c <= (t - 1) / FINE && !seen; ++c)
            seen = coarse(c);
        count.lost += !seen;
    }
}

Count measureGlyph(FT_Library library, FT_Face face, FT_UInt index) {
    Count count;
    if (FT_Load_Glyph(face, index, FT_LOAD_DEFAULT) != 0 ||
        face->glyph->format != FT_GLYPH_FORMAT_OUTLINE)
        return count;
    FT_Glyph glyph;
    if (FT_Get_Glyph(face->glyph, &glyph) != 0)
        return count;
    FT_Glyph image = glyph;
    if (FT_Glyph_To_Bitmap(&image, FT_RENDER_MODE_NORMAL, nullptr, 0) != 0) {
        FT_Done_Glyph(glyph);
        return count;
    }
    const FT_BitmapGlyph coarse = reinterpret_cast<FT_BitmapGlyph>(image);
    const FT_Bitmap& low = coarse->bitmap;
    const int w = static_cast<int>(low.width), rows = static_cast<int>(low.rows);
    if (w > 0 && rows > 0) {
        // The same outline eight times larger, its box on the coarse bitmap's pixels.
        FT_Outline outline;
        FT_Outline_New(library, face->glyph->outline.n_points, face->glyph->outline.n_contours,
                       &outline);
        FT_Outline_Copy(&face->glyph->outline, &outline);
        FT_Matrix scale{FINE << 16, 0, 0, FINE << 16};
        FT_Outline_Transform(&outline, &scale);
        FT_Outline_Translate(&outline, -coarse->left * 64 * FINE,
                             -(coarse->top - rows) * 64 * FINE);
        std::vector<unsigned char> pixels(static_cast<std::size_t>(w) * FINE * rows * FINE);
        FT_Bitmap high{};
        high.width = static_cast<unsigned>(w * FINE);
        high.rows = static_cast<unsigned>(rows * FINE);
        high.pitch = w * FINE;
        high.buffer = pixels.data();
        high.num_grays = 256;
        high.pixel_mode = FT_PIXEL_MODE_GRAY;
        FT_Outline_Get_Bitmap(library, &outline, &high);
        FT_Outline_Done(library, &outline);
        for (int y = 0; y < rows; ++y)
            crossLine(
                w, [&](int t, int d) { return inked(high, t, y * FINE + d); },
                [&](int c) { return inked(low, c, y); }, count);
        for (int x = 0; x < w; ++x)
            crossLine(
                rows, [&](int t, int d) { return inked(high, x * FINE + d, t); },
                [&](int c) { return inked(low, x, c); }, count);
    }
    FT_Done_Glyph(image);
    FT_Done_Glyph(glyph);
    return count;
}

// Width of the string box the program aligns, as display/text.cpp lays it out.
int textWidth(FT_Face face, const std::string& text, int size) {
    FT_Set_Char_Size(face, 0, size * 64, 0, 0);
    long pen = 0, xMin = 1 << 30, xMax = -(1 << 30);
    FT_UInt previous = 0;
    for (const unsigned char c : text) {
        const FT_UInt index = FT_Get_Char_Index(face, c);
        FT_Vector delta;
        if (FT_HAS_KERNING(face) && previous && index &&
            FT_Get_Kerning(face, previous, index, FT_KERNING_DEFAULT, &delta) == 0)
            pen += delta.x;
        if (FT_Load_Glyph(face, index, FT_LOAD_DEFAULT) != 0)
            continue;
        FT_Glyph glyph;
        if (FT_Get_Glyph(face->glyph, &glyph) != 0)
            continue;
        FT_BBox box;
        FT_Glyph_Get_CBox(glyph, FT_GLYPH_BBOX_PIXELS, &box);
        xMin = std::min(xMin, box.xMin + (pen >> 6));
        xMax = std::max(xMax, box.xMax + (pen >> 6));
        pen += face->glyph->advance.x;
        previous = index;
        FT_Done_Glyph(glyph);
    }
    return xMax > xMin ? static_cast<int>(xMax - xMin) : 0;
}

// The card maker's fitting: the largest size from size down to smallest that fits room.
int fitted(FT_Face face, const std::string& text, int size, int smallest, int room) {
    for (; size >= smallest; --size)
        if (textWidth(face, text, size) <= room)
            return size;
    return 0;
}

struct PanelResult {
    Count count;
    int shrunk = 0, dropped = 0;
    std::set<std::string> losers; // "n@9"
};

PanelResult measurePanel(FT_Library library, FT_Face face, const Panel& panel) {
    const double sx = static_cast<double>(panel.w) / LAYOUT_W;
    const double sy = static_cast<double>(panel.h) / LAYOUT_H;
    const double s = std::min(sx, sy);
    auto scaled = [s](int size) { return static_cast<int>(std::lround(size * s)); };
    PanelResult result;
    std::map<int, std::set<unsigned char>> drawn; // size -> characters
    auto add = [&drawn](const std::string& text, int size) {
        if (size > 0)
            drawn[size].insert(text.begin(), text.end());
    };
    add("0123456789.ok", scaled(29));
    add("Pumpwright " PUMPWRIGHT_VERSION, 9); // the banner, at its fixed size
    add("0123456789.", scaled(12));
    add("0123456789.not enough data", scaled(16));
    add(RECAP, scaled(10));
    // Keys are 77 layout points wide; a label's room is the face less rim and margins,
    // as the card maker draws it.
    const int room = static_cast<int>(std::lround(77 * sx)) - 14;
    auto label = [&](const char* text, int preferred, int smallest) {
        const int size = fitted(face, text, preferred, smallest, room);
        result.shrunk += size != preferred;
        result.dropped += size == 0;
        add(text, size);
    };
    for (const Label& l : LABELS) {
        if (l.text[1] == '\0') {
            add(l.text, fitted(face, l.text, l.text[0] == '.' ? POINT_SIZE : DIGIT_SIZE,
                               SMALLEST_WORD_SIZE, room));
            continue;
        }
        label(l.text, WORD_SIZE, SMALLEST_WORD_SIZE);
        if (l.caption)
            label(l.caption, CAPTION_SIZE, SMALLEST_CAPTION_SIZE);
    }
    add(HINT_TEXT, fitted(face, HINT_TEXT, HINT_SIZE, SMALLEST_WORD_SIZE,
                          static_cast<int>(std::lround(376 * sx))));

    for (const auto& [size, characters] : drawn) {
        FT_Set_Char_Size(face, 0, size * 64, 0, 0);
        for (const unsigned char c : characters) {
            if (c == ' ')
                continue;
            const Count one = measureGlyph(library, face, FT_Get_Char_Index(face, c));
            result.count.lost += one.lost;
            result.count.crossings += one.crossings;
            if (one.lost)
                result.losers.insert(std::string(1, static_cast<char>(c)) + "@" +
                                     std::to_string(size));
        }
    }
    return result;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs("usage: pumpwright-legibility FONT...\n", stderr);
        return 2;
    }
    FT_Library library;
    if (FT_Init_FreeType(&library) != 0)
        return 1;
    // the labels are counted on the smallest panel, the first
    const auto size = [](const Panel& p) {
        return std::to_string(p.w) + "x" + std::to_string(p.h);
    };
    std::string header = "| font | lost strokes", rule = "|---|";
    for (const Panel& panel : PANELS) {
        header += " " + size(panel) + " |";
        rule += "---|";
    }
    std::printf("%s all | labels shrunk / dropped (%s) |\n%s---|---|\n", header.c_str(),
                size(PANELS[0]).c_str(), rule.c_str());
    int status = 0;
    for (int i = 1; i < argc; ++i) {
        FT_Face face;
        if (FT_New_Face(library, argv[i], 0, &face) != 0) {
            std::fprintf(stderr, "pumpwright-legibility: cannot open %s\n", argv[i]);
            status = 1;
            continue;
        }
        std::string row = std::string("| ") + face->family_name + " " + face->style_name + " |";
        long lost = 0, crossings = 0;
        std::set<std::string> losers;
        int shrunk = 0, dropped = 0;
        for (const Panel& panel : PANELS) {
            const PanelResult r = measurePanel(library, face, panel);
            row += " " + std::to_string(r.count.lost) + " |";
            lost += r.count.lost;
            crossings += r.count.crossings;
            losers.insert(r.losers.begin(), r.losers.end());
            if (&panel == PANELS) {
                shrunk = r.shrunk;
                dropped = r.dropped;
            }
        }
        char tail[160];
        std::snprintf(tail, sizeof tail, " %ld of %ld (%.2f %%) | %d / %d |", lost, crossings,
                      crossings ? 100.0 * lost / crossings : 0.0, shrunk, dropped);
        std::printf("%s%s\n", row.c_str(), tail);
        std::string list;
        for (const std::string& l : losers)
            list += " " + l;
        std::fprintf(stderr, "%s %s: losing%s\n", face->family_name, face->style_name,
                     list.c_str());
        FT_Done_Face(face);
    }
    FT_Done_FreeType(library);
    return status;
}
