#pragma once
// What the two statistics drawings share: they speak layout coordinates only, and these
// put them on the screen. Computed coordinates become layout points through truncToInt
// (base/numeric.h), which a log edited by hand cannot overflow.
#include "base/numeric.h"
#include "display/screen_map.h"
#include "props/layout.h"

// Start values of a scan for the smallest and the largest value of a graph.
constexpr double MIN_START = 999999.0;
constexpr double MAX_START = -99999.0;

// A layout point on the screen, half turn applied: for wires, lines, dots and bars.
Point plotPoint(int x, int y);
// A layout point on the screen for a text box: drawText turns the text itself.
Point textPoint(int x, int y);

// The filled rectangle between two layout points.
void plotRect(int x1, int y1, int x2, int y2, const Colour& c);
// A raised box (lighter top and left edge, darker bottom and right) between two layout points.
void plotRaisedBox(int x1, int y1, int x2, int y2, const Colour& c);
// A dot of 7 by 7 screen pixels centred on a layout point.
void plotDot(int x, int y, const Colour& c);
// Line between two layout points, in screen pixels.
void plotLine(int ax, int ay, int bx, int by, const Colour& c, double width);
// Text in the box between two layout points; outline (-1, -1, -1) draws none.
void plotText(int ax, int ay, int bx, int by, const char* text, int size, int flags,
              const Colour& c, const Colour& outline);

constexpr Colour NO_OUTLINE{-1, -1, -1};
