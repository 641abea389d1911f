#include "app/dispatch.h"

#include "app/app_state.h"
#include "app/entry.h"
#include "app/screens.h"
#include "display/image.h"
#include "display/screen_map.h"
#include "props/properties.h"
#include "records/refill.h"
#include "records/vehicles.h"

#include <cstdio>

namespace {

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

// The action of the released target.
void runAction(int target) {
    switch (target) {
    case BTN_DRIVEN:
        app.enteredDistance = takeEntry(app.enteredDistance);
        break;
    case BTN_REFILLED:
        app.enteredFuel = takeEntry(app.enteredFuel);
        break;
    case BTN_PAID:
        app.enteredPrice = takeEntry(app.enteredPrice);
        break;
    case BTN_SAVE:
        appendConsumptionRecord();
        break;
    case BTN_BIKE:
    case BTN_CAR1:
    case BTN_CAR2:
        chooseVehicle(target == BTN_BIKE ? 0 : target == BTN_CAR1 ? 1 : 2);
        break;
    case BTN_FUELPER100DIST:
    case BTN_DISTPERFUEL:
        setFuelDistanceMode(target == BTN_DISTPERFUEL ? 1 : 0);
        app.fullRedrawRequested = true;
        break;
    case BTN_TRIPDIST:
    case BTN_TOTALDIST:
        setOdometerMode(target == BTN_TOTALDIST ? 1 : 0);
        app.fullRedrawRequested = true;
        break;
    case BTN_BIKEFUELFULL:
    case BTN_CAR1FUELFULL:
    case BTN_CAR2FUELFULL:
        fuelFullAction(fuelFullKey(target == BTN_BIKEFUELFULL   ? 0
                                   : target == BTN_CAR1FUELFULL ? 1
                                                                : 2));
        break;
    case BTN_WHEELCHANGE:
        appendTireChange();
        break;
    case BTN_STATS:
        showScreen(2);
        break;
    case BTN_CONFIG:
        showScreen(1);
        break;
    case BTN_RECAP:
        showScreen(4);
        break;
    case BTN_BACK:
        showScreen(0);
        break;
    case STATISTICS_AREA:
        // the statistics screens form a ring: 2 -> 3 -> 0, and the recap 4 -> 0
        if (app.currentScreen == 3 || app.currentScreen == 4)
            app.currentScreen = 0;
        else if (app.currentScreen == 2)
            app.currentScreen = 3;
        app.fullRedrawRequested = true;
        break;
    case BTN_EXIT: {
        // Settings the card refused (full, read-only) are not reported as "ok": the
        // program stays, so that the user knows and can press EXIT again once the card
        // has room. A second EXIT after a refusal ends all the same, so that a card that
        // stays read-only cannot hold the program.
        const bool saved = saveProperties();
        app.exitRequested = saved || app.exitRefused;
        app.exitRefused = !saved;
        showResult(saved ? "ok" : NOT_SAVED_TEXT);
        app.refreshNumberDisplay = true;
        break;
    }
    case BTN_0:
        digitAction('0');
        break;
    case BTN_DOT:
        digitAction('.');
        break;
    default:
        if (target >= BTN_1 && target <= BTN_9)
            digitAction(static_cast<char>('1' + (target - BTN_1)));
        // C has nothing of its own: the entry is cleared after every action
    }
}

} // namespace

Point touchToLayout(int16_t x, int16_t y) {
    return touchToLayout(x, y, layout.screenW[0], layout.screenH[0]);
}

bool hitTestButton(int screen, const LayoutRect& rect, int target, int16_t pressure) {
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
    app.releasedTarget = target;
    return true;
}

bool dispatchTouch(const TouchSample& sample) {
    const Point p = touchToLayout(sample.x, sample.y);
    app.touchX = p.x;
    app.touchY = p.y;
    app.releasedTarget = NO_TARGET;
    bool result = false;

    const int16_t pressure = static_cast<int16_t>(sample.pressure);
    for (Button button : HIT_ORDER) {
        if (hitTestButton(app.currentScreen, layout.buttons[button], button, pressure)) {
            result = true;
            break;
        }
    }
    if (!result)
        result = hitTestButton(app.currentScreen, layout.statDisplay, STATISTICS_AREA, pressure);
    // a finger that slid off every target takes its highlight with it
    if (!result && hasHighlight()) {
        drawButtonImage(app.currentScreen, app.highlightedButton, false);
        app.highlightedButton = NO_BUTTON;
        result = true;
    }

    app.refreshNumberDisplay = false;
    app.clearInputAfter = false;
    runAction(app.releasedTarget);
    if (app.releasedTarget == BTN_C || app.clearInputAfter) {
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
