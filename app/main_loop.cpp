#include "app/main_loop.h"

#include "app/app_state.h"
#include "app/dispatch.h"
#include "app/screens.h"
#include "app/stats_view.h"
#include "app/touch.h"
#include "base/debug_log.h"
#include "display/background.h"
#include "display/framebuffer.h"
#include "display/image.h"
#include "display/screen_map.h"
#include "display/text.h"
#include "props/layout.h"
#include "props/properties.h"
#include "records/refill.h"
#include "records/vehicles.h"

#include <algorithm>
#include <cstdio>

namespace {

Image pictures[PICTURE_COUNT];

// Logged when a picture fails to load, in load order; the exit status is -(index + 1).
constexpr const char* BROKEN_PICTURE[PICTURE_COUNT] = {
    "s0i broken!", "s0ia broken!", "s1i broken!", "s1ia broken!", "s2i broken!",
};

void releasePictures() {
    std::fill(std::begin(imageTable), std::end(imageTable), ImagePair{});
    forgetBackgrounds();
    for (Image& picture : pictures) {
        delete[] picture.data;
        picture = Image{};
    }
}

constexpr struct {
    Button button;
    int vehicle;
} FUEL_FULL_BUTTONS[] = {{BTN_CAR1FUELFULL, 1}, {BTN_CAR2FUELFULL, 2}, {BTN_BIKEFUELFULL, 0}};

void paintActive(Button button) {
    drawButtonImage(app.currentScreen, layout.buttons[button], true);
}

bool onCurrentScreen(const LayoutRect& rect) {
    return (rect.mask >> app.currentScreen) & 1;
}

void drawNumberDisplay() {
    const LayoutRect& area = layout.numDisplay;
    const Point a = layoutToScreen(area.x1, area.y1, area.layoutW, area.layoutH, fb.xres, fb.yres);
    const Point b = layoutToScreen(area.x2, area.y2, area.layoutW, area.layoutH, fb.xres, fb.yres);
    const Colour& c = layout.numColour;
    if (app.showBanner)
        drawText(a.x, a.y, b.x, b.y, bannerText(), layout.fontName, 9, 0, c.r, c.g, c.b, -1, -1,
                 -1);
    else
        drawText(a.x, a.y, b.x, b.y, app.inputText, layout.fontName, layout.numFontSize,
                 ALIGN_RIGHT, c.r, c.g, c.b, -1, -1, -1);
}

// The dynamic parts: the number display and every button that shows a state. Buttons
// are only painted active here; a full redraw is what turns an indication off.
void redrawDynamicParts() {
    if (onCurrentScreen(layout.numDisplay))
        drawNumberDisplay();

    const int vehicle = getPropertyInt("P_DEFAULTVEHICLE", "1");
    if (vehicle == 0)
        paintActive(BTN_BIKE);
    else if (vehicle == 1)
        paintActive(BTN_CAR1);
    else if (vehicle == 2)
        paintActive(BTN_CAR2);

    const int fuelDistMode = getPropertyInt("P_DEFAULTFUELDISTMODE", "0");
    if (fuelDistMode == 0)
        paintActive(BTN_FUELPER100DIST);
    else if (fuelDistMode == 1)
        paintActive(BTN_DISTPERFUEL);

    const int odometerMode = getOdometerMode(getPropertyInt("P_DEFAULTVEHICLE", "1"));
    if (odometerMode == 0)
        paintActive(BTN_TRIPDIST);
    else if (odometerMode == 1)
        paintActive(BTN_TOTALDIST);

    if (app.enteredDistance > 0.0)
        paintActive(BTN_DRIVEN);
    if (app.enteredFuel > 0.0)
        paintActive(BTN_REFILLED);
    if (app.enteredPrice > 0.0)
        paintActive(BTN_PAID);

    // in this order: each reading stores its default on a first run
    for (const auto& [button, owner] : FUEL_FULL_BUTTONS) {
        if (getPropertyDouble(fuelFullKey(owner), "0") > 0.0)
            paintActive(button);
    }

    if (onCurrentScreen(layout.statDisplay))
        drawStatisticsView();
}

// Ends start-up early: the devices opened so far are closed again.
bool endStartUp(int& status, int value) {
    releasePictures();
    closeTouch();
    closeFB();
    status = value;
    return false;
}

} // namespace

const char* bannerText() {
    return "Pumpwright " PUMPWRIGHT_VERSION;
}

bool startProgram(int& status) {
    loadLayout(); // every environment key and the start-up user keys, with their defaults
    if (!initFB())
        return endStartUp(status, 0);
    applyScreenTurns();
    if (!openTouch())
        return endStartUp(status, 0);

    for (int i = 0; i < PICTURE_COUNT; ++i) {
        if (!loadImage(layout.pictureName[i], pictures[i])) {
            debugLog(BROKEN_PICTURE[i]);
            return endStartUp(status, -(i + 1));
        }
    }
    imageTable[0] = {&pictures[PIC_S0], &pictures[PIC_S0A]};
    imageTable[1] = {&pictures[PIC_S1], &pictures[PIC_S1A]};
    for (int screen = 2; screen < SCREEN_COUNT; ++screen)
        imageTable[screen] = {&pictures[PIC_S2], &pictures[PIC_S2]};

    std::snprintf(app.inputText, sizeof app.inputText, "0");
    // creates each vehicle's odometer-mode key with its default on a first run
    for (int vehicle = 0; vehicle < 3; ++vehicle)
        getOdometerMode(vehicle);
    status = 0;
    return true;
}

void runPass() {
    while (readTouch()) {
        if (dispatchTouch(touch.sample))
            app.redrawRequested = true;
    }
    if (app.fullRedrawRequested) {
        const Image& picture = *imageTable[app.currentScreen].normal;
        drawBackground(picture, layout.screenW[0], layout.screenH[0]);
        app.redrawRequested = true;
        app.fullRedrawRequested = false;
    }
    if (app.redrawRequested) {
        redrawDynamicParts();
        app.redrawRequested = false;
    }
}

int shutdownProgram() {
    closeFB();
    closeTouch();
    releasePictures();
    closeFont();
    return 0;
}
