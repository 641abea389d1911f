#include "display/background.h"
#include "display/framebuffer.h"
#include "tests/screen_fixture.h"
#include "testsupport/image_reference.h"

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace {

class Backgrounds : public ScreenTest {
  protected:
    void TearDown() override {
        forgetBackgrounds();
        ScreenTest::TearDown();
    }
    static std::vector<uint8_t> randomBytes(std::size_t n, unsigned seed) {
        std::mt19937 random(seed);
        std::vector<uint8_t> bytes(n);
        for (uint8_t& b : bytes)
            b = static_cast<uint8_t>(random());
        return bytes;
    }
};

// The kept screen copy against the per-pixel reference at the panel sizes the device
// family ships with, both depths, every turn, with plain, padded and panned lines, and a
// picture shorter than its layout size. Each background is drawn three times: copied
// directly, made, reused; a change of turn must make it anew rather than show the old one.
TEST_F(Backgrounds, KeptCopiesMatchThePerPixelReference) {
    struct Lines {
        unsigned padding, xoffset, yoffset;
    };
    const Point panels[] = {{400, 256}, {480, 272}, {800, 480}};
    const Lines lineKinds[] = {{0, 0, 0}, {64, 0, 0}, {6, 3, 2}};
    int compared = 0;
    for (unsigned bits : {16u, 32u})
        for (const Point s : panels)
            for (const Lines l : lineKinds) {
                resetFB();
                forgetBackgrounds();
                DesktopScreen screen;
                screen.xres = static_cast<unsigned>(s.x);
                screen.yres = static_cast<unsigned>(s.y);
                screen.bitsPerPixel = bits;
                screen.lineLength = screen.xres * bits / 8 + l.padding;
                screen.xoffset = l.xoffset;
                screen.yoffset = l.yoffset;
                ASSERT_TRUE(openScreen(screen));
                std::vector<uint8_t> whole = randomBytes(400 * 256 * bits / 8, bits);
                // The short picture only on plain lines: the lines change where the
                // screen lines land, not what they hold (and emulated ARM runs are slow).
                std::vector<uint8_t> cut(whole.begin(), whole.end() - 4097);
                std::vector<Image> pictures{{whole.data(), whole.size()}};
                if (l.padding == 0 && l.xoffset == 0)
                    pictures.push_back({cut.data(), cut.size()});
                // One that ends in its second line: the first screen line is the
                // picture's own, the others are made, so the screen is no single block.
                const Image twoLines{whole.data(), 400 * bits / 8 + 5};
                if (l.padding == 0 && l.xoffset == 0 && s.x == 400)
                    pictures.push_back(twoLines);
                // Each step changes one turn only.
                for (int turn : {0, 2, 3, 1}) {
                    fb.quarterTurn = turn & 1;
                    fb.halfTurn = turn & 2;
                    for (const Image& picture : pictures) {
                        fillMapping(0x5A);
                        copyImageRegionPerPixel(0, 0, s.x, s.y, s.x, s.y, 400, 256, picture);
                        const std::string expected = mappingBytes();
                        for (int draw = 0; draw < 3; ++draw) {
                            fillMapping(0x5A);
                            drawBackground(picture, 400, 256);
                            ASSERT_TRUE(mappingBytes() == expected)
                                << bits << " bits, " << s.x << "x" << s.y << ", padding "
                                << l.padding << ", offsets " << l.xoffset << "," << l.yoffset
                                << ", turn " << turn << ", picture of " << picture.size
                                << " bytes, draw " << draw;
                            ++compared;
                        }
                    }
                }
                // At most one screen and its line table per picture, whatever the turns did.
                EXPECT_LE(backgroundBytes(),
                          pictures.size() *
                              (std::size_t{1} * s.x * s.y * bits / 8 + s.y * sizeof(void*)));
            }
    EXPECT_EQ(compared, 2 * (3 * (3 + 1) + 1) * 4 * 3);
    forgetBackgrounds();
    EXPECT_EQ(backgroundBytes(), 0u);
}

// A picture drawn whole once holds no memory; from the second time its lines are kept,
// and they are made anew when only the panel's depth changes (an 8-bit panel takes a
// byte a pixel).
TEST_F(Backgrounds, LinesAreKeptFromTheSecondDrawForTheDepthTheyWereMadeAt) {
    std::vector<uint8_t> bytes = randomBytes(400 * 256 * 4, 5);
    const Image picture{bytes.data(), bytes.size()};
    for (unsigned bits : {16u, 8u, 32u}) {
        resetFB();
        ASSERT_TRUE(openScreen(800, 480, bits));
        fillMapping(0x5A);
        copyImageRegionPerPixel(0, 0, 800, 480, 800, 480, 400, 256, picture);
        const std::string expected = mappingBytes();
        for (int draw = 0; draw < 3; ++draw) {
            fillMapping(0x5A);
            drawBackground(picture, 400, 256);
            EXPECT_TRUE(mappingBytes() == expected) << bits << " bits, draw " << draw;
            if (draw == 0) {
                EXPECT_EQ(backgroundBytes(), 0u) << bits << " bits";
            }
        }
        // each of the picture's 256 rows made once, and a pointer per screen line
        EXPECT_EQ(backgroundBytes(), std::size_t{256} * 800 * bits / 8 + 480 * sizeof(void*))
            << bits << " bits";
    }
}

// Without memory for a kept screen every full redraw still paints the picture exactly,
// by the direct copy; the memory is asked for once (at the second redraw), and nothing is
// logged.
TEST_F(Backgrounds, RefusedMemoryFallsBackToTheDirectCopy) {
    ASSERT_TRUE(openScreen(800, 480, 16));
    fb.quarterTurn = true;
    std::vector<uint8_t> bytes = randomBytes(400 * 256 * 2, 11);
    const Image picture{bytes.data(), bytes.size()};
    copyImageRegionPerPixel(0, 0, 800, 480, 800, 480, 400, 256, picture);
    const std::string expected = mappingBytes();
    refuseArrays(true);
    for (int draw = 0; draw < 4; ++draw) {
        fillMapping(0x5A);
        drawBackground(picture, 400, 256);
        EXPECT_TRUE(mappingBytes() == expected) << "draw " << draw;
    }
    refuseArrays(false);
    EXPECT_EQ(refusedArrays(), 1);
    EXPECT_EQ(backgroundBytes(), 0u);
    EXPECT_EQ(debugLogText(), "");
}

} // namespace
