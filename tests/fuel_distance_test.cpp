#include "stats/fuel_distance.h"

#include "app/stats_view.h"
#include "display/text.h"
#include "props/properties.h"
#include "stats/plot.h"
#include "tests/stats_fixture.h"

#include <cmath>
#include <cstdio>
#include <vector>

namespace {

class FuelDistanceTest : public StatsTest {
  protected:
    void SetUp() override {
        StatsTest::SetUp();
        useDistinctColours();
    }
    // Two intervals and their totals: 7.5 and 7.0 per 100, average 7.22.
    std::vector<DistanceFuel> twoIntervals() const { return {{400, 30}, {500, 35}, {900, 65}}; }
    void draw(std::vector<DistanceFuel> entries) {
        drawFuelDistance(12, 11, 388, 242, entries.data(), static_cast<int>(entries.size()),
                         selectedCapacity(), getPropertyInt("P_DEFAULTFUELDISTMODE", "0"));
    }
};

TEST_F(FuelDistanceTest, ScalesWithoutCapacity) {
    std::vector<DistanceFuel> e = twoIntervals();
    const FuelDistanceScale s = scaleFuelDistance(12, 11, 388, 242, e.data(), 3, 0.0, 0);
    ASSERT_TRUE(s.enoughData);
    EXPECT_DOUBLE_EQ(s.minValue, 7.0);
    EXPECT_EQ(s.minIndex, 1);
    EXPECT_DOUBLE_EQ(s.maxValue, 7.5);
    EXPECT_EQ(s.maxIndex, 0);
    EXPECT_NEAR(s.avgValue, 7.2222222, 1e-6);
    EXPECT_DOUBLE_EQ(s.yTop, 35.0); // the totals' 65 does not count
    EXPECT_DOUBLE_EQ(s.minSlope, 0.07);
    EXPECT_NEAR(s.xTop, 500.0, 1e-9);
    EXPECT_DOUBLE_EQ(s.yScale, 6.6);
    EXPECT_NEAR(s.xScale, 0.752, 1e-12);
    EXPECT_EQ(distanceGridStep(s.xTop), 50);
    EXPECT_EQ(fuelGridStep(s.yTop), 5);
    EXPECT_DOUBLE_EQ(e[1].fuel, 35.0); // unchanged without capacity
}

TEST_F(FuelDistanceTest, ScalesWithCapacity) {
    std::vector<DistanceFuel> e = twoIntervals();
    const FuelDistanceScale s = scaleFuelDistance(12, 11, 388, 242, e.data(), 3, 50.0, 0);
    ASSERT_TRUE(s.enoughData);
    EXPECT_DOUBLE_EQ(e[0].fuel, 20.0);
    EXPECT_DOUBLE_EQ(e[1].fuel, 15.0);
    EXPECT_DOUBLE_EQ(e[2].fuel, -15.0);
    EXPECT_DOUBLE_EQ(s.yTop, 50.0);
    EXPECT_DOUBLE_EQ(s.minSlope, 0.07);
    EXPECT_NEAR(s.xTop, 714.2857, 1e-4);
    EXPECT_EQ(distanceGridStep(s.xTop), 100);
    EXPECT_EQ(fuelGridStep(s.yTop), 5);
    EXPECT_EQ(fullTankRange(50, s.minValue, 0), 714.0);
    EXPECT_EQ(fullTankRange(50, s.avgValue, 0), 692.0);
    EXPECT_EQ(fullTankRange(50, s.maxValue, 0), 667.0);
    EXPECT_EQ(fullTankRange(50, 400.0 / 30.0, 1), 667.0);
}

TEST_F(FuelDistanceTest, GridStepsBetweenTheirBounds) {
    // Each bound takes its own step, a little above it the next one.
    const double steps[] = {1, 2, 5, 10, 20, 50, 100, 200};
    const double distances[] = {10, 20, 50, 100, 200, 500, 1000, 2000};
    const double fuels[] = {12, 25, 60, 120, 250, 600, 1200, 2500};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(distanceGridStep(distances[i]), steps[i]) << i;
        EXPECT_EQ(fuelGridStep(fuels[i]), steps[i]) << i;
        EXPECT_EQ(distanceGridStep(distances[i] + 0.5), i < 7 ? steps[i + 1] : 200) << i;
        EXPECT_EQ(fuelGridStep(fuels[i] + 0.5), i < 7 ? steps[i + 1] : 250) << i;
    }
    // beyond the last bound a tenth, rounded
    EXPECT_EQ(distanceGridStep(2004), 200);
    EXPECT_EQ(distanceGridStep(2006), 201);
    EXPECT_EQ(fuelGridStep(3000), 300);
}

TEST_F(FuelDistanceTest, ExampleGraphWithoutCapacity) {
    useScreen(400, 256);
    draw(twoIntervals());

    // Distance wires every 50 up to 450 (the axis ends a hair below 500), down to y2 + 2.
    for (int px : {12, 50, 87, 125, 162, 200, 238, 275, 313, 350})
        EXPECT_TRUE(is(px, 230, layout.wires)) << px;
    EXPECT_FALSE(is(388, 230, layout.wires));
    EXPECT_TRUE(is(162, 244, layout.wires));
    EXPECT_EQ(painted(0, 245, 399, 255), 0);
    // Fuel wires every 5 up to 35, from x1 - 2 to x2.
    for (int py : {209, 176, 143, 110, 77, 44})
        EXPECT_TRUE(is(388, py, layout.wires) && is(10, py, layout.wires)) << py;
    EXPECT_TRUE(is(300, 110, layout.wires));
    EXPECT_FALSE(is(9, 110, layout.wires));
    EXPECT_FALSE(is(389, 110, layout.wires));
    // Labels: distances under their wires, fuels at the left edge.
    EXPECT_GT(count(150, 230, 175, 241, layout.text), 0);
    EXPECT_GT(count(12, 104, 40, 116, layout.text), 0);

    // Lines from (12, 242): 7.5 to (362, 11) and 7.0 to (388, 11), 1.8 wide; the average
    // to (376, 11), 3.2 wide. Column 187 crosses all three.
    for (int y = 120; y <= 140; ++y) {
        const bool line = y == 126 || y == 127 || y == 134 || y == 135;
        const bool average = y >= 129 && y <= 132;
        EXPECT_EQ(is(187, y, layout.lines), line) << y;
        EXPECT_EQ(is(187, y, layout.avgLine), average) << y;
    }
    // Dots at the interval ends, over the lines.
    EXPECT_TRUE(is(313, 44, layout.dots));
    EXPECT_TRUE(is(310, 44, layout.dots));
    EXPECT_TRUE(is(388, 11, layout.dots));
    // The totals' entry ends no interval and gets no dot: drawn in a corner of the screen,
    // the graph puts no dot well away from it (the totals' would be at 350, 83).
    useScreen(400, 256);
    std::vector<DistanceFuel> e = twoIntervals();
    drawFuelDistance(12, 160, 200, 250, e.data(), 3, 0.0, 0);
    EXPECT_TRUE(is(162, 173, layout.dots));
    EXPECT_EQ(count(0, 0, 399, 140, layout.dots) + count(220, 0, 399, 255, layout.dots), 0);
    useScreen(400, 256);
    draw(twoIntervals());

    // Value figures along the top, no range figures below them.
    const int u = 376 / 5;
    EXPECT_GT(count(12 + u, 11, 12 + 2 * u, 43, layout.text), 0);
    EXPECT_GT(count(170, 11, 230, 43, layout.avgLine), 0);
    EXPECT_GT(count(12 + 3 * u, 11, 12 + 4 * u, 43, layout.text), 0);
    EXPECT_GT(count(12 + u, 11, 12 + 4 * u, 30, layout.statBg), 0);
    EXPECT_EQ(count(12 + u, 33, 12 + 4 * u, 63, layout.statBg), 0);

    // An axis ending on a step has its last wire on the edge: slopes of 1/16 make the
    // distance axis exactly 400 long, with wires every 50.
    useScreen(400, 256);
    draw({{400, 25}, {400, 25}, {800, 50}});
    EXPECT_TRUE(is(388, 100, layout.wires));

    // Intervals of 8 km have a wire every kilometre: the first is labelled, the origin not.
    useScreen(400, 256);
    std::vector<DistanceFuel> tiny = {{8, 0.6}, {8, 0.6}, {16, 1.2}};
    const FuelDistanceScale s = scaleFuelDistance(12, 11, 388, 242, tiny.data(), 3, 0.0, 0);
    ASSERT_EQ(distanceGridStep(s.xTop), 1);
    draw(tiny);
    const int one = 12 + static_cast<int>(s.xScale + 0.5);
    EXPECT_GT(count(one - 6, 230, one + 6, 241, layout.text), 0);
    EXPECT_EQ(count(0, 225, 20, 241, layout.text), 0);
}

TEST_F(FuelDistanceTest, ExampleGraphWithCapacity) {
    setProperty("P_CAR1FUELFULL", "50.0");
    useScreen(400, 256);
    draw(twoIntervals());
    for (int px : {65, 117, 170, 223, 275, 328, 380})
        EXPECT_TRUE(is(px, 100, layout.wires)) << px;
    for (int py : {196, 150, 103, 57, 11}) // up to the full tank's 50 at the top
        EXPECT_TRUE(is(387, py, layout.wires)) << py;
    // The lines start full at the top left and end empty on the bottom edge.
    EXPECT_TRUE(is(12, 11, layout.avgLine));
    EXPECT_TRUE(is(362, 242, layout.lines));
    EXPECT_TRUE(is(388, 242, layout.lines));
    EXPECT_TRUE(is(376, 242, layout.avgLine));
    // Dots at what was left in the tank.
    EXPECT_TRUE(is(223, 150, layout.dots));
    EXPECT_TRUE(is(275, 173, layout.dots));
    // Range figures under the value figures.
    const int u = 376 / 5;
    EXPECT_GT(count(12 + u, 33, 12 + 2 * u, 63, layout.text), 0);
    EXPECT_GT(count(170, 33, 230, 63, layout.avgLine), 0);
    EXPECT_GT(count(12 + u, 33, 12 + 4 * u, 63, layout.statBg), 0);
    // with one decimal: every pixel of "714.0" drawn alone is there
    std::vector<bool> drawn;
    for (int y = 31; y <= 63; ++y)
        for (int x = 12 + u; x <= 12 + 2 * u; ++x)
            drawn.push_back(is(x, y, layout.text));
    useScreen(400, 256);
    plotText(12 + u, 31, 12 + 4 * u, 63, "714.0", layout.bigTextSize, ALIGN_LEFT | ALIGN_TOP,
             layout.text, layout.statBg);
    int alone = 0, missing = 0;
    for (int y = 31, i = 0; y <= 63; ++y)
        for (int x = 12 + u; x <= 12 + 2 * u; ++x, ++i)
            if (is(x, y, layout.text)) {
                ++alone;
                missing += !drawn[i];
            }
    EXPECT_GT(alone, 40);
    EXPECT_EQ(missing, 0);

    // The capacity belongs to the selected vehicle only.
    setProperty("P_DEFAULTVEHICLE", "2");
    useScreen(400, 256);
    draw(twoIntervals());
    EXPECT_EQ(count(12 + u, 33, 12 + 4 * u, 63, layout.statBg), 0);
}

TEST_F(FuelDistanceTest, FullTankRefillKeepsItsLineAndDot) {
    setProperty("P_CAR1FUELFULL", "50");
    useScreen(400, 256);
    draw({{400, 50}, {500, 35}, {900, 85}});
    EXPECT_TRUE(is(223, 242, layout.dots));  // ran the tank empty
    EXPECT_TRUE(is(219, 240, layout.lines)); // from (12, 11) to (222, 242), beside the dot
}

// A hand-edited capacity below nothing or beyond any number (1e999) is no tank.
TEST_F(FuelDistanceTest, NegativeOrEndlessCapacityCountsAsNotEntered) {
    useScreen(400, 256);
    draw(twoIntervals());
    const std::string without = mappingBytes();
    for (const char* capacity : {"-5", "1e999", "nan"}) {
        setProperty("P_CAR1FUELFULL", capacity);
        useScreen(400, 256);
        draw(twoIntervals());
        EXPECT_TRUE(mappingBytes() == without) << capacity;
    }
}

TEST_F(FuelDistanceTest, ShowSwitches) {
    // min 5.0, max 9.0, 8.0 in between (through (200, 56)), average 6.19
    const std::vector<DistanceFuel> three{{1000, 50}, {100, 9}, {500, 40}, {1600, 99}};
    setProperty("P_AREA.STATDISPLAY.fueldist.show.rest", "0");
    setProperty("P_AREA.STATDISPLAY.fueldist.show.average", "0");
    setProperty("P_AREA.STATDISPLAY.fueldist.show.dots", "0");
    useScreen(400, 256);
    draw(three);
    EXPECT_TRUE(is(200, 126, layout.lines));
    EXPECT_TRUE(is(200, 56, layout.wires));
    EXPECT_EQ(count(0, 64, 399, 255, layout.avgLine), 0);
    EXPECT_EQ(count(0, 0, 399, 255, layout.dots), 0);

    // rest shows every line, the average included
    setProperty("P_AREA.STATDISPLAY.fueldist.show.rest", "1");
    useScreen(400, 256);
    draw(three);
    EXPECT_TRUE(is(200, 56, layout.lines));
    EXPECT_TRUE(is(200, 98, layout.avgLine));

    setProperty("P_AREA.STATDISPLAY.fueldist.show.rest", "0");
    setProperty("P_AREA.STATDISPLAY.fueldist.show.borders", "0");
    setProperty("P_AREA.STATDISPLAY.fueldist.show.average", "1");
    useScreen(400, 256);
    draw(three);
    EXPECT_EQ(count(0, 0, 399, 255, layout.lines), 0);
    EXPECT_TRUE(is(200, 98, layout.avgLine));
}

// A line with the ends and the width of one already drawn is left out, not one of
// another width: here the thin 8.999 line ends where the thick worst one (9.00) does,
// and the picture must not depend on which of the two comes first.
TEST_F(FuelDistanceTest, RepeatedLinesAreLeftOutButNotThickerOnes) {
    const DistanceFuel near{1000, 89.99}, worst{1000, 90}, best{500, 35}, totals{3500, 305};
    useScreen(400, 256);
    draw({worst, near, best, worst, totals});
    const std::string worstFirst = mappingBytes();
    useScreen(400, 256);
    draw({near, worst, best, near, totals});
    EXPECT_EQ(mappingBytes(), worstFirst);
}

TEST_F(FuelDistanceTest, EntriesWithoutValueTakeNoPart) {
    useScreen(400, 256);
    draw(twoIntervals());
    const std::string plain = mappingBytes();
    useScreen(400, 256);
    draw({{0, 12}, {400, 30}, {250, 0}, {500, 35}, {900, 65}});
    EXPECT_EQ(mappingBytes(), plain);
}

TEST_F(FuelDistanceTest, ExtremesAreScannedOverEveryInterval) {
    // Every interval with a value takes part, whatever its sign: a negative distance
    // (only a hand-edited trip distance gives one) is the lowest value in mode 0.
    const std::vector<DistanceFuel> entries = {{400, 30}, {-100, 8}, {500, 35}, {800, 73}};
    for (int mode : {0, 1}) {
        std::vector<DistanceFuel> e = entries;
        const FuelDistanceScale s = scaleFuelDistance(12, 11, 388, 242, e.data(), 4, 0.0, mode);
        EXPECT_EQ(s.minIndex, 1) << mode; // -8 per 100, -12.5 per fuel unit
        EXPECT_EQ(s.maxIndex, mode == 0 ? 0 : 2) << mode;
    }
}

TEST_F(FuelDistanceTest, FiguresTakeFuelTimesAHundredOverDistance) {
    // 3.99 over 56 is 7.125 this way, printed 7.12; fuel / distance x 100 gives 7.13
    std::vector<DistanceFuel> e = {{56, 3.99}, {56, 3.99}};
    const FuelDistanceScale s = scaleFuelDistance(12, 11, 388, 242, e.data(), 2, 0.0, 0);
    for (double v : {s.minValue, s.avgValue, s.maxValue}) {
        char text[16];
        std::snprintf(text, sizeof text, "%0.2f", v);
        EXPECT_STREQ(text, "7.12");
    }
    EXPECT_NEAR(refillConsumption(56, 3.99, 0), 7.125, 1e-12); // the entry's order
    EXPECT_GT(refillConsumption(56, 3.99, 0), s.avgValue);
}

TEST_F(FuelDistanceTest, TiedExtremesAreTheEarlierIntervals) {
    // 7.5 and 7.0 per 100 twice each: the first of a tie is the one drawn and labelled
    const std::vector<DistanceFuel> entries = {
        {400, 30}, {500, 35}, {800, 60}, {1000, 70}, {2700, 195}};
    for (int mode : {0, 1}) {
        std::vector<DistanceFuel> e = entries;
        const FuelDistanceScale s = scaleFuelDistance(12, 11, 388, 242, e.data(), 5, 0.0, mode);
        EXPECT_EQ(s.minIndex, mode == 0 ? 1 : 0) << mode;
        EXPECT_EQ(s.maxIndex, mode == 0 ? 0 : 1) << mode;
    }
}

TEST_F(FuelDistanceTest, NotEnoughData) {
    setProperty("P_CAR1FUELFULL", "40");
    const std::vector<std::vector<DistanceFuel>> cases{
        {{0, 0}}, {{400, 30}}, {{0, 30}, {400, 0}, {0, 0}}, {{10, 100000}, {10, 100000}}};
    for (const auto& c : cases) {
        useScreen(400, 256);
        draw(c);
        EXPECT_GT(count(150, 110, 250, 140, layout.text), 20) << c.size();
        EXPECT_EQ(count(0, 0, 399, 255, layout.wires), 0) << c.size();
        EXPECT_EQ(count(0, 0, 399, 100, layout.text), 0) << c.size();
    }
    // one interval and its totals are enough
    useScreen(400, 256);
    draw({{400, 30}, {400, 30}});
    EXPECT_GT(count(0, 0, 399, 255, layout.wires), 0);
}

TEST_F(FuelDistanceTest, HalfTurnTurnsPointsButNotTextBoxes) {
    useScreen(400, 256, true);
    draw(twoIntervals());
    EXPECT_TRUE(is(399 - 313, 255 - 44, layout.dots));
    EXPECT_TRUE(is(399 - 162, 255 - 230, layout.wires));
    // the figures stay at the top of the box as the reader sees it: turned by drawText
    EXPECT_GT(count(12, 255 - 43, 388, 255 - 11, layout.avgLine), 0);
}

TEST_F(FuelDistanceTest, UnusableNumbersNeitherCrashNorHang) {
    setProperty("P_CAR1FUELFULL", "50");
    const double inf = INFINITY, nan = std::nan("");
    const std::vector<std::vector<DistanceFuel>> cases{
        {{400, nan}, {inf, 30}, {500, 35}, {900, 65}}, {{400, -30}, {500, -35}, {900, -65}},
        {{1e300, 1e-300}, {400, 30}, {1e300, 30}},     {{1, 1e308}, {2, 1e308}, {3, inf}},
        {{-500, 30}, {400, 30}, {-100, 60}},
    };
    for (const auto& c : cases) {
        useScreen(400, 256);
        draw(c);
        setProperty("P_CAR1FUELFULL", "0");
        useScreen(400, 256);
        draw(c);
        setProperty("P_CAR1FUELFULL", "50");
    }
    // an interval of endless fuel or distance is left out, as one of none is
    useScreen(400, 256);
    draw({{400, 30}, {0, 0}, {0, 0}, {500, 35}, {900, 65}});
    const std::string leftOut = mappingBytes();
    useScreen(400, 256);
    draw({{400, 30}, {100, inf}, {inf, 10}, {500, 35}, {900, 65}});
    EXPECT_TRUE(mappingBytes() == leftOut);
    // a flat area scales nothing
    useScreen(400, 256);
    std::vector<DistanceFuel> e = twoIntervals();
    drawFuelDistance(12, 100, 388, 100, e.data(), 3, selectedCapacity(), 0);
    EXPECT_EQ(count(0, 0, 399, 255, layout.wires), 0);
}

} // namespace
