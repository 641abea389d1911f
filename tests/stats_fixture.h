#pragma once
// A card with a font and a 32-bit framebuffer in memory, for the statistics drawings.
#include "display/framebuffer.h"
#include "props/layout.h"
#include "tests/test_root.h"

#include <cstdint>
#include <string>
#include <vector>

class StatsTest : public RootTest {
  protected:
    void SetUp() override;
    void TearDown() override;

    // A width x height screen, every pixel black; loads the layout from the properties set so far.
    void useScreen(int width, int height, bool halfTurn = false);
    // Distinct colours for every element, so a pixel tells what drew it.
    void useDistinctColours();

    Colour at(int x, int y) const;
    bool is(int x, int y, const Colour& c) const;
    // Pixels of colour c in the screen rectangle x1..x2, y1..y2 (inclusive).
    int count(int x1, int y1, int x2, int y2, const Colour& c) const;
    // Pixels in the rectangle that are not black.
    int painted(int x1, int y1, int x2, int y2) const;

    std::vector<uint8_t> pixels;
};

bool operator==(const Colour& a, const Colour& b);
