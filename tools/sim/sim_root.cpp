#include "tools/sim/sim.h"

#include "app/touch.h"
#include "base/paths.h"
#include "calibrate/calibration_file.h"
#include "display/fb_query.h"
#include "props/layout.h"
#include "tools/common/screenshot.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The calibration written when the card's flash holds none: the panel's readings run
// against the screen's axes, as on the device's resistive panel.
constexpr Calibration SIM_CALIBRATION{3950, 150, 3900, 200};

// Room for many queued touches before a pass reads them (a FIFO holds 64 KiB by default).
constexpr int FIFO_SIZE = 1 << 20;

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
    struct stat st;
    return stat(rootedPath(CALIBRATION_FILE).c_str(), &st) == 0 ||
           saveCalibration(SIM_CALIBRATION, error);
}

} // namespace

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
    const std::size_t bytes = static_cast<std::size_t>(options.width) * options.height *
                              (options.bitsPerPixel / CHAR_BIT);
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

bool writeShot(const std::string& path, std::string& error) {
    const bool png = path.size() >= 4 && path.compare(path.size() - 4, 4, ".png") == 0;
    if (png ? saveScreenshotPng(path.c_str()) : saveScreenshotRaw(path.c_str()))
        return true;
    error = "cannot write the screenshot " + path;
    return false;
}

std::string rootAboveDataFolder(const std::string& dir) {
    std::string trimmed = dir;
    trimmed.erase(trimmed.find_last_not_of('/') + 1); // "/" becomes "", too short below
    const std::string tail = std::string(DATA_DIR).substr(0, std::strlen(DATA_DIR) - 1);
    if (trimmed.size() < tail.size() ||
        trimmed.compare(trimmed.size() - tail.size(), tail.size(), tail) != 0)
        return "";
    const std::string root = trimmed.substr(0, trimmed.size() - tail.size());
    return root.empty() ? "/" : root;
}

CardCheck checkCard(const std::string& root) {
    setRootPrefix(root);
    loadLayout();
    CardCheck check;
    check.pictureW = layout.screenW[0];
    check.pictureH = layout.screenH[0];
    std::error_code ec;
    check.folder = std::filesystem::is_directory(dataDir(), ec);
    if (!check.folder) {
        check.rootIsDataFolder = !rootAboveDataFolder(root).empty();
        for (const char* name : {"environment.txt", "properties.txt", "consumption.txt",
                                 layout.pictureName[0], layout.fontName})
            check.rootIsDataFolder |=
                std::filesystem::is_regular_file(std::filesystem::path(root) / name, ec);
        return check;
    }
    std::vector<const char*> names(std::begin(layout.pictureName), std::end(layout.pictureName));
    names.push_back(layout.fontName);
    for (const char* name : names) {
        if (!std::filesystem::is_regular_file(dataPath(name), ec))
            check.missing.push_back(name);
    }
    return check;
}
