// Compares a screenshot of the simulator window (PNG) with the framebuffer file it shows:
// window pixel (x, y) must be framebuffer pixel (x / zoom, y / zoom). Colours may differ by
// the rounding of 5- and 6-bit channels to the display's 8 bits.
//   pumpwright_shot_compare WINDOW.png FB.raw WIDTH HEIGHT BPP ZOOM
#include "tools/common/png_picture.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 7) {
        std::fputs("usage: pumpwright_shot_compare WINDOW.png FB.raw WIDTH HEIGHT BPP ZOOM\n",
                   stderr);
        return 2;
    }
    const int w = std::atoi(argv[3]), h = std::atoi(argv[4]), bits = std::atoi(argv[5]),
              zoom = std::atoi(argv[6]);
    RgbPicture window, screen;
    std::string error;
    if (!readPng(argv[1], 8192, window, error)) {
        std::fprintf(stderr, "%s: %s\n", argv[1], error.c_str());
        return 1;
    }
    std::ifstream in(argv[2], std::ios::binary);
    const std::vector<uint8_t> raw{std::istreambuf_iterator<char>(in),
                                   std::istreambuf_iterator<char>()};
    if (!fromRaw(raw.data(), raw.size(), w, h, bits, screen)) {
        std::fprintf(stderr, "%s: not a %dx%d framebuffer of %d bits\n", argv[2], w, h, bits);
        return 1;
    }
    if (window.w != w * zoom || window.h != h * zoom) {
        std::fprintf(stderr, "the window shows %dx%d, not %dx%d\n", window.w, window.h, w * zoom,
                     h * zoom);
        return 1;
    }
    const int tolerance = bits == 32 ? 0 : 7;
    long differing = 0;
    for (int y = 0; y < window.h; ++y)
        for (int x = 0; x < window.w; ++x) {
            const uint8_t* a = &window.rgb[(static_cast<std::size_t>(y) * window.w + x) * 3];
            const uint8_t* b = &screen.rgb[(static_cast<std::size_t>(y / zoom) * w + x / zoom) * 3];
            for (int c = 0; c < 3; ++c)
                if (std::abs(a[c] - b[c]) > tolerance) {
                    if (differing++ == 0)
                        std::fprintf(stderr, "window %d,%d is %d %d %d, framebuffer %d %d %d\n", x,
                                     y, a[0], a[1], a[2], b[0], b[1], b[2]);
                    break;
                }
        }
    if (differing) {
        std::fprintf(stderr, "%ld window pixels differ from the framebuffer\n", differing);
        return 1;
    }
    std::printf("the window shows the framebuffer, %d times enlarged\n", zoom);
    return 0;
}
