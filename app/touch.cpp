#include "app/touch.h"

#include "base/debug_log.h"
#include "base/paths.h"
#include "display/framebuffer.h"

#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

TouchDevice touch;

namespace {

// Reads the four raw limits. A calibration with equal limits on an axis maps every
// reading to the same point (and divides by zero), so it is as useless as none.
bool readCalibration(Calibration& cal) {
    const std::string path = rootedPath(CALIBRATION_FILE);
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return false;
    int32_t values[4];
    const std::size_t items = std::fread(values, sizeof values[0], 4, file);
    std::fclose(file);
    if (items < 4)
        return false;
    cal = {values[0], values[1], values[2], values[3]};
    return cal.x0 != cal.x1 && cal.y0 != cal.y1;
}

bool readSample() {
    TouchSample sample;
    // a short read leaves the last sample as it was rather than half overwritten
    if (read(touch.fd, &sample, sizeof sample) != static_cast<ssize_t>(sizeof sample))
        return false;
    touch.sample = sample;
    return true;
}

bool readEvents() {
    TouchSample& s = touch.sample;
    for (;;) {
        InputEvent32 event;
        if (read(touch.fd, &event, sizeof event) != static_cast<ssize_t>(sizeof event))
            return false;
        if (event.type == EV_KEY_TYPE && event.code == BTN_TOUCH_CODE) {
            if (event.value == 0) {
                s.pressure = 0; // lifted where it was last seen
                return true;
            }
            s.pressure = 255;
            s.x = -1;
            s.y = -1;
        } else if (event.type == EV_ABS_TYPE && event.code == ABS_X_CODE) {
            s.x =
                calibrateReading(event.value, touch.calibration.x0, touch.calibration.x1, fb.xres);
            if (s.y != -1)
                return true;
        } else if (event.type == EV_ABS_TYPE && event.code == ABS_Y_CODE) {
            s.y =
                calibrateReading(event.value, touch.calibration.y0, touch.calibration.y1, fb.yres);
            if (s.x != -1)
                return true;
        }
    }
}

} // namespace

int32_t panelReading(int32_t value) {
    return static_cast<int16_t>(static_cast<uint16_t>(value & 0xFFFF));
}

int16_t calibrateReading(int32_t value, int32_t c0, int32_t c1, int size) {
    const int32_t reading = panelReading(value);
    // 64 bits so that a damaged calibration with huge limits cannot overflow
    const int64_t scaled = static_cast<int64_t>(size - 30) * (reading - static_cast<int64_t>(c0)) /
                               (static_cast<int64_t>(c1) - c0) +
                           15;
    int32_t p = static_cast<int16_t>(static_cast<uint16_t>(scaled & 0xFFFF));
    if (p < 0)
        p = 0;
    else if (p > size)
        p = size;
    return static_cast<int16_t>(size - p);
}

bool openTouch() {
    if (touch.fd != -1)
        return true;
    touch.eventMode = false;
    touch.fd = open(rootedPath(TS_DEVICE).c_str(), O_RDONLY | O_NONBLOCK);
    if (touch.fd != -1)
        return true;
    touch.fd = open(rootedPath(EVENT_DEVICE).c_str(), O_RDONLY | O_NONBLOCK);
    if (touch.fd == -1) {
        debugLog("Error opening ts!");
        return false;
    }
    touch.eventMode = true;
    if (!readCalibration(touch.calibration)) {
        debugLog("Error reading calibration file!");
        close(touch.fd);
        touch.fd = -1;
    }
    return touch.fd != -1;
}

bool readTouch() {
    if (touch.fd == -1)
        return false;
    return touch.eventMode ? readEvents() : readSample();
}

int drainTouch() {
    int count = 0;
    while (readTouch())
        ++count;
    return count;
}

void closeTouch() {
    if (touch.fd == -1)
        return;
    drainTouch();
    close(touch.fd);
    touch.fd = -1;
}
