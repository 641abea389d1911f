#include "app/dispatch.h"

#include "app/app_state.h"
#include "app/entry.h"
#include "display/image.h"
#include "display/screen_map.h"
#include "props/properties.h"
#include "records/refill.h"
#include "records/vehicles.h"

#include <cstdio>

namespace {

constexpr char STATISTICS_AREA_CODE = 'V';
constexpr char CLEAR_CODE = 'B';

// Hit-test order: where rectangles share border lines the earlier target wins. RECAP
// sits on the same spot as CONFIG (on the other screen) and is tested right after it,
// although start-up reads it last.
// clang-format off
constexpr Button HIT_ORDER[] = {
    BTN_1, BTN_2, BTN_3, BTN_4, BTN_5, BTN_6, BTN_7, BTN_8, BTN_9, BTN_C, BTN_0, BTN_DOT,
    BTN_DRIVEN, BTN_EXIT, BTN_REFILLED, BTN_CAR1, BTN_PAID, BTN_CAR2, BTN_SAVE, BTN_BIKE,
    BTN_STATS, BTN_CONFIG, BTN_RECAP, BTN_FUELPER100DIST, BTN_BACK, BTN_DISTPERFUEL,
    BTN_CAR1FUELFULL, BTN_TOTALDIST, BTN_CAR2FUELFULL, BTN_TRIPDIST, BTN_BIKEFUELFULL,
    BTN_WHEELCHANGE,
};
// clang-format on
static_assert(sizeof HIT_ORDER / sizeof HIT_ORDER[0] == BUTTON_COUNT, "every button is a target");

bool hasHighlight() {
    return !sameTarget(app.highlightedButton, NO_BUTTON);
}

void showScreen(int screen) {
    app.currentScreen = screen;
    app.fullRedrawRequested = true;
}

void runAction(char code) {
    switch (code) {
    case 0:
        break;
    case 'G':
        app.enteredDistance = takeEntry(app.enteredDistance);
        break;
    case 'J':
        app.enteredFuel = takeEntry(app.enteredFuel);
        break;
    case 'I':
        app.enteredPrice = takeEntry(app.enteredPrice);
        break;
    case 'K':
        appendConsumptionRecord();
        break;
    case 'A':
        chooseVehicle(0);
        break;
    case 'C':
        chooseVehicle(1);
        break;
    case 'D':
        chooseVehicle(2);
        break;
    case 'R':
        setFuelDistanceMode(0);
        app.fullRedrawRequested = true;
        break;
    case 'Q':
        setFuelDistanceMode(1);
        app.fullRedrawRequested = true;
        break;
    case 'T':
        setOdometerMode(0);
        app.fullRedrawRequested = true;
        break;
    case 'S':
        setOdometerMode(1);
        app.fullRedrawRequested = true;
        break;
    case 'M':
        fuelFullAction(fuelFullKey(0));
        break;
    case 'O':
        fuelFullAction(fuelFullKey(1));
        break;
    case 'P':
        fuelFullAction(fuelFullKey(2));
        break;
    case 'U':
        appendTireChange();
        break;
    case 'L':
        showScreen(2);
        break;
    case 'E':
        showScreen(1);
        break;
    case 'F':
        showScreen(4);
        break;
    case 'N':
        showScreen(0);
        break;
    case STATISTICS_AREA_CODE:
        // the statistics screens form a ring: 2 -> 3 -> 0, and the recap 4 -> 0
        if (app.currentScreen == 3 || app.currentScreen == 4)
            app.currentScreen = 0;
        else if (app.currentScreen == 2)
            app.currentScreen = 3;
        app.fullRedrawRequested = true;
        break;
    case 'H':
        saveProperties();
        app.exitRequested = true;
        std::snprintf(app.inputText, sizeof app.inputText, "ok");
        app.refreshNumberDisplay = true;
        break;
    default:
        if ((code >= '0' && code <= '9') || code == '.')
            digitAction(code);
        // the C key (code B) has nothing of its own: the entry is cleared below
        break;
    }
}

} // namespace

Point touchToLayout(int16_t x, int16_t y) {
    return touchToLayout(x, y, layout.screenW[0], layout.screenH[0]);
}

bool hitTestButton(int screen, const LayoutRect& rect, char code, int16_t pressure) {
    if (!((rect.mask >> screen) & 1))
        return false;
    if (app.touchX < rect.x1 || app.touchX > rect.x2 || app.touchY < rect.y1 ||
        app.touchY > rect.y2)
        return false;
    if (pressure > 127) {
        if (sameTarget(rect, app.highlightedButton))
            return true;
        if (hasHighlight())
            drawButtonImage(screen, app.highlightedButton, false);
        drawButtonImage(screen, rect, true);
        app.highlightedButton = rect;
        return true;
    }
    drawButtonImage(screen, rect, false);
    app.highlightedButton = NO_BUTTON;
    app.releasedCode = code;
    return true;
}

bool dispatchTouch(const TouchSample& sample) {
    const Point p = touchToLayout(sample.x, sample.y);
    app.touchX = p.x;
    app.touchY = p.y;
    app.releasedCode = 0;
    bool result = false;

    const int16_t pressure = static_cast<int16_t>(sample.pressure);
    for (Button button : HIT_ORDER) {
        if (hitTestButton(app.currentScreen, layout.buttons[button], BUTTON_DEFAULTS[button].code,
                          pressure)) {
            result = true;
            break;
        }
    }
    if (!result)
        result =
            hitTestButton(app.currentScreen, layout.statDisplay, STATISTICS_AREA_CODE, pressure);
    // a finger that slid off every target takes its highlight with it
    if (!result && hasHighlight()) {
        drawButtonImage(app.currentScreen, app.highlightedButton, false);
        app.highlightedButton = NO_BUTTON;
        result = true;
    }

    app.refreshNumberDisplay = false;
    app.clearInputAfter = false;
    runAction(app.releasedCode);
    if (app.releasedCode == CLEAR_CODE || app.clearInputAfter) {
        clearEntry();
        app.fullRedrawRequested = true;
    }
    if (app.refreshNumberDisplay) {
        drawButtonImage(app.currentScreen, layout.numDisplay, false);
        result = true;
        app.refreshNumberDisplay = false;
    }
    // the banner gives way at the very first sample, whatever it hit
    if (app.showBanner) {
        app.showBanner = false;
        app.fullRedrawRequested = true;
    }
    return result;
}
