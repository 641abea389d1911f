#pragma once
// One-line text through FreeType, thresholded (no blending), in upright coordinates.

constexpr int ALIGN_TOP = 1;
constexpr int ALIGN_BOTTOM = 2;
constexpr int ALIGN_LEFT = 4;
constexpr int ALIGN_RIGHT = 8;

// Makes the named font (a file in the data directory) current.
void loadFont(const char* fontName);
// Draws text in the box (x1, y1)-(x2, y2), screen coordinates. An outline colour with
// any component -1 means no outline.
void drawText(int x1, int y1, int x2, int y2, const char* text, const char* fontName, int pixelSize,
              int flags, int r, int g, int b, int outlineR, int outlineG, int outlineB);
// Forgets the current font so the next drawText loads it again (tests).
void resetText();
