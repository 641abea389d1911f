#pragma once
// Drawing primitives in screen coordinates, solid pixels through putPixel.

void drawLine(double x1, double y1, double x2, double y2, int r, int g, int b, double width);
void fillRect(int x1, int y1, int x2, int y2, int r, int g, int b);
void drawRaisedBox(int x1, int y1, int x2, int y2, int r, int g, int b);
void fillEllipse(int cx, int cy, int w, int h, int r, int g, int b);
