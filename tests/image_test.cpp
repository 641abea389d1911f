#include "app/screens.h"
#include "base/debug_log.h"
#include "display/framebuffer.h"
#include "display/image.h"
#include "props/properties.h"
#include "tests/screen_fixture.h"
#include "testsupport/image_reference.h"
#include "testsupport/process_state.h"

#include <random>
#include <string>
#include <vector>

namespace {

class Images : public ScreenTest {
  protected:
    // Random pixels, seeded so that a failure repeats.
    static std::vector<uint8_t> randomBytes(std::size_t n, unsigned seed) {
        std::mt19937 random(seed);
        std::vector<uint8_t> bytes(n);
        for (uint8_t& b : bytes)
            b = static_cast<uint8_t>(random());
        return bytes;
    }
    // 32-bit picture whose pixel (x, y) holds x in its first two bytes and y in the third.
    static std::vector<uint8_t> coordinatePicture(int w, int h) {
        std::vector<uint8_t> bytes(static_cast<std::size_t>(w) * h * 4);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                uint8_t* p = &bytes[(static_cast<std::size_t>(y) * w + x) * 4];
                p[0] = static_cast<uint8_t>(x);
                p[1] = static_cast<uint8_t>(x >> 8);
                p[2] = static_cast<uint8_t>(y);
            }
        return bytes;
    }
    // The picture pixel shown at screen (x, y) of a screen showing a coordinatePicture.
    Point shown(int x, int y) const {
        const uint8_t* p = at(x, y);
        return {p[0] | p[1] << 8, p[2]};
    }
    static Image imageOf(std::vector<uint8_t>& bytes) { return {bytes.data(), bytes.size()}; }
};

#define EXPECT_SHOWS(SX, SY, IX, IY)                                                               \
    do {                                                                                           \
        const Point shown_ = shown(SX, SY);                                                        \
        EXPECT_EQ(shown_.x, IX) << "screen " << (SX) << "," << (SY);                               \
        EXPECT_EQ(shown_.y, IY) << "screen " << (SX) << "," << (SY);                               \
    } while (0)

TEST_F(Images, LoadReadsTheWholeFile) {
    const std::string content("\x01\x02\x03\x04\x05", 5);
    writeFile(dataFile("s0.raw"), content);
    writeFile(dataFile("one.raw"), "\x07");
    writeFile(dataFile("empty.raw"), "");
    Image image;
    ASSERT_TRUE(loadImage("s0.raw", image));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(image.data), image.size), content);
    delete[] image.data;
    ASSERT_TRUE(loadImage("one.raw", image));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(image.data), image.size), "\x07");
    delete[] image.data;
    ASSERT_TRUE(loadImage("empty.raw", image));
    EXPECT_EQ(image.size, 0u);
    delete[] image.data;
    // a card that delivers the file in pieces
    splitReads(2);
    ASSERT_TRUE(loadImage("s0.raw", image));
    splitReads(0);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(image.data), image.size), content);
    delete[] image.data;
    EXPECT_EQ(debugLogText(), "");
}

TEST_F(Images, LoadFailuresAreLogged) {
    Image image;
    EXPECT_FALSE(loadImage("missing.raw", image));
    resetDebugLog(); // a new run: the same message is logged again
    makeDirs(dataFile("folder.raw"));
    EXPECT_FALSE(loadImage("folder.raw", image));
    EXPECT_EQ(image.data, nullptr);

    // A picture the memory cannot hold is not loaded either.
    writeFile(dataFile("s0.raw"), "\x01\x02");
    refuseArrays(true);
    EXPECT_FALSE(loadImage("s0.raw", image));
    refuseArrays(false);
    EXPECT_EQ(image.data, nullptr);
    EXPECT_EQ(debugLogText(), "### Error opening image!\n### Error opening image!\n"
                              "### Memory-allocation for file returned NULL\n");
}

TEST_F(Images, SameSizeCopyIsByteForByte) {
    for (unsigned bits : {16u, 32u}) {
        resetFB();
        ASSERT_TRUE(openScreen(400, 256, bits));
        std::vector<uint8_t> picture = randomBytes(400 * 256 * bits / 8, bits);
        copyImageRegion(0, 0, 400, 256, 400, 256, 400, 256, imageOf(picture));
        EXPECT_TRUE(mappingBytes() == std::string(picture.begin(), picture.end())) << bits;
    }
}

TEST_F(Images, ScaledCopyFollowsTheAccumulatedSteps) {
    ASSERT_TRUE(openScreen(800, 480, 32));
    std::vector<uint8_t> picture = coordinatePicture(400, 256);
    copyImageRegion(0, 0, 800, 480, 800, 480, 400, 256, imageOf(picture));
    EXPECT_SHOWS(0, 0, 0, 0);
    EXPECT_SHOWS(1, 0, 0, 0); // stepX 0.5
    EXPECT_SHOWS(2, 0, 1, 0);
    EXPECT_SHOWS(799, 0, 399, 0);
    EXPECT_SHOWS(0, 2, 0, 1); // stepY 256 / 480
    // 15 additions of 256 / 480 fall just short of 8: the row stays at 7.
    EXPECT_SHOWS(0, 15, 0, 7);
    EXPECT_SHOWS(0, 16, 0, 8);
    EXPECT_SHOWS(799, 479, 399, 255);
    // The long sum up to 65536 steps; beyond (a rectangle reaching that far off the
    // screen) one multiplication, whose rounding differs.
    double sum = 0.0;
    for (int k = 0; k < 65536; ++k)
        sum += 0.1;
    EXPECT_EQ(advancePosition(0.0, 0.1, 65536), sum);
    ASSERT_NE(sum + 0.1, 65537 * 0.1);
    EXPECT_EQ(advancePosition(0.0, 0.1, 65537), 65537 * 0.1);
}

TEST_F(Images, TurnedWholeScreenCopies) {
    ASSERT_TRUE(openScreen(400, 256, 32));
    std::vector<uint8_t> picture = coordinatePicture(400, 256);
    fb.halfTurn = true;
    copyImageRegion(0, 0, 400, 256, 400, 256, 400, 256, imageOf(picture));
    EXPECT_SHOWS(0, 0, 399, 255);
    EXPECT_SHOWS(399, 255, 0, 0);
    EXPECT_SHOWS(10, 20, 389, 235);

    // A portrait panel turned a quarter shows the picture upright: the layout's
    // origin at the screen's top-right corner, its x axis running down.
    resetFB();
    setProperty("P_ROT90", "1");
    ASSERT_TRUE(openScreen(256, 400, 32));
    copyImageRegion(0, 0, 256, 400, 256, 400, 400, 256, imageOf(picture));
    EXPECT_SHOWS(255, 0, 0, 0);
    EXPECT_SHOWS(255, 399, 399, 0);
    EXPECT_SHOWS(0, 399, 399, 255);
    EXPECT_SHOWS(0, 0, 0, 255);
}

TEST_F(Images, CornersInEitherOrderAndEmptyRegions) {
    ASSERT_TRUE(openScreen(320, 240, 16));
    std::vector<uint8_t> picture = randomBytes(400 * 256 * 2, 7);
    const Image image = imageOf(picture);
    copyImageRegion(30, 20, 200, 150, 320, 240, 400, 256, image);
    const std::string forward = mappingBytes();
    EXPECT_NE(forward, std::string(forward.size(), '\0'));
    for (const auto& c : {std::vector<int>{200, 150, 30, 20}, std::vector<int>{30, 150, 200, 20},
                          std::vector<int>{200, 20, 30, 150}}) {
        fillMapping(0);
        copyImageRegion(c[0], c[1], c[2], c[3], 320, 240, 400, 256, image);
        EXPECT_TRUE(mappingBytes() == forward) << c[0] << "," << c[1];
    }
    fillMapping(0);
    copyImageRegion(30, 20, 30, 150, 320, 240, 400, 256, image);
    copyImageRegion(30, 20, 200, 20, 320, 240, 400, 256, image);
    EXPECT_EQ(litPixels(), "");
}

TEST_F(Images, ShortPicturesShowBlackForMissingPixels) {
    ASSERT_TRUE(openScreen(8, 4, 16));
    // five whole pixels, alone or with half of a sixth: the fifth still shows
    for (std::size_t size : {10, 11}) {
        std::vector<uint8_t> picture = randomBytes(size, 3);
        fillMapping(0xAA);
        copyImageRegion(0, 0, 8, 4, 8, 4, 8, 4, imageOf(picture));
        std::string expected(picture.begin(), picture.begin() + 10);
        expected += std::string(8 * 4 * 2 - 10, '\0');
        EXPECT_TRUE(mappingBytes() == expected) << size;
    }

    fillMapping(0xAA);
    copyImageRegion(0, 0, 8, 4, 8, 4, 8, 4, Image{});
    EXPECT_EQ(mappingBytes(), std::string(8 * 4 * 2, '\0'));
}

TEST_F(Images, NothingIsWrittenOffTheScreenOrPastTheMapping) {
    DesktopScreen screen;
    screen.xres = 16;
    screen.yres = 8;
    ASSERT_TRUE(openScreen(screen));
    std::vector<uint8_t> picture = randomBytes(100 * 100 * 2, 5);
    // The mapped page goes on past the device's 256 bytes; that rest must stay untouched.
    const std::string pageRest(reinterpret_cast<char*>(fb.mapping) + 256, 4096 - 256);
    copyImageRegion(-40, -30, 60, 50, 16, 8, 100, 100, imageOf(picture));
    copyImageRegion(0, 0, 100, 100, 100, 100, 100, 100,
                    imageOf(picture)); // caller's screen too big
    EXPECT_EQ(std::string(reinterpret_cast<char*>(fb.mapping) + 256, 4096 - 256), pageRest);

    // Off to the left the rows do not wrap into the row above.
    fillMapping(0);
    copyImageRegion(-5, 2, 3, 3, 16, 8, 100, 100, imageOf(picture));
    EXPECT_EQ(litPixels(), "0,2 1,2 2,2 ");
}

// The fast copy against the per-pixel reference, over screens of many shapes (odd ones,
// padded lines and panning included), every depth, every turn, whole screens and
// sub-rectangles down to two pixels wide, and pictures shorter than their layout size.
TEST_F(Images, FastCopyMatchesThePerPixelReference) {
    struct Panel {
        int w, h;
        unsigned padding, xoffset, yoffset;
    };
    const Panel panels[] = {{400, 256, 0, 0, 0}, {800, 480, 0, 0, 0}, {480, 272, 64, 0, 0},
                            {320, 240, 0, 0, 0}, {333, 197, 6, 3, 2}, {257, 401, 0, 0, 0},
                            {17, 3, 0, 0, 0},    {1, 1, 0, 0, 0}};
    const Point pictures[] = {{400, 256}, {37, 23}};
    int compared = 0;
    for (unsigned bits : {16u, 24u, 32u})
        for (const Panel s : panels) {
            resetFB();
            DesktopScreen screen;
            screen.xres = static_cast<unsigned>(s.w);
            screen.yres = static_cast<unsigned>(s.h);
            screen.bitsPerPixel = bits;
            screen.lineLength = screen.xres * bits / 8 + s.padding;
            screen.xoffset = s.xoffset;
            screen.yoffset = s.yoffset;
            ASSERT_TRUE(openScreen(screen));
            const int rects[][4] = {{0, 0, s.w, s.h},
                                    {s.w / 5, s.h / 7, s.w * 3 / 4, s.h - 3},
                                    {s.w - 1, s.h - 2, 2, 1},
                                    {-13, -7, s.w / 2, s.h + 9},
                                    {0, s.h / 2, s.w, s.h / 2 + 1},
                                    {s.w + 5, 0, s.w + 9, s.h},
                                    {s.w / 3, s.h / 3, s.w / 3 + 2, s.h / 3 + 3}};
            for (const Point p : pictures)
                for (std::size_t cut : {std::size_t{0}, std::size_t{4097}}) {
                    const std::size_t full = static_cast<std::size_t>(p.x) * p.y * bits / 8;
                    std::vector<uint8_t> picture =
                        randomBytes(full > cut ? full - cut : 0, static_cast<unsigned>(s.w));
                    const Image image = imageOf(picture);
                    for (int turn = 0; turn < 4; ++turn) {
                        fb.quarterTurn = turn & 1;
                        fb.halfTurn = turn & 2;
                        for (const auto& r : rects) {
                            fillMapping(0x5A);
                            copyImageRegion(r[0], r[1], r[2], r[3], s.w, s.h, p.x, p.y, image);
                            const std::string fast = mappingBytes();
                            fillMapping(0x5A);
                            copyImageRegionPerPixel(r[0], r[1], r[2], r[3], s.w, s.h, p.x, p.y,
                                                    image);
                            ASSERT_TRUE(fast == mappingBytes())
                                << bits << " bits, screen " << s.w << "x" << s.h << ", picture "
                                << p.x << "x" << p.y << " less " << cut << ", turn " << turn
                                << ", rect " << r[0] << "," << r[1] << "-" << r[2] << "," << r[3];
                            ++compared;
                        }
                    }
                }
        }
    EXPECT_EQ(compared, 3 * 8 * 7 * 2 * 2 * 4);
}

// A driver that pads its lines or pans its view still shows the picture unsheared, each
// pixel where the drawing primitives would put it.
TEST_F(Images, PaddedLinesAndPanningKeepThePictureUpright) {
    DesktopScreen screen;
    screen.xres = 400;
    screen.yres = 256;
    screen.bitsPerPixel = 32;
    screen.lineLength = 1800;
    screen.xoffset = 7;
    screen.yoffset = 3;
    ASSERT_TRUE(openScreen(screen));
    std::vector<uint8_t> picture = coordinatePicture(400, 256);
    copyImageRegion(0, 0, 400, 256, 400, 256, 400, 256, imageOf(picture));
    EXPECT_SHOWS(0, 0, 0, 0);
    EXPECT_SHOWS(399, 0, 399, 0);
    EXPECT_SHOWS(123, 45, 123, 45);
    EXPECT_SHOWS(399, 255, 399, 255);
    EXPECT_EQ(fb.mapping[0], 0); // panned-out bytes stay as they were
    EXPECT_EQ(fb.mapping[1800 * 3 + 7 * 4 - 4], 0);
}

// An upright picture at its own size is copied a row at a time from its own bytes; a
// half-turned one, whose columns run backwards, pixel by pixel.
TEST_F(Images, UprightRowsAreCopiedWhole) {
    ASSERT_TRUE(openScreen(400, 256, 32));
    std::vector<uint8_t> picture = coordinatePicture(400, 256);
    const Image image = imageOf(picture);
    RegionRows rows;
    ASSERT_TRUE(rows.plan(10, 20, 110, 30, 400, 256, 400, 256, image));
    EXPECT_EQ(rows.direct(rows.rowTerms.at(0)), picture.data() + (20 * 400 + 10) * 4);
    fb.halfTurn = true;
    ASSERT_TRUE(rows.plan(10, 20, 110, 30, 400, 256, 400, 256, image));
    EXPECT_EQ(rows.direct(rows.rowTerms.at(0)), nullptr);
}

TEST_F(Images, ButtonsPaintFromTheirScreensPictures) {
    ASSERT_TRUE(openScreen(400, 256, 32));
    std::vector<uint8_t> normalBytes = coordinatePicture(400, 256);
    std::vector<uint8_t> activeBytes = coordinatePicture(400, 256);
    for (std::size_t i = 3; i < activeBytes.size(); i += 4)
        activeBytes[i] = 1; // marks the active picture
    const Image normal = imageOf(normalBytes), active = imageOf(activeBytes);
    imageTable[1] = {&normal, &active};
    const LayoutRect onScreen1{2, 10, 20, 30, 40, 400, 256};
    const LayoutRect onScreens0And2{5, 10, 20, 30, 40, 400, 256};

    drawButtonImage(1, onScreens0And2, true); // mask lacks bit 1
    drawButtonImage(0, onScreens0And2, true); // no pictures for screen 0
    drawButtonImage(7, onScreen1, true);
    EXPECT_EQ(litPixels(), "");

    drawButtonImage(1, onScreen1, true);
    EXPECT_SHOWS(10, 20, 10, 20);
    EXPECT_SHOWS(29, 39, 29, 39);
    EXPECT_EQ(at(29, 39)[3], 1);
    EXPECT_EQ(at(30, 39)[3], 0); // x2 is where the copy stops
    drawButtonImage(1, onScreen1, false);
    EXPECT_EQ(at(29, 39)[3], 0);
    EXPECT_SHOWS(29, 39, 29, 39);
}

TEST_F(Images, HalfTurnedButtonLandsMirrored) {
    ASSERT_TRUE(openScreen(400, 256, 32));
    fb.halfTurn = true;
    std::vector<uint8_t> picture = coordinatePicture(400, 256);
    copyLayoutRect(0, 0, 10, 10, 400, 256, imageOf(picture));
    EXPECT_SHOWS(389, 245, 10, 10);
    EXPECT_SHOWS(398, 254, 1, 1);
    EXPECT_EQ(litPixels().find("388,"), std::string::npos);
}

} // namespace
