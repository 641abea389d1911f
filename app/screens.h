#pragma once
// The pictures of each screen, and a button or area painted from them.
#include "display/image.h"
#include "props/layout.h"

struct ImagePair {
    const Image* normal = nullptr;
    const Image* active = nullptr;
};
// Per screen the normal and the active picture; screens 2, 3 and 4 share s2 in both.
extern ImagePair imageTable[SCREEN_COUNT];

// Paints rect from the normal or active picture of screen, if rect is on that screen.
void drawButtonImage(int screen, const LayoutRect& rect, bool active);

// The turns of the settings for the framebuffer just opened: a square or portrait panel
// is turned a quarter by default, because the pictures are landscape (P_ROT90); the half
// turn is a start-up setting (P_ROT180).
void applyScreenTurns();
