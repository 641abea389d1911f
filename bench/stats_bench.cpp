// One redraw of each statistics screen for a log of 100, 1,000 and 10,000 records of the
// selected vehicle. The view reads consumption.txt from the card twice on every redraw,
// as on the device, so the figures include the file reading.
#include "app/app_state.h"
#include "app/stats_view.h"
#include "base/paths.h"
#include "bench/bench_panel.h"
#include "props/layout.h"
#include "props/properties.h"
#include "testsupport/process_state.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace {

// A log of n refills of car 1 with a few of the motorcycle in between: mostly trip
// distances, stretches of odometer readings, now and then a refill without a reading.
void writeLog(int n) {
    std::filesystem::create_directories(dataDir());
    std::ofstream out(dataPath("consumption.txt"), std::ios::trunc);
    out << "# This file contains the consumption-values you entered.\n#\n";
    std::mt19937 random(7);
    auto uniform = [&](double low, double high) {
        return std::uniform_real_distribution<double>(low, high)(random);
    };
    double odometer = 40000;
    char line[160];
    for (int i = 0; i < n; ++i) {
        if (i % 10 == 5)
            out << "0\t210.00\t9.80\t0.0\t17.15\t4.67\tSat Jun 14 16:11:00 2025\n";
        const double distance = std::floor(uniform(340, 620));
        const double fuel = distance * uniform(6.0, 7.8) / 100;
        const double price = fuel * uniform(1.6, 1.9);
        odometer += distance;
        const bool chain = i % 40 >= 20;
        if (chain && i % 40 == 30)
            std::snprintf(line, sizeof line, "1\t0.0\t%.2f\t0.00\t%.2f\t0.00\t%s\n", fuel, price,
                          "Sun Aug 10 08:58:58 2025");
        else if (chain)
            std::snprintf(line, sizeof line, "1\t0.0\t%.2f\t%.2f\t%.2f\t0.00\t%s\n", fuel, odometer,
                          price, "Fri Aug 15 07:35:48 2025");
        else
            std::snprintf(line, sizeof line, "1\t%.2f\t%.2f\t0.0\t%.2f\t%.2f\t%s\n", distance, fuel,
                          price, fuel / distance * 100, "Sat Jan  4 13:55:22 2025");
        out << line;
    }
}

void benchStatisticsScreen(benchmark::State& state, int screen) {
    const int records = static_cast<int>(state.range(0));
    writeLog(records);
    std::error_code failed;
    std::filesystem::copy_file(PW_BENCH_FONT, dataPath("Diduz.ovo"),
                               std::filesystem::copy_options::overwrite_existing, failed);
    resetProperties();
    setProperty("P_CAR1FUELFULL", "55.0"); // the graph with its full-tank ranges
    loadLayout();
    if (failed || !openPanel({400, 256}, 16, 0)) {
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
