#pragma once
// A card with a font and a 32-bit screen, for the statistics drawings.
#include "props/layout.h"
#include "tests/screen_fixture.h"

#include <string>

class StatsTest : public ScreenTest {
  protected:
    void SetUp() override;

    // A width x height screen, every pixel black, with the layout loaded from the
    // properties set so far.
    void useScreen(int width, int height, bool halfTurn = false);
    // Distinct colours for every element, so a pixel tells what drew it.
    void useDistinctColours();

    bool is(int x, int y, const Colour& c) const;
    // Pixels of colour c in the screen rectangle x1..x2, y1..y2 (inclusive).
    int count(int x1, int y1, int x2, int y2, const Colour& c) const;
    // Pixels in the rectangle that are not black.
    int painted(int x1, int y1, int x2, int y2) const;
};
