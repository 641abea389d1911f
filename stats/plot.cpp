#include "stats/plot.h"

#include "display/draw.h"
#include "display/text.h"

#include "display/screen_map.h"

Point textPoint(int x, int y) {
    return layoutToScreen(x, y, layout.screenW[0], layout.screenH[0], fb.xres, fb.yres);
}

Point plotPoint(int x, int y) {
    // a panel mounted upside down: turned about the screen centre like the pictures
    return applyHalfTurn(textPoint(x, y));
}

void plotRect(int x1, int y1, int x2, int y2, const Colour& c) {
    const Point a = plotPoint(x1, y1);
    const Point b = plotPoint(x2, y2);
    fillRect(a.x, a.y, b.x, b.y, c.r, c.g, c.b);
}

void plotRaisedBox(int x1, int y1, int x2, int y2, const Colour& c) {
    const Point a = plotPoint(x1, y1);
    const Point b = plotPoint(x2, y2);
    // The layout's top left corner goes first, wherever a turn puts it on the screen: the
    // box is lit from the top left as the reader sees it.
    drawRaisedBox(a.x, a.y, b.x, b.y, c.r, c.g, c.b);
}

void plotDot(int x, int y, const Colour& c) {
    const Point p = plotPoint(x, y);
    fillEllipse(p.x, p.y, 7, 7, c.r, c.g, c.b);
}

void plotLine(int ax, int ay, int bx, int by, const Colour& c, double width) {
    const Point a = plotPoint(ax, ay);
    const Point b = plotPoint(bx, by);
    drawLine(a.x, a.y, b.x, b.y, c.r, c.g, c.b, width);
}

void plotText(int ax, int ay, int bx, int by, const char* text, int size, int flags,
              const Colour& c, const Colour& outline) {
    const Point a = textPoint(ax, ay);
    const Point b = textPoint(bx, by);
    drawText(a.x, a.y, b.x, b.y, text, layout.fontName, size, flags, c.r, c.g, c.b, outline.r,
             outline.g, outline.b);
}
