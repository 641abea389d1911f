#pragma once
// Drawing primitives in screen coordinates, solid pixels through putPixel.

void drawLine(double x1, double y1, double x2, double y2, int r, int g, int b, double width);
void fillRect(int x1, int y1, int x2, int y2, int r, int g, int b);
// A box lit from the side of corner (x1, y1): the two edges through it lighter, the two
// through (x2, y2) darker, the inside in the colour. The corners may come in any order,
// so a box mapped onto a turned screen keeps its light where the reader sees top and
// left; it never reaches beyond its corners.
void drawRaisedBox(int x1, int y1, int x2, int y2, int r, int g, int b);
void fillEllipse(int cx, int cy, int w, int h, int r, int g, int b);
