// pumpwright-sim: the device program on a desktop, against a scratch root that holds a
// framebuffer file, a touch FIFO and the card. Driven by a script, free-running, or in
// a window with the mouse as the finger.
#include "app/main_loop.h"
#include "base/paths.h"
#include "tools/common/cli.h"
#include "tools/sim/sim.h"
#include "tools/sim/sim_script.h"
#ifdef PW_WINDOW
#include "tools/sim/sim_window.h"
#endif

#include <cstdio>
#include <fstream>
#include <unistd.h>

namespace {

constexpr int USAGE_STATUS = 2;
constexpr const char* HELP =
    "usage: pumpwright-sim --root DIR [--size WxH] [--bpp 16|32] [--touch ts|event]\n"
    "                      [--calibrate] [--script FILE | --window [--zoom N]]\n"
    "\n"
    "Runs the device program on this computer, with DIR as the root of the device:\n"
    "DIR/mnt/sdcard/Pumpwright/ is the card (pumpwright-card DIR makes one), DIR/dev/fb the\n"
    "screen, DIR/dev/ts or DIR/dev/input/event0 the touchscreen.\n"
    "\n"
    "  --root DIR          the device's root folder (required)\n"
    "  --size WxH          the panel's size in pixels (default 400x256)\n"
    "  --bpp 16|32         the panel's bits per pixel (default 16)\n"
    "  --touch ts|event    calibrated samples on /dev/ts (default), or input events on\n"
    "                      /dev/input/event0 with the calibration file\n"
    "  --script FILE       runs the commands of FILE (tap, ltap, press, release, pass,\n"
    "                      shot FILE ...; see the README), then ends\n"
    "  --window            shows the screen in a window; the mouse is the finger\n"
    "  --zoom N            window pixels per screen pixel, 1 to 8 (default 1)\n"
    "  --calibrate         runs pumpwright-calibrate instead of the logbook\n"
    "  --help, --version   this text; the version\n"
    "\n"
    "Without --script or --window it runs a pass every 200 ms until EXIT. Exit status: the\n"
    "program's own (0 after EXIT); 0 when a script ends with the program running; 2 for a\n"
    "bad command line, script or root.\n";

int fail(const std::string& message) {
    std::fprintf(stderr, "pumpwright-sim: %s\n", message.c_str());
    return USAGE_STATUS;
}

} // namespace

int main(int argc, char** argv) {
    SimOptions options;
    std::string error;
    if (!parseSimOptions(argc, argv, options, error))
        return commandLineError("pumpwright-sim", error);
    if (options.help || options.version)
        return answerHelpOrVersion("pumpwright-sim", HELP, argc, argv);

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
    // A root without a card would end the logbook at once with nothing to show for it.
    // (The calibration tool needs no card: it writes to the device's flash.)
    if (!options.calibrate) {
        const CardCheck card = checkCard(options.root);
        const std::string maker = "pumpwright-card " + options.root;
        if (card.rootIsDataFolder) {
            // Making a card there would put a second card inside this one.
            const std::string above = rootAboveDataFolder(options.root);
            return fail(options.root +
                        " is a card's data folder; --root wants the device's root, "
                        "the folder that holds mnt/sdcard/Pumpwright/" +
                        (above.empty() ? "" : " (here --root " + above + ")"));
        }
        if (!card.folder)
            return fail("no card in " + options.root + ": " + dataDir() + " is missing; " + maker +
                        " makes one");
        if (!options.sizeGiven && (static_cast<unsigned>(card.pictureW) != options.width ||
                                   static_cast<unsigned>(card.pictureH) != options.height))
            std::fprintf(stderr,
                         "pumpwright-sim: the card's pictures are %dx%d, shown scaled to the "
                         "%ux%u panel; --size %dx%d shows them at their own size\n",
                         card.pictureW, card.pictureH, options.width, options.height, card.pictureW,
                         card.pictureH);
        if (!card.missing.empty()) {
            std::string names;
            for (const std::string& name : card.missing)
                names += (names.empty() ? "" : ", ") + name;
            std::fprintf(
                stderr,
                "pumpwright-sim: the card %s lacks %s; starting all the same, as the device "
                "would (%s draws the default pictures and copies a font)\n",
                dataDir(), names.c_str(), maker.c_str());
        }
    }
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
