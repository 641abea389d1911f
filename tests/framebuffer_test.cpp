#include "base/numeric.h"
#include "display/background.h"
#include "display/draw.h"
#include "display/framebuffer.h"
#include "display/image.h"
#include "display/screen_map.h"
#include "display/text.h"
#include "props/layout.h"
#include "props/properties.h"
#include "tests/screen_fixture.h"
#include "testsupport/process_state.h"

#include <cmath>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using Framebuffer = ScreenTest;

TEST_F(Framebuffer, PanelShapeChoosesTheQuarterTurnDefault) {
    struct Case {
        unsigned xres, yres;
        bool turned;
        const char* stored;
    };
    for (const Case c :
         {Case{320, 240, false, "0"}, Case{240, 320, true, "1"}, Case{100, 100, true, "1"}}) {
        resetProcessState();
        ASSERT_TRUE(openScreen(c.xres, c.yres, 16));
        EXPECT_EQ(fb.xres, static_cast<int>(c.xres));
        EXPECT_EQ(fb.yres, static_cast<int>(c.yres));
        EXPECT_EQ(fb.quarterTurn, c.turned) << c.xres << "x" << c.yres;
        EXPECT_STREQ(getProperty("P_ROT90", "unset"), c.stored);
    }
}

TEST_F(Framebuffer, OnlyAStoredOneTurnsAQuarter) {
    for (const char* value : {"2", "0", "-1", "x"}) {
        resetProcessState();
        setProperty("P_ROT90", value);
        ASSERT_TRUE(openScreen(240, 320, 16));
        EXPECT_FALSE(fb.quarterTurn) << value;
    }
    resetProcessState();
    setProperty("P_ROT90", "1");
    ASSERT_TRUE(openScreen(320, 240, 32));
    EXPECT_TRUE(fb.quarterTurn);
}

TEST_F(Framebuffer, HalfTurnComesFromTheStartUpSettings) {
    setProperty("P_ROT180", "1");
    loadLayout();
    ASSERT_TRUE(openScreen(32, 16, 16));
    EXPECT_TRUE(fb.halfTurn);
    resetProcessState();
    loadLayout();
    ASSERT_TRUE(openScreen(32, 16, 16));
    EXPECT_FALSE(fb.halfTurn);
}

TEST_F(Framebuffer, OpensOnceAndClosesCleanly) {
    ASSERT_TRUE(openScreen(40, 30, 16));
    const int fd = fb.fd;
    EXPECT_TRUE(initFB());
    EXPECT_EQ(fb.fd, fd);
    closeFB();
    EXPECT_EQ(fb.fd, -1);
    EXPECT_EQ(fcntl(fd, F_GETFD), -1); // the descriptor itself is closed, not only forgotten
    EXPECT_EQ(fb.mapping, nullptr);
    putPixel(0, 0, 255, 255, 255, 255); // closed: dropped, not a crash
    closeFB();
    EXPECT_EQ(readFile(devicePath()), std::string(40 * 30 * 2, '\0'));
}

TEST_F(Framebuffer, FailuresAreLoggedAndLeaveItClosed) {
    EXPECT_FALSE(initFB()); // no device file
    EXPECT_EQ(debugLogText(), "### Error in initFB: No such file or directory\n\n");

    DesktopScreen screen;
    failScreenQueries(true, false);
    EXPECT_FALSE(openScreen(screen));
    EXPECT_EQ(fb.fd, -1);
    failScreenQueries(false, true);
    EXPECT_FALSE(openScreen(screen));
    EXPECT_EQ(fb.fd, -1);
    EXPECT_EQ(debugLogText(), "### Error in initFB: No such file or directory\n\n"
                              "### Error reading fixed information.\n\n"
                              "### Error reading variable information.\n\n");
}

TEST_F(Framebuffer, MappingThatCannotCoverTheScreenIsRefused) {
    DesktopScreen screen;
    screen.xres = 16;
    screen.yres = 8;
    EXPECT_FALSE(openScreen(screen, -1)); // the file lacks the last byte
    EXPECT_EQ(fb.fd, -1);
    EXPECT_EQ(fb.mapping, nullptr);
    EXPECT_EQ(debugLogText(), "### Error mapping framebuffer: 256 bytes for 16x8 at 16 bits\n");
    // The program goes on with the panel's size known and nothing to draw into: every
    // drawing goes nowhere.
    std::vector<uint8_t> bytes(16 * 8 * 2, 0x55);
    const Image picture{bytes.data(), bytes.size()};
    putPixel(15, 7, 255, 255, 255, 255);
    drawLine(0, 0, 15, 7, 255, 255, 255, 1.0);
    drawLine(0.5, 0, 15.5, 7, 255, 255, 255, 3.0);
    fillRect(0, 0, 15, 7, 255, 255, 255);
    fillEllipse(8, 4, 10, 6, 255, 255, 255);
    drawRaisedBox(0, 0, 15, 7, 255, 255, 255);
    drawGlyph({bytes.data(), 4, 4, 4}, 3, 3, 0, 0, 0, 255, 0, 0);
    copyImageRegion(0, 0, 16, 8, 16, 8, 16, 8, picture);
    drawBackground(picture, 16, 8);
    drawBackground(picture, 16, 8);
    // An 8-bit panel's pixels are a byte apart, but each is written as two: its last one
    // reaches a byte past the 128 of the plain screen.
    screen.bitsPerPixel = 8;
    EXPECT_FALSE(openScreen(screen, -1));
    ASSERT_TRUE(openScreen(screen));
    EXPECT_EQ(fb.mappingLength, 129u);
    closeFB();
    screen.bitsPerPixel = 16;

    screen.xres = 0; // a driver reporting no screen
    EXPECT_FALSE(openScreen(screen, 64));
    EXPECT_EQ(fb.mapping, nullptr);
    // no rows, on padded lines: nothing is addressed, though the last row's start lies
    // before the first
    screen.xres = 16;
    screen.yres = 0;
    screen.lineLength = 64;
    EXPECT_FALSE(openScreen(screen, 64));
    EXPECT_EQ(fb.mapping, nullptr);
    // a device that takes no mapping at all
    std::filesystem::remove(devicePath());
    std::filesystem::create_symlink("/dev/null", devicePath());
    screen.yres = 8;
    setDesktopScreen(screen);
    EXPECT_FALSE(initFB());
    EXPECT_EQ(fb.fd, -1);
    EXPECT_EQ(fb.mapping, nullptr);
    EXPECT_EQ(debugLogText(), "### Error mapping framebuffer: 256 bytes for 16x8 at 16 bits\n"
                              "### Error mapping framebuffer: 129 bytes for 16x8 at 8 bits\n"
                              "### Error mapping framebuffer: 0 bytes for 0x8 at 16 bits\n"
                              "### Error mapping framebuffer: 0 bytes for 16x0 at 16 bits\n"
                              "### Error mapping framebuffer: No such device\n");
}

TEST_F(Framebuffer, PaddedLinesAndPanningAreMappedAndAddressed) {
    DesktopScreen screen;
    screen.xres = 10;
    screen.yres = 4;
    screen.lineLength = 32;
    screen.xoffset = 3;
    screen.yoffset = 2;
    ASSERT_TRUE(openScreen(screen));
    // last pixel at 32 * (3 + 2) + (9 + 3) * 2, two bytes long
    EXPECT_EQ(fb.mappingLength, 186u);
    putPixel(0, 0, 255, 0, 0, 255);
    putPixel(9, 3, 0, 0, 255, 255);
    closeFB();
    const std::string bytes = readFile(devicePath());
    ASSERT_EQ(bytes.size(), 186u);
    std::string expected(186, '\0');
    expected[32 * 2 + 3 * 2 + 1] = '\xF8';
    expected[184] = '\x1F';
    EXPECT_EQ(bytes, expected);

    // a panel one line high is padded and panned the same way
    resetProcessState();
    screen.yres = 1;
    ASSERT_TRUE(openScreen(screen));
    EXPECT_EQ(fb.mappingLength, 32u * 2 + (9 + 3) * 2 + 2);
}

TEST_F(Framebuffer, PixelFormats) {
    ASSERT_TRUE(openScreen(8, 4, 16));
    struct Case {
        int r, g, b;
        uint8_t low, high;
    };
    for (const Case c : {Case{255, 255, 255, 0xFF, 0xFF}, Case{255, 0, 0, 0x00, 0xF8},
                         Case{0, 255, 0, 0xE0, 0x07}, Case{0, 0, 255, 0x1F, 0x00},
                         Case{0x1FF, 0x100, 0x107, 0x00, 0xF8}}) { // only the low 8 bits count
        putPixel(2, 1, c.r, c.g, c.b, 255);
        EXPECT_EQ(at(2, 1)[0], c.low) << c.r << " " << c.g << " " << c.b;
        EXPECT_EQ(at(2, 1)[1], c.high) << c.r << " " << c.g << " " << c.b;
    }

    resetProcessState();
    ASSERT_TRUE(openScreen(8, 4, 32));
    fillMapping(0xAA);
    putPixel(2, 1, 1, 2, 3, 255);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(at(2, 1)), 4), std::string("\3\2\1\0", 4));
    putPixel(3, 1, 0x101, 0x102, 0x1FF, 255);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(at(3, 1)), 4), std::string("\xFF\2\1\0", 4));
}

TEST_F(Framebuffer, CoverageThresholdAndClipping) {
    ASSERT_TRUE(openScreen(6, 5, 32));
    putPixel(1, 1, 9, 9, 9, 128);
    EXPECT_EQ(litPixels(), "");
    putPixel(1, 1, 9, 9, 9, 129);
    EXPECT_EQ(litPixels(), "1,1 ");
    putUprightPixel(2, 2, 9, 9, 9, 128);
    putUprightPixel(3, 3, 9, 9, 9, 0);
    EXPECT_EQ(litPixels(), "1,1 ");
    putUprightPixel(2, 2, 9, 9, 9, 129);
    EXPECT_EQ(litPixels(), "1,1 2,2 ");

    // Off the screen nothing is written, not even in the next row.
    const std::string before = mappingBytes();
    for (const auto& p : {Point{-1, 0}, Point{6, 0}, Point{0, -1}, Point{0, 5}, Point{6, 4}})
        putPixel(p.x, p.y, 255, 255, 255, 255);
    EXPECT_EQ(mappingBytes(), before);
}

TEST_F(Framebuffer, UprightCornersWithTheQuarterTurn) {
    setProperty("P_ROT90", "1");
    ASSERT_TRUE(openScreen(8, 5, 32));
    putUprightPixel(0, 0, 1, 1, 1, 255);
    EXPECT_EQ(litPixels(), "7,0 ");
    fillMapping(0);
    putUprightPixel(4, 7, 1, 1, 1, 255); // (yres - 1, xres - 1)
    EXPECT_EQ(litPixels(), "0,4 ");
    fillMapping(0);
    putUprightPixel(5, 0, 1, 1, 1, 255); // upright width is yres
    EXPECT_EQ(litPixels(), "");
}

TEST(CoordinateMapping, LayoutToScreen) {
    fb.quarterTurn = false;
    EXPECT_EQ(layoutToScreen(0, 0, 400, 256, 800, 480).x, 1);
    EXPECT_EQ(layoutToScreen(0, 0, 400, 256, 800, 480).y, 0);
    EXPECT_EQ(layoutToScreen(399, 255, 400, 256, 800, 480).x, 799);
    EXPECT_EQ(layoutToScreen(399, 255, 400, 256, 800, 480).y, 479);
    // Layout sizes of 0 from a hand-edited environment give far-off points, not a crash.
    EXPECT_EQ(layoutToScreen(3, 3, 0, 0, 800, 480).x, COORD_LIMIT);
    EXPECT_EQ(layoutToScreen(0, 0, 0, 0, 800, 480).x, COORD_LIMIT);

    fb.quarterTurn = true; // layout x runs down the screen, layout y from right to left
    const Point p = layoutToScreen(0, 0, 400, 256, 256, 400);
    EXPECT_EQ(p.x, 255);
    EXPECT_EQ(p.y, 0);
    const Point q = layoutToScreen(399, 255, 400, 256, 480, 800);
    EXPECT_EQ(q.x, 0);   // (256 - 255 - 0.5) * 480 / 256 = 0.94
    EXPECT_EQ(q.y, 799); // 399.5 * 800 / 400
    resetFB();
}

TEST(CoordinateMapping, ScreenToLayoutWithTurns) {
    fb.quarterTurn = false;
    fb.halfTurn = true;
    Point p = screenToLayout(0, 0, 400, 256, 400, 256);
    EXPECT_EQ(p.x, 399);
    EXPECT_EQ(p.y, 255);
    p = screenToLayout(399, 255, 400, 256, 400, 256);
    EXPECT_EQ(p.x, 0);
    EXPECT_EQ(p.y, 0);

    fb.halfTurn = false;
    p = screenToLayout(799, 479, 800, 480, 400, 256);
    EXPECT_EQ(p.x, 399);
    EXPECT_EQ(p.y, 255);

    // With the quarter turn the layout's origin is at the screen's top-right corner,
    // the inverse of layoutToScreen.
    fb.quarterTurn = true;
    p = screenToLayout(255, 0, 256, 400, 400, 256);
    EXPECT_EQ(p.x, 0);
    EXPECT_EQ(p.y, 0);
    p = screenToLayout(0, 399, 256, 400, 400, 256);
    EXPECT_EQ(p.x, 399);
    EXPECT_EQ(p.y, 255);
    resetFB();
}

TEST(CoordinateMapping, TruncationIsBounded) {
    EXPECT_EQ(truncToInt(-2.7), -2);
    EXPECT_EQ(truncToInt(2.7), 2);
    EXPECT_EQ(truncToInt(NAN), 0);
    EXPECT_EQ(truncToInt(1e300), COORD_LIMIT);
    EXPECT_EQ(truncToInt(-INFINITY), -COORD_LIMIT);
}

} // namespace
