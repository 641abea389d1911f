#pragma once
// The refill entry: the keypad text, moving a typed number into a field, and SAVE.

// Digit keys "0".."9" and the decimal point ".".
void digitAction(char code);
// Shows a result in the number display ("ok", a value, NOT_SAVED_TEXT): the next key
// starts a new entry rather than continuing the characters typed before (a point typed
// then would still swallow the next one), and a refused tire change is no longer retried.
void showResult(const char* text);
// Back to a clear entry: "0", nothing typed, no decimal point.
void clearEntry();
// Moves the typed number into a value, or shows the current one, or resets it to 0.
double takeEntry(double current);
// SAVE: computes the consumption, appends the record, shows the result.
void appendConsumptionRecord();
// WHEELCHANGE: records the displayed number as a tire change of the selected vehicle.
void appendTireChange();
// BIKE, CAR1, CAR2: selects the vehicle and drops a refill half entered for another.
void chooseVehicle(int vehicle);
// BIKEFUELFULL, CAR1FUELFULL, CAR2FUELFULL on the fuel-full key of their vehicle.
void fuelFullAction(const char* key);
