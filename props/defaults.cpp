// The compiled-in look: every environment key and the start-up user keys with their
// defaults, in the order start-up reads them. A designer's environment.txt overrides any
// of them; a first run writes them all out, so this table is also the file's template.
#include "props/layout.h"
#include "props/properties.h"

#include <algorithm>
#include <cstdint>
#include <string>

Layout layout;

// clang-format off
const ButtonDefault BUTTON_DEFAULTS[BUTTON_COUNT] = {
    // name            screen  x    y    w   h  size from
    {"1",              3,   5,   55, 77, 50, 0},
    {"2",              3,  83,   55, 77, 50, 0},
    {"3",              3, 160,   55, 77, 50, 0},
    {"4",              3,   5,  105, 77, 50, 0},
    {"5",              3,  83,  105, 77, 50, 0},
    {"6",              3, 160,  105, 77, 50, 0},
    {"7",              3,   5,  152, 77, 50, 0},
    {"8",              3,  83,  152, 77, 50, 0},
    {"9",              3, 160,  152, 77, 50, 0},
    {"C",              3,   5,  200, 77, 50, 0},
    {"0",              3,  83,  200, 77, 50, 0},
    {"DOT",            3, 160,  200, 77, 50, 0},
    {"DRIVEN",         1, 238,    5, 77, 50, 0},
    {"EXIT",           1, 315,    5, 77, 50, 0},
    {"REFILLED",       1, 238,   55, 77, 50, 0},
    {"CAR1",           1, 315,   55, 77, 50, 0},
    {"PAID",           1, 238,  105, 77, 50, 0},
    {"CAR2",           1, 315,  105, 77, 50, 0},
    {"SAVE",           1, 238,  152, 77, 50, 0},
    {"BIKE",           1, 315,  152, 77, 50, 0},
    {"STATS",          1, 238,  200, 77, 50, 0},
    {"CONFIG",         1, 315,  200, 77, 50, 0},
    {"FUELPER100DIST", 2, 238,    5, 77, 50, 1},
    {"BACK",           2, 315,    5, 77, 50, 1},
    {"DISTPERFUEL",    2, 238,   55, 77, 50, 1},
    {"CAR1FUELFULL",   2, 315,   55, 77, 50, 1},
    {"TOTALDIST",      2, 238,  105, 77, 50, 1},
    {"CAR2FUELFULL",   2, 315,  105, 77, 50, 1},
    {"TRIPDIST",       2, 238,  152, 77, 50, 1},
    {"BIKEFUELFULL",   2, 315,  152, 77, 50, 1},
    {"WHEELCHANGE",    2, 238,  200, 77, 50, 1},
    {"RECAP",          2, 315,  200, 77, 50, 0}, // on screen 1, sized like screen 0
};
// clang-format on

namespace {

// How a key is registered and where its reading goes.
enum class Kind {
    Text,   // text default, kept as text
    Int,    // text default, read as an integer
    Number, // number default (stored as "%0.1f"), read as an integer
    Flag,   // text default, on when its integer reading is 1
    Rect,   // five keys .screen .x .y .w .h with text defaults
    Listed, // text default, written to the file but read by nothing: the active
            // pictures are taken to be as large as the normal ones
};

struct Setting {
    Kind kind;
    const char* key;
    const char* text; // default of Text, Int and Flag keys
    float number;     // default of Number keys
    const char** textTarget;
    int* intTarget;
    bool* flagTarget;
    LayoutRect* rectTarget;
    int rectDefault[5]; // screen, x, y, w, h
    int sizeFrom;
};

// The fields a kind of setting does not use are left value-initialised.
constexpr Setting text(const char* key, const char* def, const char** target) {
    return {Kind::Text, key, def, {}, target, nullptr, nullptr, nullptr, {}, {}};
}
constexpr Setting integer(const char* key, const char* def, int* target) {
    return {Kind::Int, key, def, {}, nullptr, target, nullptr, nullptr, {}, {}};
}
constexpr Setting number(const char* key, float def, int* target) {
    return {Kind::Number, key, nullptr, def, nullptr, target, nullptr, nullptr, {}, {}};
}
constexpr Setting flag(const char* key, const char* def, bool* target) {
    return {Kind::Flag, key, def, {}, nullptr, nullptr, target, nullptr, {}, {}};
}
constexpr Setting listed(const char* key, const char* def) {
    return {Kind::Listed, key, def, {}, nullptr, nullptr, nullptr, nullptr, {}, {}};
}
constexpr Setting rect(const char* prefix, int screen, int x, int y, int w, int h, int sizeFrom,
                       LayoutRect* target) {
    return {Kind::Rect,           prefix,  nullptr, {}, nullptr, nullptr, nullptr, target,
            {screen, x, y, w, h}, sizeFrom};
}

// clang-format off
const Setting SETTINGS[] = {
    flag("P_ROT180", "0", &layout.halfTurn), // first read of all: loads properties.txt
    text("E_FONT.name", "Diduz.ovo", &layout.fontName), // loads environment.txt

    text   ("E_SCREEN.0.BG.name",        "s0.raw",  &layout.pictureName[PIC_S0]),
    integer("E_SCREEN.0.BG.w",           "400",     &layout.screenW[0]),
    integer("E_SCREEN.0.BG.h",           "256",     &layout.screenH[0]),
    text   ("E_SCREEN.0.BG.active.name", "s0a.raw", &layout.pictureName[PIC_S0A]),
    listed ("E_SCREEN.0.BG.active.w",    "400"),
    listed ("E_SCREEN.0.BG.active.h",    "256"),
    text   ("E_SCREEN.1.BG.name",        "s1.raw",  &layout.pictureName[PIC_S1]),
    integer("E_SCREEN.1.BG.w",           "400",     &layout.screenW[1]),
    integer("E_SCREEN.1.BG.h",           "256",     &layout.screenH[1]),
    text   ("E_SCREEN.1.BG.active.name", "s1a.raw", &layout.pictureName[PIC_S1A]),
    listed ("E_SCREEN.1.BG.active.w",    "400"),
    listed ("E_SCREEN.1.BG.active.h",    "256"),
    text   ("E_SCREEN.2.BG.name",        "s2.raw",  &layout.pictureName[PIC_S2]),
    integer("E_SCREEN.2.BG.w",           "400",     &layout.screenW[2]),
    integer("E_SCREEN.2.BG.h",           "256",     &layout.screenH[2]),

    rect   ("E_AREA.NUMINDISPLAY", 3, 20, 16, 202, 29, 0, &layout.numDisplay),
    integer("E_AREA.NUMINDISPLAY.fontsize", "29", &layout.numFontSize),
    number ("E_AREA.NUMINDISPLAY.r", 89, &layout.numColour.r),
    number ("E_AREA.NUMINDISPLAY.g", 98, &layout.numColour.g),
    number ("E_AREA.NUMINDISPLAY.b", 75, &layout.numColour.b),

    rect   ("E_AREA.STATDISPLAY", 28, 12, 11, 376, 231, 2, &layout.statDisplay),
    number ("E_AREA.STATDISPLAY.bg.r",             239, &layout.statBg.r),
    number ("E_AREA.STATDISPLAY.bg.g",             255, &layout.statBg.g),
    number ("E_AREA.STATDISPLAY.bg.b",             214, &layout.statBg.b),
    number ("E_AREA.STATDISPLAY.wires.r",          178, &layout.wires.r),
    number ("E_AREA.STATDISPLAY.wires.g",          196, &layout.wires.g),
    number ("E_AREA.STATDISPLAY.wires.b",          150, &layout.wires.b),
    number ("E_AREA.STATDISPLAY.wires.light.r",    195, &layout.wiresLight.r),
    number ("E_AREA.STATDISPLAY.wires.light.g",    215, &layout.wiresLight.g),
    number ("E_AREA.STATDISPLAY.wires.light.b",    165, &layout.wiresLight.b),
    number ("E_AREA.STATDISPLAY.text.fontsize",     12, &layout.textSize),
    number ("E_AREA.STATDISPLAY.bigtext.fontsize",  16, &layout.bigTextSize),
    number ("E_AREA.STATDISPLAY.smalltext.fontsize",10, &layout.smallTextSize),
    number ("E_AREA.STATDISPLAY.text.r",            89, &layout.text.r),
    number ("E_AREA.STATDISPLAY.text.g",            98, &layout.text.g),
    number ("E_AREA.STATDISPLAY.text.b",            75, &layout.text.b),
    number ("E_AREA.STATDISPLAY.dots.r",            89, &layout.dots.r),
    number ("E_AREA.STATDISPLAY.dots.g",            98, &layout.dots.g),
    number ("E_AREA.STATDISPLAY.dots.b",            75, &layout.dots.b),
    number ("E_AREA.STATDISPLAY.lines.r",          133, &layout.lines.r),
    number ("E_AREA.STATDISPLAY.lines.g",          147, &layout.lines.g),
    number ("E_AREA.STATDISPLAY.lines.b",          112, &layout.lines.b),
    number ("E_AREA.STATDISPLAY.avgline.r",        178, &layout.avgLine.r),
    number ("E_AREA.STATDISPLAY.avgline.g",        147, &layout.avgLine.g),
    number ("E_AREA.STATDISPLAY.avgline.b",         37, &layout.avgLine.b),
    integer("E_AREA.STATDISPLAY.screen.fueldist",  "4", &layout.screenFuelDist),
    integer("E_AREA.STATDISPLAY.screen.conprice",  "8", &layout.screenConPrice),
    integer("E_AREA.STATDISPLAY.screen.recap",    "16", &layout.screenRecap),

    flag   ("P_AREA.STATDISPLAY.fueldist.show.borders", "1",  &layout.showBorders),
    flag   ("P_AREA.STATDISPLAY.fueldist.show.rest",    "1",  &layout.showRest),
    flag   ("P_AREA.STATDISPLAY.fueldist.show.average", "1",  &layout.showAverage),
    flag   ("P_AREA.STATDISPLAY.fueldist.show.dots",    "1",  &layout.showDots),
    integer("P_AREA.STATDISPLAY.conprice.show.maxbars", "80", &layout.maxBars),
};
// clang-format on

const char* const RECT_FIELDS[5] = {".screen", ".x", ".y", ".w", ".h"};

// Right or bottom edge. A hand-edited file may hold anything; the sum is held within the
// record's 32 bits instead of overflowing.
int32_t edge(int start, int size) {
    const long long sum = static_cast<long long>(start) + size;
    return static_cast<int32_t>(std::clamp<long long>(sum, INT32_MIN, INT32_MAX));
}

// Reads the five keys of a rectangle in order and builds its record.
LayoutRect readRect(const std::string& prefix, const int (&defaults)[5], int sizeFrom) {
    int v[5];
    for (int i = 0; i < 5; ++i)
        v[i] = getPropertyInt(prefix + RECT_FIELDS[i], std::to_string(defaults[i]).c_str());
    return {v[0],
            v[1],
            v[2],
            edge(v[1], v[3]),
            edge(v[2], v[4]),
            layout.screenW[sizeFrom],
            layout.screenH[sizeFrom]};
}

void apply(const Setting& s) {
    switch (s.kind) {
    case Kind::Text:
        *s.textTarget = getProperty(s.key, s.text);
        break;
    case Kind::Int:
        *s.intTarget = getPropertyInt(s.key, s.text);
        break;
    case Kind::Number:
        *s.intTarget = getPropertyInt(s.key, s.number);
        break;
    case Kind::Flag:
        *s.flagTarget = getPropertyInt(s.key, s.text) == 1;
        break;
    case Kind::Rect:
        *s.rectTarget = readRect(s.key, s.rectDefault, s.sizeFrom);
        break;
    case Kind::Listed:
        getProperty(s.key, s.text);
        break;
    }
}

} // namespace

void loadLayout() {
    for (const Setting& s : SETTINGS)
        apply(s);
    // Text sizes beyond every panel (FreeType refuses them anyway) are held here, so that
    // row heights and spacing computed from them cannot overflow.
    for (int* size :
         {&layout.numFontSize, &layout.textSize, &layout.bigTextSize, &layout.smallTextSize})
        *size = std::clamp(*size, -MAX_TEXT_SIZE, MAX_TEXT_SIZE);
    for (int i = 0; i < BUTTON_COUNT; ++i) {
        const ButtonDefault& d = BUTTON_DEFAULTS[i];
        const int defaults[5] = {d.screen, d.x, d.y, d.w, d.h};
        layout.buttons[i] = readRect(std::string("E_BUTTON.") + d.name, defaults, d.sizeFrom);
    }
}
