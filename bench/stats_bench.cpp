// One redraw of each statistics screen for a log of 100, 1,000 and 10,000 records of the
// selected vehicle. The view reads consumption.txt from the card twice on every redraw,
// as on the device, so the figures include the file reading.
#include "app/app_state.h"
#include "app/stats_view.h"
#include "bench/bench_panel.h"

#include <benchmark/benchmark.h>
#include <string>

namespace {

void benchStatisticsScreen(benchmark::State& state, int screen) {
    const int records = static_cast<int>(state.range(0));
    if (!prepareStatisticsCard(records)) {
        state.SkipWithError("font or framebuffer missing");
        return;
    }
    app.currentScreen = screen;
    for (auto _ : state) {
        drawStatisticsView();
        benchmark::ClobberMemory();
    }
    state.counters["records"] = records;
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * records);
}

} // namespace

void registerStatisticsBenchmarks() {
    const struct {
        const char* name;
        int screen;
    } screens[] = {{"fuel-distance", 2}, {"consumption-price", 3}, {"recap", 4}};
    for (const auto& s : screens)
        fixRunLength(benchmark::RegisterBenchmark((std::string("statistics/") + s.name).c_str(),
                                                  benchStatisticsScreen, s.screen))
            ->Arg(100)
            ->Arg(1000)
            ->Arg(10000)
            ->Unit(benchmark::kMillisecond);
}
