// Raw bytes from the touch device, with the calibration on the device's flash. The
// first byte chooses the device (even: the character device, odd: the input event
// device), the next 16 bytes are the calibration file, the rest is what the device
// delivers, read over a few passes.
#include "app/main_loop.h"
#include "base/paths.h"
#include "fuzz/card.h"

#include <cstdint>
#include <filesystem>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size < 17)
        return 0;
    freshCard();
    const bool eventMode = data[0] & 1;
    writeCardFile(CALIBRATION_FILE, data + 1, 16);
    if (eventMode) {
        std::filesystem::remove(rootedPath(TS_DEVICE));
        writeCardFile(EVENT_DEVICE, data + 17, size - 17);
    } else {
        writeCardFile(TS_DEVICE, data + 17, size - 17);
    }
    if (!startCardProgram())
        return 0;
    // Touches may lead anywhere, EXIT included; a pass reads everything pending.
    runPass();
    runPass();
    shutdownProgram();
    return 0;
}
