#include "display/draw.h"
#include "display/framebuffer.h"
#include "tests/screen_fixture.h"
#include "tools/common/screenshot.h"

#include <png.h>
#include <vector>

namespace {

class Screenshot : public ScreenTest {
  protected:
    // Decodes a PNG written by the utility into RGB rows.
    static std::vector<uint8_t> decode(const std::string& path, unsigned& w, unsigned& h) {
        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        std::vector<uint8_t> rgb;
        if (!png_image_begin_read_from_file(&image, path.c_str()))
            return rgb;
        image.format = PNG_FORMAT_RGB;
        w = image.width;
        h = image.height;
        rgb.resize(PNG_IMAGE_SIZE(image));
        if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr))
            rgb.clear();
        png_image_free(&image);
        return rgb;
    }
    static Rgb pixel(const std::vector<uint8_t>& rgb, unsigned w, unsigned x, unsigned y) {
        const uint8_t* p = &rgb[(y * w + x) * 3];
        return {p[0], p[1], p[2]};
    }
};

TEST_F(Screenshot, PngOfA16BitScreenWithPaddingAndPanning) {
    DesktopScreen screen;
    screen.xres = 7;
    screen.yres = 5;
    screen.lineLength = 40;
    screen.xoffset = 2;
    screen.yoffset = 1;
    ASSERT_TRUE(openScreen(screen));
    fillMapping(0x33); // padding and panned-out bytes must not show up
    fillRect(0, 0, 6, 4, 0, 0, 0);
    putPixel(0, 0, 255, 255, 255, 255);
    putPixel(6, 0, 255, 0, 0, 255);
    putPixel(0, 4, 8, 4, 8, 255);
    putPixel(6, 4, 100, 150, 200, 255);
    const std::string path = root + "/shot.png";
    ASSERT_TRUE(saveScreenshotPng(path.c_str()));
    unsigned w = 0, h = 0;
    const std::vector<uint8_t> rgb = decode(path, w, h);
    ASSERT_EQ(w, 7u);
    ASSERT_EQ(h, 5u);
    ASSERT_EQ(rgb.size(), 7u * 5 * 3);
    EXPECT_EQ(pixel(rgb, w, 0, 0), (Rgb{255, 255, 255}));
    EXPECT_EQ(pixel(rgb, w, 6, 0), (Rgb{255, 0, 0}));
    EXPECT_EQ(pixel(rgb, w, 0, 4), (Rgb{8, 4, 8}));
    EXPECT_EQ(pixel(rgb, w, 6, 4), (Rgb{99, 150, 206})); // 5-6-5 bits spread over 0..255
    EXPECT_EQ(pixel(rgb, w, 3, 2), (Rgb{0, 0, 0}));

    const std::string raw = root + "/shot.raw";
    ASSERT_TRUE(saveScreenshotRaw(raw.c_str()));
    EXPECT_EQ(readFile(raw), mappingBytes());
}

TEST_F(Screenshot, PngOfA32BitScreenKeepsEveryColour) {
    ASSERT_TRUE(openScreen(3, 2, 32));
    putPixel(0, 0, 1, 2, 3, 255);
    putPixel(2, 1, 250, 128, 7, 255);
    const std::string path = root + "/shot.png";
    ASSERT_TRUE(saveScreenshotPng(path.c_str()));
    unsigned w = 0, h = 0;
    const std::vector<uint8_t> rgb = decode(path, w, h);
    ASSERT_EQ(rgb.size(), 3u * 2 * 3);
    EXPECT_EQ(pixel(rgb, w, 0, 0), (Rgb{1, 2, 3}));
    EXPECT_EQ(pixel(rgb, w, 2, 1), (Rgb{250, 128, 7}));
    EXPECT_EQ(pixel(rgb, w, 1, 0), (Rgb{0, 0, 0}));
}

TEST_F(Screenshot, FailsWithoutAScreenOrAWritableFile) {
    const std::string path = root + "/shot.png";
    EXPECT_FALSE(saveScreenshotPng(path.c_str()));
    EXPECT_FALSE(saveScreenshotRaw(path.c_str()));
    ASSERT_TRUE(openScreen(3, 2, 16));
    const std::string nowhere = root + "/missing/shot.png";
    EXPECT_FALSE(saveScreenshotPng(nowhere.c_str()));
    EXPECT_FALSE(saveScreenshotRaw(nowhere.c_str()));
}

} // namespace
