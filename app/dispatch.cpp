#include "app/dispatch.h"

#include "app/app_state.h"
#include "app/entry.h"
#include "display/image.h"
#include "props/properties.h"
#include "records/event_log.h"
#include "records/vehicles.h"

#include <cstdio>
#include <limits>

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

// A hand-edited layout size can push a touch far outside int; such a point hits nothing.
int truncated(double value) {
    if (!(value > std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    if (!(value < std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    return static_cast<int>(value);
}

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
        selectVehicle(0);
        break;
    case 'C':
        selectVehicle(1);
        break;
    case 'D':
        selectVehicle(2);
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
        fuelFullAction("P_BIKEFUELFULL");
        break;
    case 'O':
        fuelFullAction("P_CAR1FUELFULL");
        break;
    case 'P':
        fuelFullAction("P_CAR2FUELFULL");
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
    case 'H': {
        // Settings the card refused (full, read-only) are not reported as "ok": the
        // program stays, so that the user knows and can press EXIT again once the card
        // has room. A second EXIT after a refusal ends all the same, so that a card that
        // stays read-only cannot hold the program.
        const bool saved = saveProperties();
        app.exitRequested = saved || app.exitRefused;
        app.exitRefused = !saved;
        std::snprintf(app.inputText, sizeof app.inputText, "%s", saved ? "ok" : EXIT_FAILED_TEXT);
        app.refreshNumberDisplay = true;
        break;
    }
    default:
        if ((code >= '0' && code <= '9') || code == '.')
            digitAction(code);
        // the C key (code B) has nothing of its own: the entry is cleared below
        break;
    }
}

} // namespace

Point touchToLayout(int16_t x, int16_t y) {
    const double w = layout.screenW[0];
    const double h = layout.screenH[0];
    // The touch controller reports upright coordinates: on a quarter-turned panel x runs
    // along the long side, so only the divisors change places.
    const double xres = static_cast<unsigned>(fb.xres);
    const double yres = static_cast<unsigned>(fb.yres);
    const double across = fb.quarterTurn ? yres : xres;
    const double down = fb.quarterTurn ? xres : yres;
    Point p{truncated((x + 0.5) * w / across), truncated((y + 0.5) * h / down)};
    if (fb.halfTurn) {
        p.x = layout.screenW[0] - p.x - 1;
        p.y = layout.screenH[0] - p.y - 1;
    }
    return p;
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
