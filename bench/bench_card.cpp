#include "bench/bench_card.h"

#include "app/app_state.h"
#include "base/paths.h"
#include "display/fb_query.h"
#include "display/framebuffer.h"
#include "display/screen_map.h"
#include "props/layout.h"
#include "props/properties.h"
#include "testsupport/process_state.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

bool openPanel(const Panel& panel, unsigned bits, int turn) {
    resetFB();
    DesktopScreen screen;
    screen.xres = static_cast<unsigned>(panel.w);
    screen.yres = static_cast<unsigned>(panel.h);
    screen.bitsPerPixel = bits;
    setDesktopScreen(screen);
    const std::string device = rootedPath(FB_DEVICE);
    std::filesystem::resize_file(device, static_cast<std::uintmax_t>(panel.w) * panel.h * bits / 8);
    if (!initFB())
        return false;
    fb.quarterTurn = turn & 1;
    fb.halfTurn = turn & 2;
    return true;
}

namespace {

// Mostly trip distances, stretches of odometer readings, now and then a refill without
// a reading.
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

bool copyFont() {
    std::error_code failed;
    std::filesystem::create_directories(dataDir(), failed);
    std::filesystem::copy_file(PW_BENCH_FONT, dataPath("Diduz.ovo"),
                               std::filesystem::copy_options::overwrite_existing, failed);
    return !failed;
}

} // namespace

bool prepareStatisticsCard(int n) {
    writeLog(n);
    const bool font = copyFont();
    resetProperties();
    setProperty("P_CAR1FUELFULL", "55.0"); // the graph with its full-tank ranges
    loadLayout();
    return font && openPanel({400, 256}, 16, 0);
}

void prepareProgramCard(int w, int h) {
    DesktopScreen screen;
    screen.xres = static_cast<unsigned>(w);
    screen.yres = static_cast<unsigned>(h);
    setDesktopScreen(screen);
    std::filesystem::resize_file(rootedPath(FB_DEVICE), static_cast<std::uintmax_t>(w) * h * 2);
    std::filesystem::create_directories(dataDir());
    // Plain pictures of the default layout size; their content does not change the cost.
    const std::string picture(400 * 256 * 2, '\x5A');
    for (const char* name : {"s0.raw", "s0a.raw", "s1.raw", "s1a.raw", "s2.raw"})
        std::ofstream(dataPath(name), std::ios::binary | std::ios::trunc) << picture;
    copyFont();
    std::filesystem::remove(dataPath("consumption.txt"));
    std::ofstream(rootedPath(TS_DEVICE)).close();
    resetProcessState();
}

TouchSample saveTouch(bool pressed) {
    const LayoutRect& rect = layout.buttons[BTN_SAVE];
    // in the touch controller's coordinates of an unturned panel
    const Point p = layoutToScreen((rect.x1 + rect.x2) / 2, (rect.y1 + rect.y2) / 2,
                                   layout.screenW[0], layout.screenH[0], fb.xres, fb.yres);
    return {static_cast<uint16_t>(pressed ? 255 : 0), static_cast<int16_t>(p.x),
            static_cast<int16_t>(p.y), 0};
}

void typeRefill() {
    app.enteredDistance = 512.0;
    app.enteredFuel = 35.2;
    app.enteredPrice = 61.5;
}

std::string makeScratchRoot(const char* program) {
    std::string scratch = std::string("/tmp/") + program + "-XXXXXX";
    if (!mkdtemp(scratch.data()))
        return {};
    setRootPrefix(scratch.c_str());
    std::filesystem::create_directories(rootedPath("/dev"));
    std::ofstream(rootedPath(FB_DEVICE)).close();
    return scratch;
}
