#include "tests/stats_fixture.h"

#include "display/framebuffer.h"
#include "props/properties.h"
#include "testsupport/process_state.h"

#include <filesystem>

void StatsTest::SetUp() {
    ScreenTest::SetUp();
    std::filesystem::copy_file(PW_TEST_FONT, dataFile("Diduz.ovo"));
}

void StatsTest::useScreen(int width, int height, bool halfTurn) {
    setProperty("P_ROT180", halfTurn ? "1" : "0");
    loadLayout();
    resetFB();
    ASSERT_TRUE(openScreen(width, height, 32));
}

void StatsTest::useDistinctColours() {
    const char* parts[] = {"wires", "wires.light", "lines", "avgline", "dots", "text", "bg"};
    int value = 10;
    for (const char* part : parts)
        for (const char* c : {".r", ".g", ".b"})
            setProperty(std::string("E_AREA.STATDISPLAY.") + part + c, std::to_string(value++ * 5));
}

bool StatsTest::is(int x, int y, const Colour& c) const {
    return colourAt(x, y) == Rgb{c.r, c.g, c.b};
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
