// pumpwright-sim: the device program on a desktop, against a scratch root that holds a
// framebuffer file, a touch FIFO and the card. Driven by a script, free-running, or in
// a window with the mouse as the finger.
#include "app/main_loop.h"
#include "tools/sim.h"
#include "tools/sim_script.h"
#ifdef PW_WINDOW
#include "tools/sim_window.h"
#endif

#include <cstdio>
#include <fstream>
#include <unistd.h>

namespace {

constexpr int USAGE_STATUS = 2;
constexpr const char* USAGE =
    "usage: pumpwright-sim --root DIR [--size WxH] [--bpp 16|32] "
    "[--touch ts|event] [--calibrate] [--script FILE | --window [--zoom N]]\n";

int fail(const std::string& message) {
    std::fprintf(stderr, "pumpwright-sim: %s\n", message.c_str());
    return USAGE_STATUS;
}

} // namespace

int main(int argc, char** argv) {
    SimOptions options;
    std::string error;
    if (!parseSimOptions(argc, argv, options, error)) {
        std::fputs(USAGE, stderr);
        return fail(error);
    }

    std::vector<ScriptCommand> commands;
    if (!options.script.empty()) {
        std::ifstream in(options.script);
        if (!in)
            return fail("cannot read the script " + options.script);
        if (!parseScript(in, options.eventMode, commands, error))
            return fail(options.script + ": " + error);
    }

#ifndef PW_WINDOW
    if (options.window)
        return fail("--window needs a simulator built with SDL2 (libsdl2-dev)");
#else
    if (options.window && !windowDisplayPresent(error))
        return fail(error);
#endif
    if (!prepareSimRoot(options, error))
        return fail(error);
    int status = 0;
    if (!program.start(status))
        return status;

#ifdef PW_WINDOW
    if (options.window) {
        if (!openSimWindow(options.zoom, error)) {
            program.shutdown();
            return fail(error);
        }
        return runSimWindow();
    }
#endif
    if (options.script.empty()) {
        // as on the device: one pass every 200 ms until EXIT
        while (!program.ended()) {
            program.pass();
            usleep(PASS_INTERVAL_US);
        }
        return program.shutdown();
    }

    if (!resolveScript(commands, error))
        return fail(options.script + ": " + error);
    const ScriptResult result = runScript(commands);
    if (result.failed)
        return fail(options.script + ": " + result.error);
    // A script that ends with the program running is a power-off: nothing is saved.
    return result.ended ? result.status : 0;
}
