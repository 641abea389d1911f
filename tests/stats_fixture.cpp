#include "tests/stats_fixture.h"

#include "props/properties.h"

#include <filesystem>

bool operator==(const Colour& a, const Colour& b) {
    return a.r == b.r && a.g == b.g && a.b == b.b;
}

void StatsTest::SetUp() {
    RootTest::SetUp();
    std::filesystem::copy_file(PW_TEST_FONT, dataFile("Diduz.ovo"));
}

void StatsTest::TearDown() {
    fb = FrameBuffer{};
    RootTest::TearDown();
}

void StatsTest::useScreen(int width, int height, bool halfTurn) {
    loadLayout();
    pixels.assign(static_cast<size_t>(width) * height * 4, 0);
    fb = FrameBuffer{};
    fb.mapping = pixels.data();
    fb.mappingLength = static_cast<uint32_t>(pixels.size());
    fb.var.xres = width;
    fb.var.yres = height;
    fb.var.bits_per_pixel = 32;
    fb.fix.line_length = width * 4;
    fb.xres = width;
    fb.yres = height;
    fb.halfTurn = halfTurn;
}

void StatsTest::useDistinctColours() {
    const char* parts[] = {"wires", "wires.light", "lines", "avgline", "dots", "text", "bg"};
    int value = 10;
    for (const char* part : parts)
        for (const char* c : {".r", ".g", ".b"})
            setProperty(std::string("E_AREA.STATDISPLAY.") + part + c, std::to_string(value++ * 5));
}

Colour StatsTest::at(int x, int y) const {
    const uint8_t* p = &pixels[(static_cast<size_t>(y) * fb.xres + x) * 4];
    return {p[2], p[1], p[0]};
}

bool StatsTest::is(int x, int y, const Colour& c) const {
    return at(x, y) == c;
}

int StatsTest::count(int x1, int y1, int x2, int y2, const Colour& c) const {
    int n = 0;
    for (int y = y1; y <= y2; ++y)
        for (int x = x1; x <= x2; ++x)
            n += is(x, y, c);
    return n;
}

int StatsTest::painted(int x1, int y1, int x2, int y2) const {
    return (y2 - y1 + 1) * (x2 - x1 + 1) - count(x1, y1, x2, y2, Colour{0, 0, 0});
}
