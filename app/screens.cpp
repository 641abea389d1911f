#include "app/screens.h"

#include "display/framebuffer.h"
#include "props/properties.h"

ImagePair imageTable[SCREEN_COUNT];

void drawButtonImage(int screen, const LayoutRect& rect, bool active) {
    if (screen < 0 || screen >= SCREEN_COUNT || !((rect.mask >> screen) & 1))
        return;
    const Image* source = active ? imageTable[screen].active : imageTable[screen].normal;
    if (!source)
        return;
    copyLayoutRect(rect.x1, rect.y1, rect.x2, rect.y2, rect.layoutW, rect.layoutH, *source);
}

void applyScreenTurns() {
    fb.quarterTurn = getPropertyInt("P_ROT90", fb.xres > fb.yres ? "0" : "1") == 1;
    fb.halfTurn = layout.halfTurn;
}
