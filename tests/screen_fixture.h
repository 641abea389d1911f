#pragma once
// A scratch root with a regular file standing in for the framebuffer device, opened
// through initFB with a configured geometry, and helpers to look at its pixels.
#include "display/fb_query.h"
#include "tests/test_root.h"

#include <cstdint>
#include <string>

struct Rgb {
    int r, g, b;
    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
};

// Makes the screen-information queries fail from now on, as a driver may; the fixture
// clears them again.
void failScreenQueries(bool fixedInfo, bool variableInfo);
// Makes the nothrow array new (the pictures and the kept backgrounds allocate with it) and
// FreeType's start fail from now on, as on a device short of memory, until called with
// false; the fixture
// allows it again. refusedArrays counts the refusals since refusing began.
void refuseArrays(bool refuse);
int refusedArrays();

class ScreenTest : public RootTest {
  protected:
    void TearDown() override;
    // Creates the device file (large enough for every addressed pixel plus `spare`
    // bytes, which may be negative to make it too short) and runs initFB.
    bool openScreen(const DesktopScreen& screen, long spare = 0);
    bool openScreen(unsigned xres, unsigned yres, unsigned bitsPerPixel);
    // Bytes of screen pixel (x, y), found through line_length and the offsets.
    uint8_t* at(int x, int y) const;
    // The colour stored at (x, y), for 32-bit screens.
    Rgb colourAt(int x, int y) const;
    // Every byte of the mapping set to value.
    void fillMapping(uint8_t value);
    std::string mappingBytes() const;
    // Lit pixels (any non-zero byte) as "x,y " in row order, for pixel-set comparisons.
    std::string litPixels() const;
    std::string devicePath() const;
};
