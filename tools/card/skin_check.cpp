#include "tools/card/skin_check.h"

#include "base/paths.h"
#include "display/text.h"
#include "props/layout.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <filesystem>
#include <set>

#include <ft2build.h>
#include FT_FREETYPE_H

namespace fs = std::filesystem;

namespace {

// Text below this many pixels loses its strokes in the thresholded rendering.
constexpr int SMALLEST_TEXT = 7;
// The default keypad rows overlap by up to four rows (edges count to both keys); the
// earlier key in hit order takes the strip. Anything deeper hides part of a key.
constexpr int TOLERATED_OVERLAP = 4;

// Everything the program writes on the screens: numbers in every printf form it uses,
// the recap's log lines with their ctime stamps, and its fixed words.
constexpr const char* DRAWN_TEXT = "0123456789.-+e infnan ok not enough data Pumpwright "
                                   "SunMonTueWedThuFriSat JanFebMarAprMayJunJulAugSepOctNovDec"
                                   " :" PUMPWRIGHT_VERSION;

const char* const PICTURE_KEYS[PICTURE_COUNT] = {"E_SCREEN.0.BG.name", "E_SCREEN.0.BG.active.name",
                                                 "E_SCREEN.1.BG.name", "E_SCREEN.1.BG.active.name",
                                                 "E_SCREEN.2.BG.name"};
constexpr int PICTURE_SCREENS[PICTURE_COUNT] = {0, 0, 1, 1, 2};

// Files the program keeps on the card: a picture or font name must never hit one.
constexpr const char* CARD_FILES[] = {"environment.txt", "properties.txt", "consumption.txt",
                                      "events.txt", "Debug.log"};

// What is wrong with a name for a file in the card's folder; empty when nothing is.
std::string nameProblem(const char* name) {
    if (!*name || std::strchr(name, '/') || !std::strcmp(name, ".") || !std::strcmp(name, ".."))
        return std::string("\"") + name + "\" is not a plain file name";
    for (const char* kept : CARD_FILES)
        if (!std::strcmp(name, kept))
            return std::string("\"") + name + "\" is one of the card's own files";
    return "";
}

std::string screenKey(int screen, const char* field) {
    return "E_SCREEN." + std::to_string(screen) + ".BG." + field;
}

std::string size(int w, int h) {
    return std::to_string(w) + "x" + std::to_string(h);
}

struct Checker {
    std::vector<SkinProblem> problems;

    void report(const std::string& key, const std::string& what) {
        problems.push_back({key, what});
    }

    bool usableScreen[3] = {};

    void checkScreens() {
        for (int s = 0; s < 3; ++s) {
            const int w = layout.screenW[s], h = layout.screenH[s];
            usableScreen[s] = usableSide(w) && usableSide(h);
            if (!usableScreen[s])
                report(screenKey(s, usableSide(w) ? "h" : "w"),
                       "picture size " + size(w, h) + " is not usable (1 to " +
                           std::to_string(MAX_SIDE) + " a side)");
        }
    }

    void checkScreenSizesAgree() {
        for (int s = 1; s < 3; ++s) {
            const int w = layout.screenW[s], h = layout.screenH[s];
            if (w != layout.screenW[0] || h != layout.screenH[0])
                report(screenKey(s, w != layout.screenW[0] ? "w" : "h"),
                       "is " + size(w, h) + " but whole screens are painted at " +
                           size(layout.screenW[0], layout.screenH[0]) + " (E_SCREEN.0.BG.w, .h)");
        }
    }

    bool plainPicture[PICTURE_COUNT] = {};
    bool plainFont = false;

    void checkNames() {
        for (int slot = 0; slot < PICTURE_COUNT; ++slot) {
            const std::string what = nameProblem(layout.pictureName[slot]);
            plainPicture[slot] = what.empty();
            if (!plainPicture[slot])
                report(PICTURE_KEYS[slot], what);
        }
        const std::string what = nameProblem(layout.fontName);
        plainFont = what.empty();
        if (!plainFont)
            report("E_FONT.name", what);
    }

    // A picture of a size already found unusable has no byte count to hold.
    void checkPictures(int bits) {
        for (int slot = 0; slot < PICTURE_COUNT; ++slot) {
            const int s = PICTURE_SCREENS[slot];
            if (!plainPicture[slot] || !usableScreen[s])
                continue;
            const std::string path = dataPath(layout.pictureName[slot]);
            std::error_code ec;
            if (!fs::is_regular_file(path, ec)) {
                report(PICTURE_KEYS[slot], std::string("no picture ") + layout.pictureName[slot]);
                continue;
            }
            const auto bytes = static_cast<unsigned long long>(fs::file_size(path, ec));
            const unsigned long long pixels = static_cast<unsigned long long>(layout.screenW[s]) *
                                              static_cast<unsigned long long>(layout.screenH[s]);
            if (bits == 0)
                bits = bytes == pixels * 4 ? 32 : 16;
            if (bytes != pixels * (bits / CHAR_BIT))
                report(PICTURE_KEYS[slot], std::string(layout.pictureName[slot]) + " holds " +
                                               std::to_string(bytes) + " bytes; " +
                                               size(layout.screenW[s], layout.screenH[s]) + " at " +
                                               std::to_string(bits) + " bits needs " +
                                               std::to_string(pixels * (bits / CHAR_BIT)));
        }
    }

    // A rectangle inside its picture, with a size; false when it is not.
    bool checkRect(const std::string& prefix, const LayoutRect& r) {
        const size_t before = problems.size();
        if (r.mask < 0 || r.mask >= (1 << SCREEN_COUNT))
            report(prefix + ".screen", "names screens beyond 0.." +
                                           std::to_string(SCREEN_COUNT - 1) +
                                           " (a sum of 1, 2, 4, 8, 16)");
        if (r.x2 <= r.x1)
            report(prefix + ".w", "is not positive");
        if (r.y2 <= r.y1)
            report(prefix + ".h", "is not positive");
        if (r.x1 < 0)
            report(prefix + ".x", "lies left of the picture");
        if (r.y1 < 0)
            report(prefix + ".y", "lies above the picture");
        if (r.x2 > r.layoutW)
            report(prefix + (r.x1 >= r.layoutW ? ".x" : ".w"), "reaches x " + std::to_string(r.x2) +
                                                                   ", beyond the picture's width " +
                                                                   std::to_string(r.layoutW));
        if (r.y2 > r.layoutH)
            report(prefix + (r.y1 >= r.layoutH ? ".y" : ".h"),
                   "reaches y " + std::to_string(r.y2) + ", beyond the picture's height " +
                       std::to_string(r.layoutH));
        return problems.size() == before;
    }

    bool soundButton[BUTTON_COUNT] = {};
    bool soundNumber = false, soundStats = false;

    void checkShapes() {
        checkScreens();
        for (int i = 0; i < BUTTON_COUNT; ++i)
            soundButton[i] = checkRect(buttonKey(i), layout.buttons[i]);
        soundNumber = checkRect("E_AREA.NUMINDISPLAY", layout.numDisplay);
        soundStats = checkRect("E_AREA.STATDISPLAY", layout.statDisplay);
    }

    void checkOverlaps() {
        for (int s = 0; s < SCREEN_COUNT; ++s)
            for (int i = 0; i < BUTTON_COUNT; ++i)
                for (int j = i + 1; j < BUTTON_COUNT; ++j) {
                    const LayoutRect& a = layout.buttons[i];
                    const LayoutRect& b = layout.buttons[j];
                    if (!soundButton[i] || !soundButton[j] || !(a.mask & b.mask & (1 << s)))
                        continue;
                    // Edges are inclusive: a touch on either edge line hits the button.
                    const int w = std::min(a.x2, b.x2) - std::max(a.x1, b.x1) + 1;
                    const int h = std::min(a.y2, b.y2) - std::max(a.y1, b.y1) + 1;
                    if (std::min(w, h) > TOLERATED_OVERLAP)
                        report(buttonKey(j) + ".x", "overlaps " + buttonKey(i) + " by " +
                                                        size(w, h) + " points on screen " +
                                                        std::to_string(s));
                }
    }

    void checkText(const std::string& key, int textSize, const LayoutRect& box) {
        const int height = box.y2 - box.y1 + 1;
        if (textSize < SMALLEST_TEXT)
            report(key, std::to_string(textSize) + " pixels is too small to read (at least " +
                            std::to_string(SMALLEST_TEXT) + ")");
        else if (textSize > height)
            report(key, std::to_string(textSize) + " pixels is taller than its area (" +
                            std::to_string(height) + ")");
    }

    void checkTextSizes() {
        if (soundNumber)
            checkText("E_AREA.NUMINDISPLAY.fontsize", layout.numFontSize, layout.numDisplay);
        if (soundStats) {
            checkText("E_AREA.STATDISPLAY.text.fontsize", layout.textSize, layout.statDisplay);
            checkText("E_AREA.STATDISPLAY.bigtext.fontsize", layout.bigTextSize,
                      layout.statDisplay);
            checkText("E_AREA.STATDISPLAY.smalltext.fontsize", layout.smallTextSize,
                      layout.statDisplay);
        }
    }

    // The device's own FreeType set-up (display/freetype_modules.cpp) opens the font.
    void checkFont() {
        if (!plainFont)
            return;
        const std::string path = dataPath(layout.fontName);
        std::error_code ec;
        if (!fs::is_regular_file(path, ec)) {
            report("E_FONT.name", std::string("no font file ") + layout.fontName);
            return;
        }
        FT_Library library = nullptr;
        FT_Face face = nullptr;
        if (FT_Init_FreeType(&library) != 0) {
            report("E_FONT.name", "FreeType does not start");
            return;
        }
        const FT_Error error = FT_New_Face(library, path.c_str(), 0, &face);
        if (error != 0) {
            report("E_FONT.name", std::string(layout.fontName) +
                                      " does not open with the device's font modules (FreeType "
                                      "error " +
                                      std::to_string(error) + ")");
        } else {
            std::string missing;
            for (const unsigned char c : std::set<unsigned char>(
                     DRAWN_TEXT, DRAWN_TEXT + std::char_traits<char>::length(DRAWN_TEXT)))
                if (c != ' ' && FT_Get_Char_Index(face, c) == 0)
                    missing += static_cast<char>(c);
            if (!missing.empty())
                report("E_FONT.name",
                       std::string(layout.fontName) + " has no glyph for \"" + missing + "\"");
            FT_Done_Face(face);
        }
        FT_Done_FreeType(library);
    }
};

} // namespace

bool usableSide(int side) {
    return side >= 1 && side <= MAX_SIDE;
}

std::string buttonKey(int button) {
    return std::string("E_BUTTON.") + BUTTON_DEFAULTS[button].name;
}

int pictureScreen(int slot) {
    return PICTURE_SCREENS[slot];
}

std::vector<SkinProblem> checkShapes() {
    Checker checker;
    checker.checkShapes();
    return checker.problems;
}

std::vector<SkinProblem> checkNames() {
    Checker checker;
    checker.checkNames();
    return checker.problems;
}

std::vector<SkinProblem> checkSkin(int bitsPerPixel) {
    Checker checker;
    checker.checkNames();
    checker.checkShapes();
    checker.checkScreenSizesAgree();
    checker.checkPictures(bitsPerPixel);
    checker.checkOverlaps();
    checker.checkTextSizes();
    checker.checkFont();
    return checker.problems;
}
