// The program's start-up and its first pass (the entry screen's picture copied whole,
// the banner and the state buttons painted) on a card as pumpwright-card leaves it,
// from nothing loaded: layout, framebuffer, touch device, the five pictures and the font.
// Then, on the started program, a pass that redraws the whole entry screen and the pass
// of a SAVE touch (the record appended to the log, the result shown on a redrawn screen).
#include "app/app_state.h"
#include "app/dispatch.h"
#include "app/main_loop.h"
#include "bench/bench_panel.h"
#include "display/background.h"
#include "testsupport/process_state.h"

#include <benchmark/benchmark.h>
#include <string>

namespace {

// Everything the process holds back to how it is before main() starts.
void powerOff() {
    resetProcessState();
}

void preparePanel(benchmark::State& state) {
    prepareProgramCard(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
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

// save: each pass is a SAVE touch of a typed refill, else a plain full redraw.
void benchPass(benchmark::State& state, bool save) {
    preparePanel(state);
    int status = 0;
    if (!startProgram(status)) {
        state.SkipWithError("the program did not start");
        return;
    }
    runPass();
    for (auto _ : state) {
        if (save) {
            state.PauseTiming();
            typeRefill();
            state.ResumeTiming();
            dispatchTouch(saveTouch(true));
            if (dispatchTouch(saveTouch(false)))
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
