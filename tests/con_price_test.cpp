#include "stats/con_price.h"

#include "display/text.h"
#include "props/properties.h"
#include "records/refill.h"
#include "stats/plot.h"
#include "tests/stats_fixture.h"

#include <cmath>
#include <vector>

namespace {

class ConPriceTest : public StatsTest {
  protected:
    void SetUp() override {
        StatsTest::SetUp();
        useDistinctColours();
    }
    Colour light() const { return {layout.lines.r + 20, layout.lines.g + 20, layout.lines.b + 20}; }
    Colour dark() const { return {layout.lines.r - 20, layout.lines.g - 20, layout.lines.b - 20}; }
    // Columns of row y showing the inside of a bar, left to right.
    std::vector<int> barColumns(int y, int x1, int x2) const {
        std::vector<int> xs;
        for (int x = x1; x <= x2; ++x)
            if (is(x, y, layout.lines))
                xs.push_back(x);
        return xs;
    }
    // Bars crossing row y: runs of the inside colour.
    int bars(int y, int x1, int x2) const {
        int runs = 0;
        for (int x = x1; x <= x2; ++x)
            runs += is(x, y, layout.lines) && !is(x - 1, y, layout.lines);
        return runs;
    }
    // Top row of the bar whose inside shows in column x.
    int barTop(int x, int bottom) const {
        int y = bottom;
        while (is(x, y - 1, layout.lines) || is(x, y - 1, light()))
            --y;
        return y;
    }
};

TEST_F(ConPriceTest, CarriedChartHasItsGridAverageAndTwoBars) {
    useScreen(400, 256);
    const double values[] = {7.5, CARRIED_VALUE, 6.0};
    drawBarChart(12, 11, 388, 123, values, 3);

    // Column 140 lies between the bars and right of the labels: grid rows for 7.5, 7.0,
    // 6.5 and 6.0, the average 6.5 over the grid row it shares; 8.0 and 5.5 fall outside.
    for (int y = 11; y <= 123; ++y) {
        if (y == 22 || y == 52 || y == 111)
            EXPECT_TRUE(is(140, y, layout.wires)) << y;
        else if (y == 81)
            EXPECT_TRUE(is(140, y, layout.avgLine)) << y;
        else
            EXPECT_TRUE(is(140, y, layout.wiresLight)) << y;
    }
    EXPECT_TRUE(is(12, 40, layout.wiresLight));
    EXPECT_TRUE(is(388, 123, layout.wiresLight));
    EXPECT_EQ(painted(0, 124, 399, 255), 0);

    // First bar (25, 22)-(125, 123): lighter top and left, darker bottom and right.
    EXPECT_TRUE(is(75, 60, layout.lines));
    EXPECT_TRUE(is(75, 52, layout.lines)); // bars cover the grid
    EXPECT_TRUE(is(75, 22, light()));
    EXPECT_TRUE(is(25, 60, light()));
    EXPECT_TRUE(is(125, 60, dark()));
    EXPECT_TRUE(is(75, 123, dark()));
    EXPECT_TRUE(is(24, 60, layout.wiresLight));
    EXPECT_TRUE(is(126, 60, layout.wiresLight));
    EXPECT_TRUE(is(75, 21, layout.wiresLight));
    // The second bar spans the carried slot: (150, 111)-(375, 123).
    EXPECT_TRUE(is(150, 117, light()));
    EXPECT_TRUE(is(260, 117, layout.lines));
    EXPECT_TRUE(is(375, 117, dark()));
    EXPECT_TRUE(is(260, 111, light()));
    EXPECT_TRUE(is(149, 117, layout.wiresLight));
    EXPECT_TRUE(is(376, 117, layout.wiresLight));
    EXPECT_TRUE(is(260, 110, layout.wiresLight));

    // Labels 7.50 ... 6.00 sit on their rows at the left edge.
    for (int row : {22, 52, 81, 111})
        EXPECT_GT(count(12, row - 7, 24, row + 7, layout.text), 0) << row;
}

TEST_F(ConPriceTest, GridLabelsReadWithTwoDecimals) {
    // Pixels wholly in the text colour, as "x,y " in row order.
    const auto textPixels = [this] {
        std::string at;
        for (int y = 0; y < 256; ++y)
            for (int x = 0; x < 400; ++x)
                if (is(x, y, layout.text))
                    at += std::to_string(x) + "," + std::to_string(y) + " ";
        return at;
    };
    useScreen(400, 256);
    const double values[] = {7.5, CARRIED_VALUE, 6.0};
    drawBarChart(12, 11, 388, 123, values, 3);
    const std::string drawn = textPixels();

    useScreen(400, 256);
    const std::pair<const char*, int> labels[] = {
        {"7.50", 22}, {"7.00", 52}, {"6.50", 81}, {"6.00", 111}};
    for (const auto& [text, row] : labels)
        plotText(12, row, 388, row, text, layout.textSize, ALIGN_LEFT, layout.text, NO_OUTLINE);
    EXPECT_FALSE(drawn.empty());
    EXPECT_EQ(drawn, textPixels());
}

TEST_F(ConPriceTest, ASpreadOfOneHasAGridLineEveryTenth) {
    // 6.0 and 7.0: grid lines from 7.0 (the walk starts at the whole number above the
    // values) down to 5.9, 8.96 rows apart; the average line covers the one of 6.5.
    // Column 200 lies between the bars.
    useScreen(400, 256);
    const double values[] = {6.0, 7.0};
    drawBarChart(12, 11, 388, 123, values, 2);
    EXPECT_EQ(count(200, 12, 200, 122, layout.wires), 11);
    EXPECT_TRUE(is(200, 22, layout.wires) && is(200, 31, layout.wires)); // 7.0 and 6.9

    // Low on a tall layout, with values far below the whole number above them, the walk
    // still starts near the top of the chart: its hundredths are there, 8 rows apart.
    setProperty("E_SCREEN.0.BG.h", "480");
    useScreen(400, 480);
    const double low[] = {6.0, 6.1};
    drawBarChart(12, 300, 388, 400, low, 2);
    EXPECT_EQ(count(200, 301, 200, 399, layout.wires), 12);

    // Wider spreads (distance per fuel), the average's line over one grid line each time:
    // 30 has a line every 5 (40 down to 10), 60 every 10 (70 down to 10); ten still one
    // at every whole number (20 down to 9), and a spread just above ten one every 5 (21,
    // 16 and 11, the average between them).
    struct Spread {
        double low, high;
        int lines;
    };
    for (const Spread w :
         {Spread{10, 40, 6}, Spread{10, 70, 6}, Spread{10, 20, 11}, Spread{10, 20.5, 3}}) {
        const double wide[] = {w.low, w.high};
        drawBarChart(12, 11, 388, 123, wide, 2);
        EXPECT_EQ(count(200, 12, 200, 122, layout.wires), w.lines) << w.high;
    }
}

TEST_F(ConPriceTest, AGridValueOnTheFramesTopRowIsNeitherDrawnNorLabelled) {
    // 5.5 and 9.5 over rows 11..111: 10.0 falls on the frame's top row, where it is
    // neither drawn over the frame nor labelled above it; 9.5 ... 5.5 are inside, the
    // average's line over the one of 7.5.
    useScreen(400, 256);
    const double onTop[] = {5.5, 9.5};
    drawBarChart(12, 11, 388, 111, onTop, 2);
    EXPECT_TRUE(is(200, 11, layout.wiresLight));
    EXPECT_EQ(count(200, 12, 200, 110, layout.wires), 8);
    EXPECT_EQ(painted(0, 0, 399, 10), 0);
}

TEST_F(ConPriceTest, GridValuesOfTheSameHundredthsAreLabelledOnce) {
    // A step of 0.005: seven grid lines inside, every other one sharing the hundredths
    // of its neighbour, so four labels (7.53 ... 7.50), each on its own rows.
    useScreen(400, 256);
    const double values[] = {7.50, 7.53};
    drawBarChart(12, 11, 388, 242, values, 2);
    int labels = 0;
    bool above = false;
    for (int y = 11; y <= 242; ++y) {
        const bool text = count(12, y, 60, y, layout.text) > 0;
        labels += text && !above;
        above = text;
    }
    EXPECT_EQ(labels, 4);
}

TEST_F(ConPriceTest, HalfTurnTurnsTheChartAboutTheScreenCentre) {
    useScreen(400, 256, true);
    const double values[] = {7.5, CARRIED_VALUE, 6.0};
    drawBarChart(12, 11, 388, 123, values, 3);
    EXPECT_TRUE(is(399 - 75, 255 - 60, layout.lines));
    EXPECT_TRUE(is(399 - 140, 255 - 52, layout.wires));
    EXPECT_TRUE(is(399 - 140, 255 - 81, layout.avgLine));
    EXPECT_EQ(painted(0, 0, 399, 255 - 124), 0);
    // the box keeps its size: one column of background on either side
    EXPECT_TRUE(is(399 - 24, 255 - 60, layout.wiresLight));
    EXPECT_FALSE(is(399 - 25, 255 - 60, layout.wiresLight));
    EXPECT_TRUE(is(399 - 126, 255 - 60, layout.wiresLight));
    EXPECT_FALSE(is(399 - 125, 255 - 60, layout.wiresLight));
}

TEST_F(ConPriceTest, BarsAreLitFromTheReadersTopLeftOnTurnedScreens) {
    const double values[] = {7.5, CARRIED_VALUE, 6.0};
    struct Probe {
        int x, y;
        bool light;
    };
    // The first bar, layout (25, 22) to (125, 123): its top left corner lands at screen
    // (374, 233) with the half turn, at (364, 16) with the quarter turn. The probes
    // keep clear of the labels, drawn over the bars at the reader's left.
    struct Case {
        bool quarter, half;
        Probe probes[4]; // the reader's left, top, right and bottom edges
        int chart[4];    // the chart's screen rectangle
    };
    const Case cases[] = {
        {false,
         true,
         {{374, 189, true}, {320, 233, true}, {274, 189, false}, {320, 132, false}},
         {11, 132, 387, 244}},
        {true,
         false,
         {{296, 16, true}, {364, 50, true}, {296, 80, false}, {207, 50, false}},
         {207, 8, 382, 248}},
    };
    for (const Case& c : cases) {
        setProperty("P_ROT90", c.quarter ? "1" : "0");
        useScreen(400, 256, c.half);
        drawBarChart(12, 11, 388, 123, values, 3);
        for (const Probe& p : c.probes)
            EXPECT_TRUE(is(p.x, p.y, p.light ? light() : dark()))
                << "quarter " << c.quarter << ": " << p.x << "," << p.y;
        const int* r = c.chart;
        EXPECT_EQ(painted(0, 0, 399, 255), painted(r[0], r[1], r[2], r[3]))
            << "quarter " << c.quarter << ": pixels outside the chart";
    }
}

TEST_F(ConPriceTest, BarLimitShowsTheNewestEntries) {
    setProperty("P_AREA.STATDISPLAY.conprice.show.maxbars", "80");
    useScreen(400, 256);
    std::vector<double> values(100);
    for (int i = 0; i < 100; ++i)
        values[i] = i < 20 ? 9.0 : 5.0 + i % 3; // the 20 oldest would stand out
    drawBarChart(12, 11, 388, 123, values.data(), 100);

    // Slots of 376 / 80 = 4.7: bars three wide, the inside one column at each centre.
    const std::vector<int> inside = barColumns(122, 12, 388);
    ASSERT_EQ(inside.size(), 80u);
    for (int i = 0; i < 80; ++i)
        EXPECT_EQ(inside[i], static_cast<int>(12 + 4.7 * (i + 0.5) + 0.5)) << i;
    // Far from the grid labels: the last three slots are entries 97 (6.0), 98 (7.0) and
    // 99 (5.0); entries 77 to 79 would stand 7.0, 5.0, 6.0.
    const int top97 = barTop(inside[77], 122), top98 = barTop(inside[78], 122),
              top99 = barTop(inside[79], 122);
    EXPECT_LT(top98, top97);
    EXPECT_LT(top97, top99);

    // With no limit every entry gets a slot.
    setProperty("P_AREA.STATDISPLAY.conprice.show.maxbars", "0");
    useScreen(400, 256);
    drawBarChart(12, 11, 388, 123, values.data(), 100);
    EXPECT_EQ(bars(122, 12, 388), 100);
}

TEST_F(ConPriceTest, NegativeBarLimitShowsEveryBar) {
    setProperty("P_AREA.STATDISPLAY.conprice.show.maxbars", "-5");
    useScreen(400, 256);
    std::vector<double> values(100);
    for (int i = 0; i < 100; ++i)
        values[i] = 5.0 + i % 3;
    drawBarChart(12, 11, 388, 123, values.data(), 100);
    EXPECT_EQ(bars(122, 12, 388), 100);
}

TEST_F(ConPriceTest, NotEnoughDataOnItsBackground) {
    const double single[] = {NO_VALUE, 7.1, NO_VALUE};
    const double equal[] = {1.45, CARRIED_VALUE, 1.45, 1.45};
    const double none[] = {NO_VALUE, NO_VALUE, CARRIED_VALUE};
    const struct {
        const double* values;
        int n;
    } cases[] = {{single, 3}, {equal, 4}, {none, 3}, {nullptr, 0}};
    for (const auto& c : cases) {
        useScreen(400, 256);
        drawBarChart(12, 11, 388, 123, c.values, c.n);
        EXPECT_GT(count(150, 50, 250, 85, layout.text), 20) << c.n;
        EXPECT_EQ(count(12, 11, 388, 123, layout.wires), 0) << c.n;
        EXPECT_EQ(count(12, 11, 388, 123, layout.lines), 0) << c.n;
        EXPECT_EQ(count(12, 11, 388, 123, layout.avgLine), 0) << c.n;
        EXPECT_EQ(count(12, 11, 388, 30, layout.text), 0) << c.n;
        EXPECT_TRUE(is(12, 11, layout.wiresLight) && is(388, 123, layout.wiresLight)) << c.n;
    }
}

TEST_F(ConPriceTest, BarAfterTwoCarriedEntriesSpansAllThreeSlots) {
    // Slots 94 wide, bars 74: the 6.0 bar reaches from the first carried slot's left
    // edge (centre 153) to its own right edge (centre 341).
    useScreen(400, 256);
    const double values[] = {7.5, CARRIED_VALUE, CARRIED_VALUE, 6.0};
    drawBarChart(12, 11, 388, 123, values, 4);
    EXPECT_TRUE(is(115, 117, layout.wiresLight));
    EXPECT_TRUE(is(116, 117, light()));
    EXPECT_EQ(barColumns(117, 117, 377).size(), 261u);
    EXPECT_TRUE(is(378, 117, dark()));
    EXPECT_EQ(bars(117, 12, 388), 2);
    // 6.0 counts three times in the average: 6.375, on row 89 (between the bars)
    EXPECT_TRUE(is(105, 89, layout.avgLine));
}

TEST_F(ConPriceTest, CarriedLastEntryDrawsNothing) {
    useScreen(400, 256);
    const double values[] = {7.0, 6.0, CARRIED_VALUE};
    drawBarChart(12, 11, 388, 123, values, 3);
    const std::vector<int> inside = barColumns(122, 12, 388);
    ASSERT_FALSE(inside.empty());
    EXPECT_LT(inside.back(), 12 + 2 * 376 / 3);
}

TEST_F(ConPriceTest, ChartsSplitTheAreaAndFailIndependently) {
    useScreen(400, 256);
    const double consumption[] = {NO_VALUE, NO_VALUE};
    const double price[] = {1.39, 1.52};
    drawConsumptionPrice(12, 11, 388, 242, consumption, price, 2);
    // consumption 11..123, a gap of five rows, price 129..242
    EXPECT_TRUE(is(200, 123, layout.wiresLight));
    EXPECT_EQ(painted(0, 124, 399, 128), 0);
    EXPECT_TRUE(is(12, 129, layout.wiresLight));
    EXPECT_TRUE(is(388, 242, layout.wiresLight));
    EXPECT_EQ(painted(0, 243, 399, 255), 0);
    EXPECT_GT(count(12, 11, 388, 123, layout.text), 20);
    EXPECT_EQ(count(12, 11, 388, 123, layout.lines), 0);
    EXPECT_EQ(bars(241, 12, 388), 2);
}

TEST_F(ConPriceTest, ValuesAHairApartEndTheirGridAndDrawTheirBars) {
    useScreen(400, 256);
    const double values[] = {7.5, std::nextafter(7.5, 8.0), 7.5};
    drawBarChart(12, 11, 388, 123, values, 3); // once a grid of billions of lines
    // three bars 100 wide, 99 columns inside each
    EXPECT_EQ(barColumns(122, 12, 388).size(), 3u * 99u);
}

TEST_F(ConPriceTest, UnplottableValuesAreSkippedOrRefused) {
    useScreen(400, 256);
    const double odd[] = {std::nan(""), 6.0, INFINITY, 7.0, -INFINITY};
    drawBarChart(12, 11, 388, 123, odd, 5);
    EXPECT_EQ(bars(122, 12, 388), 2); // for 6.0 and 7.0 only
    EXPECT_LT(barTop(barColumns(122, 12, 388).back(), 122), 30);

    useScreen(400, 256);
    const double extreme[] = {-1.7e308, 1.7e308};
    drawBarChart(12, 11, 388, 123, extreme, 2);
    EXPECT_GT(count(12, 11, 388, 123, layout.text), 20);
    EXPECT_EQ(count(12, 11, 388, 123, layout.lines), 0);

    useScreen(400, 256);
    const double tiny[] = {1e-320, 2e-320};
    drawBarChart(12, 11, 388, 123, tiny, 2);
    EXPECT_EQ(count(12, 11, 388, 123, layout.lines), 0);
}

} // namespace
