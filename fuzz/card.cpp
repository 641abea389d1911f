#include "fuzz/card.h"

#include "app/app_state.h"
#include "app/main_loop.h"
#include "base/paths.h"
#include "display/fb_query.h"
#include "props/layout.h"
#include "testsupport/process_state.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {

bool made = false;

void writeFile(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
}

void makeCard() {
    char pattern[] = "/tmp/pumpwright-fuzz-XXXXXX";
    if (!mkdtemp(pattern)) {
        std::perror("mkdtemp");
        std::abort();
    }
    setRootPrefix(pattern);
    std::filesystem::create_directories(dataDir());
    std::filesystem::create_directories(rootedPath("/dev/input"));
    std::filesystem::create_directories(rootedPath("/mnt/flash/sysfile"));
    // Pictures shorter than their layout size are drawn with black for the missing part,
    // so a few rows each are enough to exercise every copy.
    const char* names[] = {"s0.raw", "s0a.raw", "s1.raw", "s1a.raw", "s2.raw"};
    for (int i = 0; i < 5; ++i)
        writeFile(dataPath(names[i]), std::string(400 * 2 * 8, static_cast<char>(0x11 * (i + 1))));
    std::filesystem::copy_file(PW_TEST_FONT, dataPath("Diduz.ovo"),
                               std::filesystem::copy_options::overwrite_existing);
    DesktopScreen screen;
    screen.xres = CARD_XRES;
    screen.yres = CARD_YRES;
    screen.bitsPerPixel = 16;
    setDesktopScreen(screen);
    made = true;
}

} // namespace

void freshCard() {
    if (!made)
        makeCard();
    resetProcessState();
    for (const char* name :
         {"consumption.txt", "events.txt", "properties.txt", "environment.txt",
          "properties.txt.new", "environment.txt.new", "Debug.log", "Debug.log.1"})
        std::filesystem::remove(dataPath(name));
    std::filesystem::remove(rootedPath(EVENT_DEVICE));
    std::filesystem::remove(rootedPath(CALIBRATION_FILE));
    writeFile(rootedPath(FB_DEVICE), std::string(CARD_XRES * CARD_YRES * 2, '\0'));
    writeFile(rootedPath(TS_DEVICE), "");
    // A few refills of every vehicle, so that the statistics screens have something to draw.
    writeFile(dataPath("consumption.txt"),
              "# refills\n"
              "0\t180.00\t8.10\t0.0\t14.00\t4.50\tSun Apr  5 12:00:00 2026\n"
              "1\t412.00\t31.50\t0.0\t55.44\t7.65\tMon Mar  2 10:12:44 2026\n"
              "1\t0.0\t30.00\t15230.00\t52.10\t0.00\tTue Mar 10 18:01:02 2026\n"
              "1\t0.0\t41.20\t15790.00\t70.33\t0.00\tSat Mar 21 08:00:00 2026\n"
              "2\t650.00\t45.00\t0.0\t80.00\t6.92\tMon Apr  6 12:00:00 2026\n");
}

void writeCardFile(const std::string& name, const uint8_t* data, std::size_t size) {
    const std::string path = name[0] == '/' ? rootedPath(name.c_str()) : dataPath(name.c_str());
    writeFile(path, std::string(reinterpret_cast<const char*>(data), size));
}

bool startCardProgram() {
    int status = 0;
    return startProgram(status);
}

void visitEveryScreen() {
    for (int screen = 0; screen < SCREEN_COUNT; ++screen) {
        app.currentScreen = screen;
        app.fullRedrawRequested = true;
        runPass();
    }
}
