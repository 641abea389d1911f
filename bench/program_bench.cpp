// The program's start-up and its first pass (the entry screen's picture copied whole,
// the banner and the state buttons painted) on a card as pumpwright-card leaves it,
// from nothing loaded: layout, framebuffer, touch device, the five pictures and the font.
#include "app/main_loop.h"
#include "base/paths.h"
#include "display/fb_query.h"
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
    std::ofstream(rootedPath(TS_DEVICE)).close(); // no touches pending
}

// Everything the process holds back to how it is before main() starts.
void powerOff() {
    resetProcessState();
}

// includeStartUp: the figure covers start-up and the first pass, else the pass alone.
void benchFirstPass(benchmark::State& state, bool includeStartUp) {
    DesktopScreen screen;
    screen.xres = static_cast<unsigned>(state.range(0));
    screen.yres = static_cast<unsigned>(state.range(1));
    setDesktopScreen(screen);
    std::filesystem::resize_file(rootedPath(FB_DEVICE),
                                 static_cast<std::uintmax_t>(screen.xres) * screen.yres * 2);
    writeCard();
    powerOff();
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

const bool registered = [] {
    for (bool startUp : {true, false})
        benchmark::RegisterBenchmark(startUp ? "program/start-up+first-pass" : "program/first-pass",
                                     benchFirstPass, startUp)
            ->Args({400, 256})
            ->Args({800, 480})
            ->Unit(benchmark::kMillisecond);
    return true;
}();

} // namespace
