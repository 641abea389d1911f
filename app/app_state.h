#pragma once
// The one process-wide state record through which the touch dispatcher, the refill
// entry and the drawing code talk to each other: flags and fields, never calls.
#include "props/layout.h"

#include <cstdint>

// The number display's text: ten typed characters and the terminator fit; longer
// texts (a shown value, a SAVE result) are bounded by their writers.
constexpr int INPUT_TEXT_SIZE = 12;
// Shown instead of the result when SAVE or a tire change could not be written, and
// instead of "ok" when EXIT could not save the settings.
constexpr const char* NOT_SAVED_TEXT = "not saved!";

// What a touch is released on: a Button, the statistics area, or nothing.
constexpr int STATISTICS_AREA = BUTTON_COUNT;
constexpr int NO_TARGET = -1;

struct AppState {
    int32_t currentScreen = 0; // 0 entry, 1 settings, 2 fuel-distance, 3 consumption-price, 4 recap
    bool exitRequested = false;      // the loop ends after the current pass
    bool exitRefused = false;        // the last EXIT could not save the settings
    bool redrawRequested = false;    // paint the dynamic parts in this pass
    bool fullRedrawRequested = true; // copy the whole background of currentScreen first
    bool showBanner = true;          // the number display shows the banner until the first touch

    char inputText[INPUT_TEXT_SIZE] = "0";
    int inputLength = 0;
    bool decimalEntered = false;

    double enteredDistance = 0.0;
    double enteredFuel = 0.0;
    double enteredPrice = 0.0;
    // A tire change the card refused, as it was shown, while the display still shows
    // that refusal: touching the button again then writes it. Any other result shown
    // forgets it.
    char unsavedTireChange[INPUT_TEXT_SIZE] = "";

    // touch dispatch state
    int touchX = 0, touchY = 0;
    LayoutRect highlightedButton = NO_BUTTON;
    int releasedTarget = NO_TARGET;
    bool refreshNumberDisplay = false;
    bool clearInputAfter = false;
};

extern AppState app;
