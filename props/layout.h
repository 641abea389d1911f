#pragma once
// The look of the program as read from the environment at start-up: every rectangle,
// colour, text size and picture name, with the compiled-in defaults in defaults.cpp.
#include <cstdint>

// A button or display area in layout coordinates. Both edges are inclusive, so a
// rectangle covers w + 1 by h + 1 points.
struct LayoutRect {
    int32_t mask;    // bit n set: present on screen n
    int32_t x1, y1;  // top-left corner
    int32_t x2, y2;  // x + w, y + h
    int32_t layoutW; // size of the picture the rectangle is painted from
    int32_t layoutH;
};
constexpr LayoutRect NO_BUTTON{0, 0, 0, 0, 0, 0, 0};
// Two targets are the same when their corners are; mask and layout size do not count.
inline bool sameTarget(const LayoutRect& a, const LayoutRect& b) {
    return a.x1 == b.x1 && a.y1 == b.y1 && a.x2 == b.x2 && a.y2 == b.y2;
}

struct Colour {
    int r, g, b;
};

constexpr int SCREEN_COUNT = 5;

// Buttons in the order start-up reads them (and keeps their records).
// clang-format off
enum Button {
    BTN_1, BTN_2, BTN_3, BTN_4, BTN_5, BTN_6, BTN_7, BTN_8, BTN_9, BTN_C, BTN_0, BTN_DOT,
    BTN_DRIVEN, BTN_EXIT, BTN_REFILLED, BTN_CAR1, BTN_PAID, BTN_CAR2, BTN_SAVE, BTN_BIKE,
    BTN_STATS, BTN_CONFIG, BTN_FUELPER100DIST, BTN_BACK, BTN_DISTPERFUEL, BTN_CAR1FUELFULL,
    BTN_TOTALDIST, BTN_CAR2FUELFULL, BTN_TRIPDIST, BTN_BIKEFUELFULL, BTN_WHEELCHANGE, BTN_RECAP,
    BUTTON_COUNT
};
// clang-format on

// Compiled-in default of one button.
struct ButtonDefault {
    const char* name; // as in the keys E_BUTTON.<name>.x
    int screen, x, y, w, h;
    int sizeFrom; // which E_SCREEN.<n>.BG picture size the record takes
};
extern const ButtonDefault BUTTON_DEFAULTS[BUTTON_COUNT];

// Picture slots in load order: s0, s0a, s1, s1a, s2.
enum Picture { PIC_S0, PIC_S0A, PIC_S1, PIC_S1A, PIC_S2, PICTURE_COUNT };

struct Layout {
    bool halfTurn; // P_ROT180
    const char* fontName;
    const char* pictureName[PICTURE_COUNT];
    int screenW[3], screenH[3]; // E_SCREEN.<n>.BG.w / .h

    LayoutRect numDisplay;
    int numFontSize;
    Colour numColour;

    LayoutRect statDisplay;
    Colour statBg, wires, wiresLight;
    int textSize, bigTextSize, smallTextSize;
    Colour text, dots, lines, avgLine;
    int screenFuelDist, screenConPrice, screenRecap; // mask bits of the three statistics views

    bool showBorders, showRest, showAverage, showDots;
    int maxBars;

    LayoutRect buttons[BUTTON_COUNT];
};
extern Layout layout;

// Reads every environment key and the start-up user keys with their defaults, in the
// registration order (P_ROT180 first, then E_FONT.name), and builds the records.
void loadLayout();
