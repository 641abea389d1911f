#include "app/entry.h"

#include "app/app_state.h"
#include "base/numeric.h"
#include "props/properties.h"
#include "records/consumption_log.h"
#include "records/event_log.h"
#include "records/refill.h"
#include "records/vehicles.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// The keypad takes ten characters; the display buffer has room for one more.
constexpr int MAX_TYPED = 10;

// Shows prefix and value with the given decimals. A text too long for the number
// display (a large fuel-full value edited into the property file, a huge consumption
// after a tiny distance) is shown with as many significant digits as fit, in exponent
// form when needed, so that it still reads back as about the same number. snprintf
// never writes past the buffer, and one digit always fits: "=> -1e+308" is ten characters.
void showNumber(const char* prefix, double value, int decimals) {
    char text[INPUT_TEXT_SIZE];
    if (std::snprintf(text, sizeof text, "%s%.*f", prefix, decimals, value) >= INPUT_TEXT_SIZE) {
        for (int digits = INPUT_TEXT_SIZE - 1; digits > 0; --digits) {
            if (std::snprintf(text, sizeof text, "%s%.*g", prefix, digits, value) < INPUT_TEXT_SIZE)
                break;
        }
    }
    showResult(text);
}

} // namespace

void digitAction(char code) {
    // After "ok" or a result, typing starts afresh.
    if (!isDigit(app.inputText[0]))
        app.inputLength = 0;
    bool ignored = false;
    if (app.inputLength == 0 && code == '.') {
        app.inputText[0] = '0';
        app.inputText[1] = '\0';
        app.inputLength = 1;
    }
    if (app.inputLength == 0 && code == '0')
        ignored = true; // no leading zeros
    else if (app.inputLength >= MAX_TYPED)
        ignored = true;
    else if (code == '.' && app.decimalEntered)
        ignored = true;
    if (!ignored) {
        app.inputText[app.inputLength] = code;
        ++app.inputLength;
        app.inputText[app.inputLength] = '\0';
        app.refreshNumberDisplay = true;
    }
    if (code == '.')
        app.decimalEntered = true;
}

void showResult(const char* text) {
    std::snprintf(app.inputText, INPUT_TEXT_SIZE, "%s", text);
    app.inputLength = 0;
    app.decimalEntered = false;
    // the display is no longer about a refused tire change
    app.unsavedTireChange[0] = '\0';
}

void clearEntry() {
    app.inputText[0] = '0';
    app.inputText[1] = '\0';
    app.inputLength = 0;
    app.decimalEntered = false;
}

double takeEntry(double current) {
    const double typed = std::strtod(app.inputText, nullptr);
    // Touching the field again while its value is shown resets it.
    if (typed == current)
        return 0.0;
    if (typed > 0.0) {
        app.clearInputAfter = true;
        return typed;
    }
    showNumber("", current, 1);
    app.refreshNumberDisplay = true;
    return current;
}

void appendConsumptionRecord() {
    const int vehicle = getPropertyInt("P_DEFAULTVEHICLE", "1");
    double consumption = 0.0;
    // An odometer reading gives no distance by itself; the statistics take differences.
    if (getOdometerMode(vehicle) == 0) {
        // A zero divisor is accepted: the record and the display get inf or nan.
        consumption = refillConsumption(app.enteredDistance, app.enteredFuel,
                                        getPropertyInt("P_DEFAULTFUELDISTMODE", "0"));
    }
    if (!writeConsumptionRecord(
            {app.enteredDistance, app.enteredFuel, app.enteredPrice, consumption})) {
        // The refill stays entered: SAVE can be touched again once the card is fixed.
        showResult(NOT_SAVED_TEXT);
        app.fullRedrawRequested = true;
        return;
    }
    if (consumption == 0.0)
        showResult("ok");
    else
        showNumber("=> ", consumption, 2);
    app.enteredPrice = 0.0;
    app.enteredDistance = 0.0;
    app.enteredFuel = 0.0;
    app.fullRedrawRequested = true;
}

void appendTireChange() {
    const bool retry = std::strcmp(app.inputText, NOT_SAVED_TEXT) == 0;
    char shown[INPUT_TEXT_SIZE];
    std::snprintf(shown, sizeof shown, "%s", retry ? app.unsavedTireChange : app.inputText);
    // Only a positive number typed or shown is recorded; "ok" and 0 leave everything as is.
    if (!(std::strtod(shown, nullptr) > 0.0))
        return;
    const bool written = writeTireChange(shown);
    showResult(written ? "ok" : NOT_SAVED_TEXT);
    if (!written)
        std::snprintf(app.unsavedTireChange, INPUT_TEXT_SIZE, "%s", shown);
    app.fullRedrawRequested = true;
}

void chooseVehicle(int vehicle) {
    if (!selectVehicle(vehicle))
        return;
    // a refill half entered for one vehicle must not be saved for another
    app.enteredPrice = 0.0;
    app.enteredDistance = 0.0;
    app.enteredFuel = 0.0;
    app.fullRedrawRequested = true;
}

void fuelFullAction(const char* key) {
    const double current = getPropertyDouble(key, "0");
    setPropertyDouble(key, takeEntry(current));
}
