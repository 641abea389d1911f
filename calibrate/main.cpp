// pumpwright-calibrate: finds the raw readings of the input event touchscreen at four
// crosses and writes the calibration file the logbook reads. Needs no arguments on
// the device.
#include "app/main_loop.h"
#include "calibrate/calibrator.h"

#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace {

constexpr const char* USAGE =
    "usage: pumpwright-calibrate [--device PATH]\n"
    "Shows a cross near each corner of the screen in turn; touch the centre of each.\n"
    "The readings are checked and written to /mnt/flash/sysfile/cal (the previous file is\n"
    "kept as cal.bak, the one before the first calibration as cal.orig). A test screen\n"
    "follows: touches draw dots; touch DONE to leave.\n"
    "  --device PATH  the input event device (default /dev/input/event0)\n"
    "Exit status: 0 saved, 1 a device could not be opened or the file not written\n"
    "(the reason is in Debug.log on the card, or on stderr without a card), 2 a bad\n"
    "command line.\n";

} // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0) {
            std::fputs(USAGE, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--device") == 0 && i + 1 < argc) {
            setCalibratorDevice(argv[++i]);
            continue;
        }
        std::fputs(USAGE, stderr);
        return 2;
    }
    int status = 0;
    if (!startCalibrator(status)) {
        // The reason went to Debug.log, or, with no card to write it on, to the line above.
        std::fputs("pumpwright-calibrate: cannot open the screen or the touch device "
                   "(the reason is in Debug.log, or above when there is no card)\n",
                   stderr);
        return status;
    }
    while (!calibratorEnded()) {
        calibratorPass();
        usleep(PASS_INTERVAL_US);
    }
    return finishCalibrator();
}
