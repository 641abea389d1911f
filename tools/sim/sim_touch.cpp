#include "tools/sim/sim.h"

#include "app/dispatch.h"
#include "app/touch.h"
#include "display/framebuffer.h"

#include <unistd.h>
#include <vector>

TouchFeeder feeder;

namespace {

bool feedBytes(const void* bytes, std::size_t size, std::string& error) {
    if (feeder.fd == -1) {
        error = "the touch device is not open";
        return false;
    }
    if (write(feeder.fd, bytes, size) != static_cast<ssize_t>(size)) {
        error = "the touch queue is full: run a pass between the touches";
        return false;
    }
    return true;
}

// The middle one of the 16-bit values that satisfy test, which form one run for the
// monotonic mappings used here; false when there are none.
template <typename Test>
bool middleMatch(Test test, int32_t& found) {
    std::vector<int32_t> matches;
    for (int32_t v = INT16_MIN; v <= INT16_MAX; ++v) {
        if (test(v))
            matches.push_back(v);
    }
    if (matches.empty())
        return false;
    found = matches[matches.size() / 2];
    return true;
}

// Which screen coordinates of one axis some raw reading reaches.
std::vector<bool> reachableCoordinates(int32_t c0, int32_t c1, int size) {
    std::vector<bool> reachable(static_cast<std::size_t>(size) + 1, false);
    for (int32_t r = INT16_MIN; r <= INT16_MAX; ++r)
        reachable[static_cast<std::size_t>(calibrateReading(r, c0, c1, size))] = true;
    return reachable;
}

bool reachable(const std::vector<bool>& coordinates, int32_t s) {
    return s >= 0 && static_cast<std::size_t>(s) < coordinates.size() &&
           coordinates[static_cast<std::size_t>(s)];
}

} // namespace

bool rawReadingFor(int s, int32_t c0, int32_t c1, int size, int32_t& raw) {
    if (c0 == c1)
        return false;
    return middleMatch([&](int32_t r) { return calibrateReading(r, c0, c1, size) == s; }, raw);
}

bool touchPositionFor(int x, int y, int16_t& sx, int16_t& sy) {
    std::vector<bool> acrossOk, downOk;
    if (feeder.eventMode) {
        const Calibration& c = touch.calibration;
        if (c.x0 == c.x1 || c.y0 == c.y1)
            return false;
        acrossOk = reachableCoordinates(c.x0, c.x1, fb.xres);
        downOk = reachableCoordinates(c.y0, c.y1, fb.yres);
    }
    int32_t foundX = 0, foundY = 0;
    const bool ok = middleMatch(
                        [&](int32_t v) {
                            return touchToLayout(static_cast<int16_t>(v), 0).x == x &&
                                   (!feeder.eventMode || reachable(acrossOk, v));
                        },
                        foundX) &&
                    middleMatch(
                        [&](int32_t v) {
                            return touchToLayout(0, static_cast<int16_t>(v)).y == y &&
                                   (!feeder.eventMode || reachable(downOk, v));
                        },
                        foundY);
    sx = static_cast<int16_t>(foundX);
    sy = static_cast<int16_t>(foundY);
    return ok;
}

bool feedSample(uint16_t pressure, int16_t x, int16_t y, std::string& error) {
    const TouchSample sample{pressure, x, y, 0};
    return feedBytes(&sample, sizeof sample, error);
}

bool feedEvent(uint16_t type, uint16_t code, int32_t value, std::string& error) {
    const InputEvent32 event{0, 0, type, code, value};
    if (!feedBytes(&event, sizeof event, error))
        return false;
    // keep track of the finger so that later touches continue from where it is
    if (type == EV_KEY_TYPE && code == BTN_TOUCH_CODE)
        feeder.fingerDown = value != 0;
    else if (type == EV_ABS_TYPE && code == ABS_X_CODE)
        feeder.rawX = value;
    else if (type == EV_ABS_TYPE && code == ABS_Y_CODE)
        feeder.rawY = value;
    return true;
}

bool feedTouch(bool pressed, int x, int y, std::string& error) {
    if (!feeder.eventMode) {
        if (x < INT16_MIN || x > INT16_MAX || y < INT16_MIN || y > INT16_MAX) {
            error = "the touch position does not fit a 16-bit sample";
            return false;
        }
        return feedSample(pressed ? 255 : 0, static_cast<int16_t>(x), static_cast<int16_t>(y),
                          error);
    }
    const Calibration& c = touch.calibration;
    int32_t rawX = 0, rawY = 0;
    if (!rawReadingFor(x, c.x0, c.x1, fb.xres, rawX) ||
        !rawReadingFor(y, c.y0, c.y1, fb.yres, rawY)) {
        error = "no reading of the calibrated panel maps to " + std::to_string(x) + " " +
                std::to_string(y);
        return false;
    }
    if (pressed) {
        // finger down resets the position, so both coordinates follow, then the report ends
        return feedEvent(EV_KEY_TYPE, BTN_TOUCH_CODE, 1, error) &&
               feedEvent(EV_ABS_TYPE, ABS_X_CODE, rawX, error) &&
               feedEvent(EV_ABS_TYPE, ABS_Y_CODE, rawY, error) &&
               feedEvent(EV_SYN_TYPE, 0, 0, error);
    }
    // A finger lifts where it is: one still on the panel slides to the point first. A
    // lift with no finger down can only happen where the last one was.
    if (feeder.fingerDown) {
        const bool moveX = rawX != feeder.rawX;
        const bool moveY = rawY != feeder.rawY;
        if ((moveX && !feedEvent(EV_ABS_TYPE, ABS_X_CODE, rawX, error)) ||
            (moveY && !feedEvent(EV_ABS_TYPE, ABS_Y_CODE, rawY, error)) ||
            ((moveX || moveY) && !feedEvent(EV_SYN_TYPE, 0, 0, error)))
            return false;
    }
    return feedEvent(EV_KEY_TYPE, BTN_TOUCH_CODE, 0, error) && feedEvent(EV_SYN_TYPE, 0, 0, error);
}

void closeFeeder() {
    if (feeder.fd != -1)
        close(feeder.fd);
    feeder = TouchFeeder{};
}
