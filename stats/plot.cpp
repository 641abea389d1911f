#include "stats/plot.h"

#include "display/draw.h"
#include "display/text.h"

Point textPoint(int x, int y) {
    return layoutToScreen(x, y, layout.screenW[0], layout.screenH[0], fb.xres, fb.yres);
}

Point plotPoint(int x, int y) {
    // a panel mounted upside down: turned about the screen centre like the pictures
    return applyHalfTurn(textPoint(x, y));
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
