// The refill log as the card may hold it (hand edits, power cuts, damage) through the
// three statistics screens. The first byte picks the vehicle, the consumption form, the
// odometer mode and a tank size; the rest is consumption.txt.
#include "app/app_state.h"
#include "app/main_loop.h"
#include "fuzz/card.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    freshCard();
    const int choice = data[0];
    const std::string properties = "P_DEFAULTVEHICLE: " + std::to_string(choice % 3) +
                                   "\nP_DEFAULTFUELDISTMODE: " + std::to_string(choice / 3 % 2) +
                                   "\nP_CAR1ODOMETERMODE: " + std::to_string(choice / 6 % 2) +
                                   "\nP_CAR1FUELFULL: " + std::to_string(choice / 12 % 2 * 55) +
                                   "\n";
    writeCardFile("properties.txt", reinterpret_cast<const uint8_t*>(properties.data()),
                  properties.size());
    writeCardFile("consumption.txt", data + 1, size - 1);
    if (!startCardProgram())
        return 0;
    for (int screen : {2, 3, 4}) {
        app.currentScreen = screen;
        app.fullRedrawRequested = true;
        runPass();
    }
    shutdownProgram();
    return 0;
}
