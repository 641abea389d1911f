#pragma once
// The framebuffer the benchmarks draw into: a file under the scratch root that main()
// prepares, opened through initFB with a panel's geometry; and the registration of the
// cases, which main() runs once it has read its own options.
#include <benchmark/benchmark.h>
#include <cstdint>

struct Panel {
    int w, h;
};

// Opens a fresh framebuffer file of the panel's size; turn bit 0 quarter, bit 1 half.
bool openPanel(const Panel& panel, unsigned bits, int turn);

// Iterations every case runs when set by --iterations=N (counting instructions needs a
// known count); 0 lets Google Benchmark choose.
extern int64_t fixedIterations;
// Applies fixedIterations to a registered case.
benchmark::internal::Benchmark* fixRunLength(benchmark::internal::Benchmark* b);

void registerProgramBenchmarks();
void registerStatisticsBenchmarks();
