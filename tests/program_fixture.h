#pragma once
// A started program on a scratch root: a desktop framebuffer file, a touch device that
// is a plain file (appended samples are read like pending input), plain-coloured
// pictures and the test font on the card.
#include "app/touch.h"
#include "tests/test_root.h"

#include <cstdint>

// One plain colour per picture, as raw RGB565 pixel values.
constexpr uint16_t PIC_S0_VALUE = 0x1111, PIC_S0A_VALUE = 0x2222, PIC_S1_VALUE = 0x3333,
                   PIC_S1A_VALUE = 0x4444, PIC_S2_VALUE = 0x5555;

class ProgramTest : public RootTest {
  public:
    static uint16_t pixel(int x, int y);
    static void setPixel(int x, int y, uint16_t value);
    // Pixels of the screen rectangle x1..x2 by y1..y2 (inclusive) equal to value.
    static int count(int x1, int y1, int x2, int y2, uint16_t value);

  protected:
    void SetUp() override;

    // Writes the device files and the card for a 16-bit screen of the given size.
    void prepare(int xres = 400, int yres = 256);
    // prepare() (unless done) and the program's start-up, which must succeed.
    void start();
    // Appends one sample to the touch device.
    void queue(uint16_t pressure, int x, int y);
    // A pressed and a released sample at screen (x, y).
    void queueTap(int x, int y);
    // Dispatches one sample directly; returns what dispatchTouch returned.
    static bool dispatch(uint16_t pressure, int x, int y);

    bool prepared = false;
};
