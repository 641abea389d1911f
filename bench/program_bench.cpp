// The program's start-up and its first pass (the entry screen's picture copied whole,
// the banner and the state buttons painted) on a card as pumpwright-card leaves it,
// from nothing loaded: layout, framebuffer, touch device, the five pictures and the font.
// Then, on the started program, a pass that redraws the whole entry screen and the pass
// of a SAVE touch (the record appended to the log, the result shown on a redrawn screen).
#include "app/app_state.h"
#include "app/dispatch.h"
#include "app/main_loop.h"
#include "app/touch.h"
#include "base/paths.h"
#include "bench/bench_panel.h"
#include "display/background.h"
#include "display/fb_query.h"
#include "display/framebuffer.h"
#include "display/screen_map.h"
#include "props/layout.h"
#include "testsupport/process_state.h"

#include <benchmark/benchmark.h>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

// Plain pictures of the default layout size; their content does not change the cost.
void writeCard() {
    std::filesystem::create_directories(dataDir());
    const std::string picture(400 * 256 * 2, '\x5A');
    for (const char* name : {"s0.raw", "s0a.raw", "s1.raw", "s1a.raw", "s2.raw"})
        std::ofstream(dataPath(name), std::ios::binary | std::ios::trunc) << picture;
    std::filesystem::copy_file(PW_BENCH_FONT, dataPath("Diduz.ovo"),
                               std::filesystem::copy_options::overwrite_existing);
    std::filesystem::remove(dataPath("consumption.txt"));
    std::ofstream(rootedPath(TS_DEVICE)).close(); // no touches pending
}

// Everything the process holds back to how it is before main() starts.
void powerOff() {
    resetProcessState();
}

void preparePanel(benchmark::State& state) {
    DesktopScreen screen;
    screen.xres = static_cast<unsigned>(state.range(0));
    screen.yres = static_cast<unsigned>(state.range(1));
    setDesktopScreen(screen);
    std::filesystem::resize_file(rootedPath(FB_DEVICE),
                                 static_cast<std::uintmax_t>(screen.xres) * screen.yres * 2);
    writeCard();
    powerOff();
}

// includeStartUp: the figure covers start-up and the first pass, else the pass alone.
void benchFirstPass(benchmark::State& state, bool includeStartUp) {
    preparePanel(state);
    for (auto _ : state) {
        if (!includeStartUp)
            state.PauseTiming();
        int status = 0;
        if (!startProgram(status)) {
            state.SkipWithError("the program did not start");
            break;
        }
        if (!includeStartUp)
            state.ResumeTiming();
        runPass();
        benchmark::ClobberMemory();
        state.PauseTiming();
        powerOff();
        state.ResumeTiming();
    }
}

// A touch sample at the middle of a layout rectangle, in the touch controller's
// coordinates of an unturned panel.
TouchSample touchAt(const LayoutRect& rect, uint16_t pressure) {
    const Point p = layoutToScreen((rect.x1 + rect.x2) / 2, (rect.y1 + rect.y2) / 2,
                                   layout.screenW[0], layout.screenH[0], fb.xres, fb.yres);
    return {pressure, static_cast<int16_t>(p.x), static_cast<int16_t>(p.y), 0};
}

// save: each pass is a SAVE touch of a typed refill, else a plain full redraw.
void benchPass(benchmark::State& state, bool save) {
    preparePanel(state);
    int status = 0;
    if (!startProgram(status)) {
        state.SkipWithError("the program did not start");
        return;
    }
    runPass();
    const LayoutRect& saveButton = layout.buttons[BTN_SAVE];
    for (auto _ : state) {
        if (save) {
            state.PauseTiming();
            app.enteredDistance = 512.0;
            app.enteredFuel = 35.2;
            app.enteredPrice = 61.5;
            state.ResumeTiming();
            dispatchTouch(touchAt(saveButton, 255));
            if (dispatchTouch(touchAt(saveButton, 0)))
                app.redrawRequested = true;
        } else {
            app.fullRedrawRequested = true;
        }
        runPass();
        benchmark::ClobberMemory();
    }
    // A SAVE that missed its button would time an idle pass.
    if (save && app.enteredFuel != 0.0)
        state.SkipWithError("the SAVE touch did not reach its button");
    state.counters["kept_bytes"] = static_cast<double>(backgroundBytes());
    powerOff();
}

} // namespace

void registerProgramBenchmarks() {
    for (bool startUp : {true, false})
        fixRunLength(benchmark::RegisterBenchmark(startUp ? "program/start-up+first-pass"
                                                          : "program/first-pass",
                                                  benchFirstPass, startUp))
            ->Args({400, 256})
            ->Args({800, 480})
            ->Unit(benchmark::kMillisecond);
    for (bool save : {false, true})
        fixRunLength(benchmark::RegisterBenchmark(
                         save ? "program/save-pass" : "program/full-redraw", benchPass, save))
            ->Args({400, 256})
            ->Args({800, 480})
            ->Unit(benchmark::kMicrosecond);
}
