#include "base/numeric.h"
#include "display/draw.h"
#include "display/framebuffer.h"
#include "tests/screen_fixture.h"
#include "testsupport/process_state.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <random>
#include <string>

namespace {

// The line, rectangle and ellipse as they were before lines were stepped in integers and
// columns written as runs: every pixel through putPixel, from double arithmetic. The
// reference the drawing functions must match pixel for pixel.
void referenceLine(double x1, double y1, double x2, double y2, int r, int g, int b, double width) {
    if (!std::isfinite(x1) || !std::isfinite(y1) || !std::isfinite(x2) || !std::isfinite(y2))
        return;
    auto stepAlong = [](double start, double end, int size, auto step) {
        double t = start;
        if (t < -2.0)
            t += std::floor(-t) - 2.0;
        for (; t <= end && t < size; t += 1.0)
            step(t);
    };
    if (std::fabs(x1 - x2) > std::fabs(y1 - y2)) {
        const bool forward = x1 < x2;
        const double sx = forward ? x1 : x2, sy = forward ? y1 : y2, end = forward ? x2 : x1;
        const double m = forward ? (y1 - y2) / (x1 - x2) : (y2 - y1) / (x2 - x1);
        stepAlong(sx, end, fb.xres, [&](double t) {
            const double y = (t - sx) * m + sy;
            if (width <= 1.0)
                putPixel(truncToInt(t + 0.5), truncToInt(y), r, g, b, 255);
            else
                referenceLine(t, y - width / 2, t, y + width / 2, r, g, b, 1.0);
        });
        return;
    }
    const bool forward = y1 < y2;
    const double sx = forward ? x1 : x2, sy = forward ? y1 : y2, end = forward ? y2 : y1;
    double m = 0.0;
    if (forward)
        m = (x1 - x2) / (y1 - y2);
    else if (y1 != y2)
        m = (x2 - x1) / (y2 - y1);
    stepAlong(sy, end, fb.yres, [&](double t) {
        const double x = (t - sy) * m + sx;
        if (width <= 1.0)
            putPixel(truncToInt(x), truncToInt(t + 0.5), r, g, b, 255);
        else
            referenceLine(x - width / 2, t, x + width / 2, t, r, g, b, 1.0);
    });
}

void referenceEllipse(int cx, int cy, int w, int h, int r, int g, int b) {
    const long long first = std::max<long long>(-(w / 2), -static_cast<long long>(cx));
    const long long last = std::min<long long>(w / 2, static_cast<long long>(fb.xres) - 1 - cx);
    for (long long i = first; i <= last; ++i) {
        const double q = w == 0 ? 0.0 : 4.0 * i * i / (static_cast<double>(w) * w);
        const int half = truncToInt(std::sqrt(1 - q) * h * 0.5 + 0.5);
        referenceLine(static_cast<double>(cx + i), static_cast<double>(cy) - half,
                      static_cast<double>(cx + i), static_cast<double>(cy) + half, r, g, b, 1.0);
    }
}

class Draw : public ScreenTest {
  protected:
    void SetUp() override {
        ScreenTest::SetUp();
        ASSERT_TRUE(openScreen(24, 16, 32));
    }
    static std::string run(int x0, int x1, int y0, int y1) {
        std::string lit;
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x)
                lit += std::to_string(x) + "," + std::to_string(y) + " ";
        return lit;
    }
};

TEST_F(Draw, LineEndPointsAndRounding) {
    drawLine(0, 0, 0, 0, 9, 9, 9, 1.0);
    EXPECT_EQ(litPixels(), "0,0 ");
    fillMapping(0);
    drawLine(0.5, 2, 3, 2, 9, 9, 9, 1.0); // stepped at 0.5, 1.5, 2.5
    EXPECT_EQ(litPixels(), "1,2 2,2 3,2 ");
    fillMapping(0);
    drawLine(0, 0, 2, 7, 9, 9, 9, 1.0); // steep: x = t * 2 / 7 truncated
    EXPECT_EQ(litPixels(), "0,0 0,1 0,2 0,3 1,4 1,5 1,6 2,7 ");
}

TEST_F(Draw, LineDirectionDoesNotMatter) {
    drawLine(5, 5, 0, 0, 9, 9, 9, 1.0);
    const std::string backwards = litPixels();
    EXPECT_EQ(backwards, "0,0 1,1 2,2 3,3 4,4 5,5 ");
    fillMapping(0);
    drawLine(0, 0, 5, 5, 9, 9, 9, 1.0);
    EXPECT_EQ(litPixels(), backwards);
    fillMapping(0);
    drawLine(11, 3, 1, 5, 9, 9, 9, 1.0);
    const std::string shallow = litPixels();
    fillMapping(0);
    drawLine(1, 5, 11, 3, 9, 9, 9, 1.0);
    EXPECT_EQ(litPixels(), shallow);
}

TEST_F(Draw, WideLineIsPerpendicularRuns) {
    drawLine(0, 10, 20, 10, 9, 9, 9, 3.0); // runs stepped at 8.5 ... 11.5
    EXPECT_EQ(litPixels(), run(0, 20, 9, 12));
    fillMapping(0);
    drawLine(4, 0, 4, 5, 9, 9, 9, 2.0); // horizontal runs from x - 1 to x + 1
    EXPECT_EQ(litPixels(), run(3, 5, 0, 5));
}

TEST_F(Draw, LinesWithWildCoordinatesStayBounded) {
    drawLine(NAN, 1, 5, 1, 9, 9, 9, 1.0);
    drawLine(0, 1, INFINITY, 1, 9, 9, 9, 1.0);
    drawLine(0, 1, 5, 1, 9, 9, 9, INFINITY);
    EXPECT_EQ(litPixels(), "");
    // Far beyond both edges: only the screen's part is drawn, and promptly.
    drawLine(-1e300, 3, 1e300, 3, 9, 9, 9, 1.0);
    EXPECT_EQ(litPixels(), run(0, 23, 3, 3));
    fillMapping(0);
    drawLine(2, -1e12, 2, 1e12, 9, 9, 9, 1e9);
    EXPECT_EQ(litPixels(), run(0, 23, 0, 15));
}

TEST_F(Draw, FillRectTakesCornersInAnyOrder) {
    fillRect(3, 3, 1, 1, 9, 9, 9);
    EXPECT_EQ(litPixels(), run(1, 3, 1, 3));
    fillMapping(0);
    fillRect(INT_MIN, 14, INT_MAX, 15, 9, 9, 9);
    EXPECT_EQ(litPixels(), run(0, 23, 14, 15));
    fillMapping(0);
    fillRect(20, 5, 30, 5, 9, 9, 9); // nothing spills into the next row
    EXPECT_EQ(litPixels(), run(20, 23, 5, 5));
}

TEST_F(Draw, RaisedBoxEdges) {
    drawRaisedBox(2, 2, 6, 5, 250, 10, 100);
    const Rgb fill{250, 10, 100}, light{255, 30, 120}, dark{230, 0, 80};
    EXPECT_EQ(colourAt(4, 3), fill);
    EXPECT_EQ(colourAt(5, 4), fill);
    EXPECT_EQ(colourAt(6, 3), dark);  // right
    EXPECT_EQ(colourAt(4, 5), dark);  // bottom
    EXPECT_EQ(colourAt(6, 5), dark);  // bottom-right
    EXPECT_EQ(colourAt(4, 2), light); // top
    EXPECT_EQ(colourAt(2, 4), light); // left
    EXPECT_EQ(colourAt(6, 2), light); // top-right: the light edges are drawn last
    EXPECT_EQ(colourAt(2, 5), light); // bottom-left
    EXPECT_EQ(litPixels(), run(2, 6, 2, 5));

    fillMapping(0);
    drawRaisedBox(0, 0, 3, 3, 10, 240, 20);
    EXPECT_EQ(colourAt(0, 0), (Rgb{30, 255, 40}));
    EXPECT_EQ(colourAt(3, 3), (Rgb{0, 220, 0}));
}

TEST_F(Draw, EllipseColumns) {
    fillEllipse(10, 10, 4, 4, 9, 9, 9);
    // columns 8 and 12 are single pixels on the centre row, 9 to 11 run from 8 to 12
    EXPECT_EQ(litPixels(), "9,8 10,8 11,8 9,9 10,9 11,9 8,10 9,10 10,10 11,10 12,10 "
                           "9,11 10,11 11,11 9,12 10,12 11,12 ");
    fillMapping(0);
    fillEllipse(10, 8, 7, 6, 9, 9, 9); // the dots of the graphs: odd widths have w columns
    EXPECT_EQ(litPixels().find("6,"), std::string::npos);
    EXPECT_EQ(litPixels().find("14,"), std::string::npos);
    EXPECT_NE(litPixels().find("7,8 "), std::string::npos);
    EXPECT_NE(litPixels().find("13,8 "), std::string::npos);
    fillMapping(0);
    fillEllipse(10, 10, -4, 4, 9, 9, 9);
    EXPECT_EQ(litPixels(), "");
}

TEST_F(Draw, ZeroWidthEllipseIsTheCentreColumn) {
    fillEllipse(5, 5, 1, 4, 9, 9, 9);
    const std::string widthOne = litPixels();
    EXPECT_EQ(widthOne, run(5, 5, 3, 7));
    fillMapping(0);
    fillEllipse(5, 5, 0, 4, 9, 9, 9);
    EXPECT_EQ(litPixels(), widthOne);
}

TEST_F(Draw, HugeEllipseVisitsOnlyTheScreen) {
    fillEllipse(0, 0, INT_MAX, 40, 9, 9, 9);
    EXPECT_EQ(litPixels(), run(0, 23, 0, 15));
    fillMapping(0);
    fillEllipse(23, 5, 9, 0, 9, 9, 9); // its right half beyond the edge
    EXPECT_EQ(litPixels(), run(19, 23, 5, 5));
}

// Random segments with whole-number ends on and around 16- and 32-bit screens of either
// orientation (the quarter-turned panels), many of them steep, flat, one pixel long or
// hitting the pixel grid exactly, a fifth with every end off the grid instead, plus
// rectangles and ellipses reaching off the screen.
TEST_F(Draw, StepsLikeTheDoubleArithmetic) {
    std::mt19937 random(11);
    auto pick = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    const struct {
        unsigned w, h, bits;
    } screens[] = {{400, 256, 16}, {256, 400, 16}, {272, 480, 32}, {24, 16, 32}};
    for (const auto& screen : screens) {
        resetFB();
        ASSERT_TRUE(openScreen(screen.w, screen.h, screen.bits));
        const int w = static_cast<int>(screen.w), h = static_cast<int>(screen.h);
        for (int n = 0; n < 1200; ++n) {
            const int spread = n % 3 == 0 ? 8 : n % 3 == 1 ? 600 : 40000;
            const int x1 = pick(-spread, w + spread), y1 = pick(-spread, h + spread);
            int x2 = x1 + pick(-spread, spread), y2 = y1 + pick(-spread, spread);
            if (n % 7 == 0)
                y2 = y1 + (x2 - x1) * pick(-3, 3) / 4; // slopes that meet the grid
            const double width = n % 11 == 0 ? 1.8 : 1.0;
            const double f = n % 5 == 4 ? 0.375 : 0.0; // every end off the grid
            SCOPED_TRACE(std::to_string(x1) + "," + std::to_string(y1) + " " + std::to_string(x2) +
                         "," + std::to_string(y2) + " on " + std::to_string(w) + "x" +
                         std::to_string(h));
            fillMapping(0);
            referenceLine(x1 + f, y1 + f, x2 + f, y2 + f, 9, 200, 77, width);
            const std::string expected = mappingBytes();
            fillMapping(0);
            drawLine(x1 + f, y1 + f, x2 + f, y2 + f, 9, 200, 77, width);
            ASSERT_TRUE(mappingBytes() == expected);
        }
        for (int n = 0; n < 150; ++n) {
            const int x1 = pick(-30, w + 30), y1 = pick(-30, h + 30);
            const int x2 = pick(-30, w + 30), y2 = pick(-30, h + 30);
            fillMapping(0);
            for (int x = std::max(std::min(x1, x2), 0); x <= std::min(std::max(x1, x2), w - 1); ++x)
                referenceLine(x, y1, x, y2, 1, 2, 3, 1.0);
            std::string expected = mappingBytes();
            fillMapping(0);
            fillRect(x1, y1, x2, y2, 1, 2, 3);
            ASSERT_TRUE(mappingBytes() == expected) << x1 << "," << y1 << " " << x2 << "," << y2;
            const int ew = pick(-2, 40), eh = pick(-2, 40);
            fillMapping(0);
            referenceEllipse(x1, y1, ew, eh, 1, 2, 3);
            expected = mappingBytes();
            fillMapping(0);
            fillEllipse(x1, y1, ew, eh, 1, 2, 3);
            ASSERT_TRUE(mappingBytes() == expected) << x1 << "," << y1 << " " << ew << "x" << eh;
        }
    }
}

} // namespace
