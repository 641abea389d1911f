#include "display/draw.h"
#include "display/framebuffer.h"
#include "tests/screen_fixture.h"

#include <climits>
#include <cmath>
#include <string>

namespace {

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
}

} // namespace
