#pragma once
// The registration of the cases, which main() runs once it has read its own options;
// they draw into the framebuffer file main() prepares under the scratch root
// (bench/bench_card.h).
#include "bench/bench_card.h"

#include <benchmark/benchmark.h>
#include <cstdint>

// Iterations every case runs when set by --iterations=N (counting instructions needs a
// known count); 0 lets Google Benchmark choose.
extern int64_t fixedIterations;
// Applies fixedIterations to a registered case.
benchmark::internal::Benchmark* fixRunLength(benchmark::internal::Benchmark* b);

void registerProgramBenchmarks();
void registerStatisticsBenchmarks();
