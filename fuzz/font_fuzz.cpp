// Font files as the card may hold them: every text the program shows, at the sizes it
// uses, in every turn of the panel. The first byte picks the turns and one more size.
#include "display/fb_query.h"
#include "display/framebuffer.h"
#include "display/text.h"
#include "fuzz/card.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    freshCard();
    writeCardFile("Fuzz.ttf", data + 1, size - 1);
    if (!initFB())
        return 0;
    fb.quarterTurn = data[0] & 1;
    fb.halfTurn = data[0] & 2;
    const int sizes[] = {9, 12, 29, data[0] >> 2};
    for (const char* text : {"Pumpwright 1.0.0", "0123456789.", "=> 7.65", "not enough data",
                             "1\t412.00\t31.50\t0.0\t55.44"}) {
        for (int pixelSize : sizes) {
            measureText(text, "Fuzz.ttf", pixelSize);
            drawText(-5, 3, CARD_XRES + 5, 40, text, "Fuzz.ttf", pixelSize, ALIGN_RIGHT, 89, 98, 75,
                     255, 255, 255);
        }
    }
    closeFB();
    return 0;
}
