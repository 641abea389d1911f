// Device time of what the owner waits for: a statistics screen at 100 and 1,000
// records, a full redraw and a SAVE pass of the started program, each timed by the
// monotonic clock. Plain C++ without Google Benchmark, so that the static ARM builds
// have it: scripts/qemu/device-time.sh runs the armel build on the emulated device with
// a clock that follows the executed instructions, where the milliseconds are the same
// on every run. Prints "case<TAB>first ms<TAB>again ms": the first drawing of a case
// and the mean of the next AGAIN ones (glyphs already kept, the background kept).
#include "app/app_state.h"
#include "app/dispatch.h"
#include "app/main_loop.h"
#include "app/stats_view.h"
#include "base/paths.h"
#include "bench/bench_card.h"
#include "display/fb_query.h"
#include "testsupport/process_state.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>

namespace {

constexpr int AGAIN = 4;

double nowMs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// Times step once and then AGAIN times more; false when step fails.
template <typename Step>
bool report(const char* name, Step step) {
    double start = nowMs();
    if (!step())
        return false;
    const double first = nowMs() - start;
    start = nowMs();
    for (int i = 0; i < AGAIN; ++i)
        if (!step())
            return false;
    std::printf("%s\t%.2f\t%.2f\n", name, first, (nowMs() - start) / AGAIN);
    return true;
}

bool statistics() {
    const struct {
        const char* name;
        int screen;
    } screens[] = {{"fuel-distance", 2}, {"consumption-price", 3}, {"recap", 4}};
    for (int records : {100, 1000}) {
        if (!prepareStatisticsCard(records))
            return false;
        for (const auto& s : screens) {
            app.currentScreen = s.screen;
            char name[64];
            std::snprintf(name, sizeof name, "statistics/%s/%d", s.name, records);
            report(name, [] {
                drawStatisticsView();
                return true;
            });
        }
        resetProcessState();
    }
    return true;
}

// The started program on a 400 x 256 panel: a pass redrawing the whole entry screen,
// then passes of a SAVE touch.
bool passes() {
    prepareProgramCard(400, 256);
    int status = 0;
    if (!startProgram(status))
        return false;
    runPass();
    const bool redrawn = report("program/full-redraw/400/256", [] {
        app.fullRedrawRequested = true;
        runPass();
        return true;
    });
    const bool saved = report("program/save-pass/400/256", [] {
        typeRefill();
        dispatchTouch(saveTouch(true));
        if (dispatchTouch(saveTouch(false)))
            app.redrawRequested = true;
        runPass();
        // a SAVE that missed its button would time an idle pass
        return app.enteredFuel == 0.0;
    });
    resetProcessState();
    return redrawn && saved;
}

} // namespace

int main() {
    const std::string scratch = makeScratchRoot("pumpwright-device-time");
    if (scratch.empty())
        return 1;
    const bool ok = statistics() && passes();
    if (!ok)
        std::fprintf(stderr, "device-time: a case could not be prepared\n");
    resetFB();
    std::error_code ignored;
    std::filesystem::remove_all(scratch, ignored);
    return ok ? 0 : 1;
}
