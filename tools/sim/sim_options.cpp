#include "tools/sim/sim.h"

#include "app/app_state.h"
#include "app/main_loop.h"
#include "calibrate/calibrator.h"
#include "tools/common/cli.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr unsigned MAX_SIDE = 8192;

} // namespace

SimProgram program;

bool parseSimOptions(int argc, const char* const* argv, SimOptions& options, std::string& error) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        options.help = options.help || arg == "--help" || arg == "-h";
        options.version = options.version || arg == "--version";
    }
    if (options.help || options.version)
        return true;
    bool haveRoot = false;
    bool haveZoom = false;
    for (int i = 1; i < argc; ++i) {
        std::string name = argv[i];
        std::string value;
        if (name.rfind("--", 0) != 0) {
            error = "unexpected argument " + name + " (options begin with --)";
            return false;
        }
        if (name == "--window") {
            options.window = true;
            continue;
        }
        if (name == "--calibrate") {
            options.calibrate = true;
            continue;
        }
        const std::size_t eq = name.find('=');
        if (eq != std::string::npos) {
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
            if (!parseSize(value.c_str(), MAX_SIDE, options.width, options.height)) {
                error = "--size wants WxH (1 to 8192 each), not " + value;
                return false;
            }
            options.sizeGiven = true;
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
