// Picture copies with any geometry a layout can ask for and pictures of any length: the
// fast copy must never write off the mapping, never take long, and show exactly what the
// per-pixel reference shows. The input is 40 bytes of geometry, then the picture.
#include "display/fb_query.h"
#include "display/framebuffer.h"
#include "display/image.h"
#include "fuzz/card.h"
#include "testsupport/image_reference.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

int32_t take(const uint8_t*& data) {
    int32_t value;
    std::memcpy(&value, data, sizeof value);
    data += sizeof value;
    return value;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    constexpr std::size_t HEADER = 40;
    if (size < HEADER)
        return 0;
    const uint8_t* p = data;
    int32_t corner[4];
    for (int32_t& c : corner)
        c = take(p);
    const int32_t screenW = take(p), screenH = take(p), imageW = take(p), imageH = take(p);
    const uint8_t panelW = p[0], panelH = p[1], shape = p[2], padding = p[3];
    freshCard();
    DesktopScreen screen;
    screen.xres = panelW % 64 + 1;
    screen.yres = panelH % 64 + 1;
    screen.bitsPerPixel = 8 * (shape % 4 + 1);
    screen.lineLength = screen.xres * screen.bitsPerPixel / 8 + padding % 8;
    screen.xoffset = shape >> 4 & 3;
    screen.yoffset = shape >> 6;
    setDesktopScreen(screen);
    const std::size_t length = std::size_t{screen.lineLength} * (screen.yres + screen.yoffset) + 64;
    writeCardFile("/dev/fb", reinterpret_cast<const uint8_t*>(std::string(length, '\0').data()),
                  length);
    if (!initFB())
        return 0;
    fb.quarterTurn = shape & 4;
    fb.halfTurn = shape & 8;
    const Image image{const_cast<uint8_t*>(data + HEADER), size - HEADER};

    std::memset(fb.mapping, 0x5A, fb.mappingLength);
    copyImageRegion(corner[0], corner[1], corner[2], corner[3], screenW, screenH, imageW, imageH,
                    image);
    const std::string fast(reinterpret_cast<char*>(fb.mapping), fb.mappingLength);
    std::memset(fb.mapping, 0x5A, fb.mappingLength);
    copyImageRegionPerPixel(corner[0], corner[1], corner[2], corner[3], screenW, screenH, imageW,
                            imageH, image);
    if (fast != std::string(reinterpret_cast<char*>(fb.mapping), fb.mappingLength))
        std::abort(); // the fast copy differs from the reference
    closeFB();
    return 0;
}
