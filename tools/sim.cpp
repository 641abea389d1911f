#include "tools/sim.h"

#include "app/app_state.h"
#include "app/dispatch.h"
#include "app/main_loop.h"
#include "app/paths.h"
#include "app/touch.h"
#include "calibrate/calibrator.h"
#include "display/fb_query.h"
#include "display/framebuffer.h"
#include "tools/screenshot.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

TouchFeeder feeder;
SimProgram program;

namespace {

// The calibration written when the card's flash holds none: the panel's readings run
// against the screen's axes, as on the device's resistive panel.
constexpr Calibration SIM_CALIBRATION{3950, 150, 3900, 200};

// Room for many queued touches before a pass reads them (a FIFO holds 64 KiB by default).
constexpr int FIFO_SIZE = 1 << 20;

constexpr unsigned MAX_SIDE = 8192;

bool parseSize(const std::string& text, unsigned& w, unsigned& h) {
    char* end = nullptr;
    const unsigned long x = std::strtoul(text.c_str(), &end, 10);
    if (end == text.c_str() || *end != 'x')
        return false;
    const char* rest = end + 1;
    const unsigned long y = std::strtoul(rest, &end, 10);
    if (end == rest || *end != '\0')
        return false;
    if (x < 1 || y < 1 || x > MAX_SIDE || y > MAX_SIDE)
        return false;
    w = static_cast<unsigned>(x);
    h = static_cast<unsigned>(y);
    return true;
}

std::string systemError(const std::string& what, const std::string& path) {
    return what + " " + path + ": " + std::strerror(errno);
}

bool makeDirectory(const std::string& path, std::string& error) {
    std::error_code ec;
    std::filesystem::create_directories(path, ec);
    if (ec) {
        error = "cannot create " + path + ": " + ec.message();
        return false;
    }
    return true;
}

bool makeFramebufferFile(const std::string& path, std::size_t bytes, std::string& error) {
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
    if (fd == -1) {
        error = systemError("cannot create", path);
        return false;
    }
    const bool sized = ftruncate(fd, static_cast<off_t>(bytes)) == 0;
    if (!sized)
        error = systemError("cannot size", path);
    close(fd);
    return sized;
}

// A FIFO at path, replacing whatever other file is there, held open for writing.
bool openFifo(const std::string& path, std::string& error) {
    struct stat st;
    if (lstat(path.c_str(), &st) == 0 && !S_ISFIFO(st.st_mode))
        unlink(path.c_str());
    if (mkfifo(path.c_str(), 0600) != 0 && errno != EEXIST) {
        error = systemError("cannot create FIFO", path);
        return false;
    }
    // Read-write so that opening never waits for a reader and the program's reads see
    // an empty FIFO rather than its end; non-blocking so that a full FIFO is an error.
    feeder.fd = open(path.c_str(), O_RDWR | O_NONBLOCK);
    if (feeder.fd == -1) {
        error = systemError("cannot open FIFO", path);
        return false;
    }
    fcntl(feeder.fd, F_SETPIPE_SZ, FIFO_SIZE);
    return true;
}

bool writeCalibrationWhenMissing(std::string& error) {
    const std::string path = rootedPath(CALIBRATION_FILE);
    struct stat st;
    if (stat(path.c_str(), &st) == 0)
        return true;
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int32_t values[4] = {SIM_CALIBRATION.x0, SIM_CALIBRATION.x1, SIM_CALIBRATION.y0,
                               SIM_CALIBRATION.y1};
    const bool written =
        fd != -1 && write(fd, values, sizeof values) == static_cast<ssize_t>(sizeof values);
    if (!written)
        error = systemError("cannot write calibration", path);
    if (fd != -1)
        close(fd);
    return written;
}

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

bool parseSimOptions(int argc, const char* const* argv, SimOptions& options, std::string& error) {
    bool haveRoot = false;
    bool haveZoom = false;
    for (int i = 1; i < argc; ++i) {
        std::string name = argv[i];
        std::string value;
        if (name == "--window") {
            options.window = true;
            continue;
        }
        if (name == "--calibrate") {
            options.calibrate = true;
            continue;
        }
        const std::size_t eq = name.find('=');
        if (name.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = name.substr(eq + 1);
            name.erase(eq);
        } else if (i + 1 < argc) {
            value = argv[++i];
        } else {
            error = "missing value for " + name;
            return false;
        }
        if (name == "--root") {
            options.root = value;
            haveRoot = !value.empty();
        } else if (name == "--size") {
            if (!parseSize(value, options.width, options.height)) {
                error = "--size wants WxH (1 to 8192 each), not " + value;
                return false;
            }
        } else if (name == "--bpp") {
            if (value != "16" && value != "32") {
                error = "--bpp wants 16 or 32, not " + value;
                return false;
            }
            options.bitsPerPixel = value == "16" ? 16 : 32;
        } else if (name == "--touch") {
            if (value != "ts" && value != "event") {
                error = "--touch wants ts or event, not " + value;
                return false;
            }
            options.eventMode = value == "event";
        } else if (name == "--script") {
            options.script = value;
        } else if (name == "--zoom") {
            char* end = nullptr;
            const long zoom = std::strtol(value.c_str(), &end, 10);
            if (end == value.c_str() || *end != '\0' || zoom < 1 || zoom > MAX_ZOOM) {
                error = "--zoom wants 1 to " + std::to_string(MAX_ZOOM) + ", not " + value;
                return false;
            }
            options.zoom = static_cast<int>(zoom);
            haveZoom = true;
        } else {
            error = "unknown option " + name;
            return false;
        }
    }
    if (!haveRoot) {
        error = "--root DIR is required";
        return false;
    }
    if (options.window && !options.script.empty()) {
        error = "--window and --script exclude each other";
        return false;
    }
    if (haveZoom && !options.window) {
        error = "--zoom needs --window";
        return false;
    }
    if (options.calibrate && !options.eventMode) {
        error = "--calibrate needs --touch event";
        return false;
    }
    return true;
}

SimProgram simProgram(const SimOptions& options) {
    if (options.calibrate)
        return {startCalibrator, calibratorPass, calibratorEnded, finishCalibrator};
    return {startProgram, runPass, [] { return app.exitRequested; }, shutdownProgram};
}

bool prepareSimRoot(const SimOptions& options, std::string& error) {
    program = simProgram(options);
    setRootPrefix(options.root);
    DesktopScreen screen;
    screen.xres = options.width;
    screen.yres = options.height;
    screen.bitsPerPixel = options.bitsPerPixel;
    setDesktopScreen(screen);

    if (!makeDirectory(rootedPath("/dev"), error))
        return false;
    const std::size_t bytes =
        static_cast<std::size_t>(options.width) * options.height * (options.bitsPerPixel / 8);
    if (!makeFramebufferFile(rootedPath(FB_DEVICE), bytes, error))
        return false;

    closeFeeder();
    feeder.eventMode = options.eventMode;
    if (!options.eventMode)
        return openFifo(rootedPath(TS_DEVICE), error);

    // Without the character device the program falls back to the event device.
    unlink(rootedPath(TS_DEVICE).c_str());
    const std::string flash = std::filesystem::path(rootedPath(CALIBRATION_FILE)).parent_path();
    return makeDirectory(rootedPath("/dev/input"), error) && makeDirectory(flash, error) &&
           writeCalibrationWhenMissing(error) && openFifo(rootedPath(EVENT_DEVICE), error);
}

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

bool writeShot(const std::string& path, std::string& error) {
    const bool png = path.size() >= 4 && path.compare(path.size() - 4, 4, ".png") == 0;
    if (png ? saveScreenshotPng(path.c_str()) : saveScreenshotRaw(path.c_str()))
        return true;
    error = "cannot write the screenshot " + path;
    return false;
}
