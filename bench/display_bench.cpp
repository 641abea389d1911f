// Whole-screen picture copies at the panel sizes the device family ships with: the full
// redraw from a kept background, the direct copy and the per-pixel reference, against
// memcpy of the same bytes; a wide graph line and the SAVE result's text.
#include "base/paths.h"
#include "bench/bench_panel.h"
#include "display/background.h"
#include "display/draw.h"
#include "display/framebuffer.h"
#include "display/image.h"
#include "display/text.h"
#include "testsupport/image_reference.h"
#include "testsupport/process_state.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int PICTURE_W = 400, PICTURE_H = 256;

const Panel PANELS[] = {{400, 256}, {480, 272}, {800, 480}};
const char* const TURN_NAMES[] = {"none", "quarter", "half", "quarter+half"};

std::vector<uint8_t> randomPicture(unsigned bits) {
    std::mt19937 random(1);
    std::vector<uint8_t> bytes(static_cast<std::size_t>(PICTURE_W) * PICTURE_H * bits / 8);
    for (uint8_t& b : bytes)
        b = static_cast<uint8_t>(random());
    return bytes;
}

using CopyFunction = void (*)(int, int, int, int, int, int, int, int, const Image&);

// Runs draw in every iteration right after a memcpy of the screen's bytes into the
// mapping, so that on a busy machine both meet the same load: the case's time is the
// draw's alone, and x_memcpy the median of the per-iteration ratios draw / memcpy.
template <class Draw>
void timeAgainstMemcpy(benchmark::State& state, Draw draw) {
    using Clock = std::chrono::steady_clock;
    std::vector<uint8_t> source(fb.mappingLength, 0x5A);
    std::vector<double> ratios;
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        std::memcpy(fb.mapping, source.data(), source.size());
        benchmark::ClobberMemory();
        const Clock::time_point copied = Clock::now();
        draw();
        benchmark::ClobberMemory();
        const std::chrono::duration<double> drawn = Clock::now() - copied;
        state.SetIterationTime(drawn.count());
        ratios.push_back(drawn / (copied - start));
    }
    std::nth_element(ratios.begin(), ratios.begin() + ratios.size() / 2, ratios.end());
    state.counters["x_memcpy"] = ratios.empty() ? 0 : ratios[ratios.size() / 2];
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * fb.mappingLength);
}

void benchCopy(benchmark::State& state, Panel panel, unsigned bits, int turn, CopyFunction copy) {
    std::vector<uint8_t> bytes = randomPicture(bits);
    const Image picture{bytes.data(), bytes.size()};
    if (!openPanel(panel, bits, turn)) {
        state.SkipWithError("framebuffer did not open");
        return;
    }
    timeAgainstMemcpy(state, [&] {
        copy(0, 0, fb.xres, fb.yres, fb.xres, fb.yres, PICTURE_W, PICTURE_H, picture);
    });
}

// The full redraw: the background kept at its second drawing, then copied line by line.
void benchRedraw(benchmark::State& state, Panel panel, unsigned bits, int turn) {
    std::vector<uint8_t> bytes = randomPicture(bits);
    const Image picture{bytes.data(), bytes.size()};
    forgetBackgrounds();
    if (!openPanel(panel, bits, turn)) {
        state.SkipWithError("framebuffer did not open");
        return;
    }
    drawBackground(picture, PICTURE_W, PICTURE_H);
    drawBackground(picture, PICTURE_W, PICTURE_H);
    timeAgainstMemcpy(state, [&] { drawBackground(picture, PICTURE_W, PICTURE_H); });
    forgetBackgrounds();
}

void benchMemcpy(benchmark::State& state, Panel panel, unsigned bits) {
    if (!openPanel(panel, bits, 0)) {
        state.SkipWithError("framebuffer did not open");
        return;
    }
    std::vector<uint8_t> source(fb.mappingLength, 0x5A);
    for (auto _ : state) {
        std::memcpy(fb.mapping, source.data(), source.size());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * fb.mappingLength);
}

// A width-3.2 line corner to corner across the default statistics area
// (layout 12,11 to 388,242) on a 400 x 256 panel.
void benchWideLine(benchmark::State& state) {
    if (!openPanel({400, 256}, 16, 0)) {
        state.SkipWithError("framebuffer did not open");
        return;
    }
    for (auto _ : state) {
        drawLine(12, 11, 388, 242, 133, 147, 112, 3.2);
        benchmark::ClobberMemory();
    }
}

// The SAVE result in the number display (layout 20,16 202 x 29) on a 400 x 256 panel.
void benchResultText(benchmark::State& state) {
    std::filesystem::create_directories(dataDir());
    std::error_code failed;
    std::filesystem::copy_file(PW_BENCH_FONT, dataPath("Diduz.ovo"),
                               std::filesystem::copy_options::overwrite_existing, failed);
    if (failed || !openPanel({400, 256}, 16, 0)) {
        state.SkipWithError("font or framebuffer missing");
        return;
    }
    for (auto _ : state) {
        drawText(20, 16, 222, 45, "=> 7.65", "Diduz.ovo", 29, 0, 89, 98, 75, -1, -1, -1);
        benchmark::ClobberMemory();
    }
    // Shows that the text was drawn at all, not just a font lookup failing fast.
    state.counters["inked_bytes"] = static_cast<double>(
        fb.mappingLength - std::count(fb.mapping, fb.mapping + fb.mappingLength, 0));
}

void registerAll() {
    for (const Panel& panel : PANELS)
        for (unsigned bits : {16u, 32u}) {
            const std::string size = std::to_string(panel.w) + "x" + std::to_string(panel.h) + "/" +
                                     std::to_string(bits) + "bit";
            fixRunLength(
                benchmark::RegisterBenchmark(("memcpy/" + size).c_str(), benchMemcpy, panel, bits));
            for (int turn = 0; turn < 4; ++turn) {
                const std::string name = size + "/" + TURN_NAMES[turn];
                fixRunLength(benchmark::RegisterBenchmark(("redraw/" + name).c_str(), benchRedraw,
                                                          panel, bits, turn))
                    ->UseManualTime();
                fixRunLength(benchmark::RegisterBenchmark(("copy/" + name).c_str(), benchCopy,
                                                          panel, bits, turn, &copyImageRegion))
                    ->UseManualTime();
                fixRunLength(benchmark::RegisterBenchmark(("per-pixel/" + name).c_str(), benchCopy,
                                                          panel, bits, turn,
                                                          &copyImageRegionPerPixel))
                    ->UseManualTime();
            }
        }
    fixRunLength(benchmark::RegisterBenchmark("drawLine/statistics-area/width-3.2", benchWideLine));
    fixRunLength(benchmark::RegisterBenchmark("drawText/result/size-29", benchResultText));
    registerProgramBenchmarks();
    registerStatisticsBenchmarks();
}

// Takes --iterations=N out of the command line (Google Benchmark does not know it).
bool takeIterations(int& argc, char** argv) {
    const std::string flag = "--iterations=";
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.compare(0, flag.size(), flag) != 0) {
            argv[kept++] = argv[i];
            continue;
        }
        char* end = nullptr;
        fixedIterations = std::strtoll(arg.c_str() + flag.size(), &end, 10);
        if (*end != '\0' || fixedIterations < 1) {
            std::fprintf(stderr, "%s: --iterations takes a count above 0\n", argv[0]);
            return false;
        }
    }
    argc = kept;
    argv[argc] = nullptr;
    return true;
}

} // namespace

int main(int argc, char** argv) {
    const std::string scratch = makeScratchRoot("pumpwright-bench");
    if (scratch.empty())
        return 1;

    const bool counted = takeIterations(argc, argv);
    registerAll();
    benchmark::Initialize(&argc, argv);
    const bool ok = counted && !benchmark::ReportUnrecognizedArguments(argc, argv);
    if (ok)
        benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    resetFB();
    std::error_code ignored;
    std::filesystem::remove_all(scratch, ignored);
    return ok ? 0 : 1;
}
