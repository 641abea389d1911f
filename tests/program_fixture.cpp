#include "tests/program_fixture.h"

#include "app/dispatch.h"
#include "app/main_loop.h"
#include "base/paths.h"
#include "display/fb_query.h"
#include "display/framebuffer.h"

#include <filesystem>
#include <fstream>

void ProgramTest::SetUp() {
    RootTest::SetUp();
    prepared = false;
}

void ProgramTest::prepare(int xres, int yres) {
    DesktopScreen screen;
    screen.xres = static_cast<unsigned>(xres);
    screen.yres = static_cast<unsigned>(yres);
    screen.bitsPerPixel = 16;
    setDesktopScreen(screen);
    makeDirs(root + "/dev");
    writeFile(rootedPath(FB_DEVICE), std::string(static_cast<std::size_t>(xres) * yres * 2, '\0'));
    writeFile(rootedPath(TS_DEVICE), "");

    const char* names[] = {"s0.raw", "s0a.raw", "s1.raw", "s1a.raw", "s2.raw"};
    const uint16_t values[] = {PIC_S0_VALUE, PIC_S0A_VALUE, PIC_S1_VALUE, PIC_S1A_VALUE,
                               PIC_S2_VALUE};
    for (int i = 0; i < 5; ++i) {
        std::string picture;
        for (int p = 0; p < 400 * 256; ++p) {
            picture += static_cast<char>(values[i] & 0xFF);
            picture += static_cast<char>(values[i] >> 8);
        }
        writeFile(dataFile(names[i]), picture);
    }
    std::filesystem::copy_file(PW_TEST_FONT, dataFile("Diduz.ovo"));
    prepared = true;
}

void ProgramTest::start() {
    if (!prepared)
        prepare();
    int status = 99;
    ASSERT_TRUE(startProgram(status)) << debugLogText();
}

void ProgramTest::queue(uint16_t pressure, int x, int y) {
    const TouchSample sample{pressure, static_cast<int16_t>(x), static_cast<int16_t>(y), 0};
    std::ofstream out(rootedPath(TS_DEVICE), std::ios::binary | std::ios::app);
    out.write(reinterpret_cast<const char*>(&sample), sizeof sample);
}

void ProgramTest::queueTap(int x, int y) {
    queue(255, x, y);
    queue(0, x, y);
}

bool ProgramTest::dispatch(uint16_t pressure, int x, int y) {
    return dispatchTouch(
        TouchSample{pressure, static_cast<int16_t>(x), static_cast<int16_t>(y), 0});
}

uint16_t ProgramTest::pixel(int x, int y) {
    const uint8_t* p = fb.mapping + (static_cast<std::size_t>(y) * fb.xres + x) * 2;
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

void ProgramTest::setPixel(int x, int y, uint16_t value) {
    uint8_t* p = fb.mapping + (static_cast<std::size_t>(y) * fb.xres + x) * 2;
    p[0] = static_cast<uint8_t>(value & 0xFF);
    p[1] = static_cast<uint8_t>(value >> 8);
}

int ProgramTest::count(int x1, int y1, int x2, int y2, uint16_t value) {
    int n = 0;
    for (int y = y1; y <= y2; ++y) {
        for (int x = x1; x <= x2; ++x)
            n += pixel(x, y) == value;
    }
    return n;
}
