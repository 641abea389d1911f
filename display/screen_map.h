#pragma once
// Every map between the coordinate systems of the program, and their inverses:
// - layout: the pictures' own coordinates, in which every rectangle is given;
// - screen: the panel's pixels, as the framebuffer addresses them;
// - upright: the screen as the user sees it, turned back by the quarter turn (text is
//   laid out upright).
// The quarter turn (P_ROT90) suits a portrait panel to the landscape pictures; the half
// turn (P_ROT180) a panel mounted upside down. Both are the framebuffer's (fb).
#include "display/framebuffer.h"

// Layout point (x, y) of a layoutW by layoutH picture on a screenW by screenH screen,
// the quarter turn included; the half turn is left to applyHalfTurn, because text boxes
// are turned by the text itself.
Point layoutToScreen(int x, int y, int layoutW, int layoutH, int screenW, int screenH);
// The inverse, both turns included.
Point screenToLayout(int x, int y, int screenW, int screenH, int layoutW, int layoutH);
// Screen point p turned by the half turn when it is set: (xres - 1 - x, yres - 1 - y).
Point applyHalfTurn(Point p);

// Upright point on the screen: (xres - 1 - y, x) with the quarter turn.
inline Point uprightToScreen(int x, int y) {
    if (fb.quarterTurn)
        return {fb.xres - 1 - y, x};
    return {x, y};
}
// The inverse: (y, xres - 1 - x) with the quarter turn.
inline Point screenToUpright(int x, int y) {
    if (fb.quarterTurn)
        return {y, fb.xres - 1 - x};
    return {x, y};
}
// Height of the upright screen.
inline int uprightHeight() {
    return fb.quarterTurn ? fb.xres : fb.yres;
}
// Upright point turned by the half turn about the centre of the upright screen.
inline Point halfTurnUpright(int x, int y) {
    if (!fb.halfTurn)
        return {x, y};
    const int w = fb.quarterTurn ? fb.yres : fb.xres;
    return {w - 1 - x, uprightHeight() - 1 - y};
}

// Layout point of a touch at (x, y). The touch controller reports upright coordinates:
// on a quarter-turned panel x runs along the long side, so only the divisors change
// places. A hand-edited layout size can push a touch far outside the screen; it is held
// within int, where it hits nothing.
Point touchToLayout(int x, int y, int layoutW, int layoutH);
