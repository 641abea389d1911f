#include "bench/bench_panel.h"

int64_t fixedIterations = 0;

benchmark::internal::Benchmark* fixRunLength(benchmark::internal::Benchmark* b) {
    return fixedIterations > 0 ? b->Iterations(fixedIterations) : b;
}
