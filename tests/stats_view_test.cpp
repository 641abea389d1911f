#include "app/stats_view.h"

#include "app/app_state.h"
#include "display/text.h"
#include "props/properties.h"
#include "records/refill.h"
#include "stats/plot.h"
#include "tests/stats_fixture.h"

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

class StatsViewTest : public StatsTest {
  protected:
    void SetUp() override {
        StatsTest::SetUp();
        useDistinctColours();
    }
    static std::string record(int vehicle, double distance, double fuel, double odo, double price) {
        char line[128];
        std::snprintf(line, sizeof line,
                      "%d\t%0.2f\t%0.2f\t%0.2f\t%0.2f\t0.00\tSun Dec  6 22:41:59 2026\n", vehicle,
                      distance, fuel, odo, price);
        return line;
    }
    void writeLog(const std::string& records) {
        writeFile(dataFile("consumption.txt"),
                  "# This file contains the consumption-values you entered.\n#\n" + records);
    }
    void show(int screen) {
        app.currentScreen = screen;
        drawStatisticsView();
    }
    int bars(int y) const {
        int runs = 0;
        for (int x = 12; x <= 388; ++x)
            runs += is(x, y, layout.lines) && !is(x - 1, y, layout.lines);
        return runs;
    }
};

TEST_F(StatsViewTest, EachScreenShowsItsView) {
    writeLog(record(1, 400, 30, 0, 42) + record(1, 350, 28, 0, 40) + record(1, 500, 35, 0, 50));
    useScreen(400, 256);
    show(0); // the area is not on the entry screen
    EXPECT_EQ(painted(0, 0, 399, 255), 0);
    show(2);
    EXPECT_GT(count(12, 11, 388, 242, layout.wires), 100);
    EXPECT_GT(count(12, 11, 388, 242, layout.dots), 0);
    EXPECT_EQ(count(12, 11, 388, 242, layout.wiresLight), 0);

    useScreen(400, 256);
    show(3);
    EXPECT_EQ(bars(122), 3);
    EXPECT_EQ(bars(241), 3);

    useScreen(400, 256);
    show(4);
    EXPECT_GT(count(12, 11, 388, 242, layout.numColour), 0);
    EXPECT_EQ(count(12, 11, 388, 242, layout.wires), 0);

    // A designer may give the entry screen a view of its own.
    setProperty("E_AREA.STATDISPLAY.screen", "1");
    setProperty("E_AREA.STATDISPLAY.screen.recap", "1");
    useScreen(400, 256);
    show(0);
    EXPECT_GT(count(12, 11, 388, 242, layout.numColour), 0);
}

TEST_F(StatsViewTest, OtherVehiclesAndMissingLog) {
    useScreen(400, 256);
    show(3); // no log: the background stays
    EXPECT_EQ(painted(0, 0, 399, 255), 0);

    writeLog(record(1, 400, 30, 0, 42) + record(1, 350, 28, 0, 40));
    setProperty("P_DEFAULTVEHICLE", "0");
    show(3);
    EXPECT_EQ(bars(122), 0);
    EXPECT_GT(count(150, 50, 250, 85, layout.text), 20); // not enough data, twice
    EXPECT_GT(count(150, 170, 250, 205, layout.text), 20);
    useScreen(400, 256);
    show(2);
    EXPECT_EQ(count(0, 0, 399, 255, layout.wires), 0);
    EXPECT_GT(count(150, 110, 250, 140, layout.text), 20);
    useScreen(400, 256);
    show(4);
    EXPECT_EQ(painted(0, 0, 399, 255), 0);
}

TEST_F(StatsViewTest, EmptyLineEndsTheLog) {
    writeLog(record(1, 400, 30, 0, 42) + record(1, 350, 28, 0, 40) + "\n" +
             record(1, 500, 35, 0, 50));
    useScreen(400, 256);
    show(3);
    EXPECT_EQ(bars(122), 2);
}

TEST_F(StatsViewTest, OdometerChainReachesTheBars) {
    writeLog(record(1, 0, 25, 1000, 30) + record(1, 0, 10, 0, 14) + record(1, 0, 20, 1500, 26) +
             record(1, 0, 40, 2000, 52));
    useScreen(400, 256);
    show(3);
    // 6.0 spans the carried slot, 8.0 stands alone: two bars, the first one wider
    EXPECT_EQ(bars(122), 2);
    EXPECT_TRUE(is(130, 122, layout.lines)); // slot 1, carried: left edge at 116
    EXPECT_FALSE(is(59, 122, layout.lines)); // slot 0, no value
}

TEST_F(StatsViewTest, LowOdometerReadingSpoilsNoAverage) {
    // Each log of readings draws the graph of its trip log: a slip of the keypad (5000
    // typed for 50000) and a replaced odometer (from 100) leave two intervals at 8.0,
    // averaged at 8.0, with the full-tank ranges of 8.0.
    setProperty("P_CAR1FUELFULL", "48");
    auto readings = [](std::initializer_list<double> odometers) {
        std::string log;
        for (double o : odometers)
            log += record(1, 0, 40, o, 60);
        return log;
    };
    const struct {
        std::string readings, trips;
    } cases[] = {
        {readings({50000, 5000, 51000, 51500}),
         record(1, 1000, 80, 0, 0) + record(1, 500, 40, 0, 0)},
        {readings({50000, 100, 600, 1100}), record(1, 500, 40, 0, 0) + record(1, 500, 40, 0, 0)},
    };
    for (const auto& c : cases) {
        writeLog(c.trips);
        useScreen(400, 256);
        show(2);
        const std::string trips = mappingBytes();
        EXPECT_GT(count(12, 11, 388, 242, layout.avgLine), 100); // the average line and figures
        writeLog(c.readings);
        useScreen(400, 256);
        show(2);
        EXPECT_EQ(mappingBytes(), trips) << c.readings;
    }
}

TEST_F(StatsViewTest, RecapShowsTheNewestLinesBottomAligned) {
    setProperty("E_AREA.STATDISPLAY.smalltext.fontsize", "11");
    std::string log;
    std::vector<std::string> lines;
    for (int i = 0; i < 25; ++i) {
        log += record(1, 100 + i, 30, 0, 42);
        if (i % 5 == 0)
            log += record(2, 900, 1, 0, 1);
        std::string shown = record(1, 100 + i, 30, 0, 42);
        shown.pop_back();
        for (char& c : shown)
            if (c == '\t')
                c = ' ';
        lines.push_back(shown);
    }
    writeLog(log);
    useScreen(400, 256);
    show(4);
    const std::string drawn = mappingBytes();

    // 231 / 12 = 19 rows: records 6 to 24, one per row of 12 layout pixels.
    useScreen(400, 256);
    for (int row = 0; row < 19; ++row)
        drawText(12, 11 + row * 12, 388, 242, lines[6 + row].c_str(), layout.fontName, 11,
                 ALIGN_TOP, layout.numColour.r, layout.numColour.g, layout.numColour.b, -1, -1, -1);
    EXPECT_EQ(drawn, mappingBytes());

    // Fewer lines than rows leave the top rows alone.
    writeLog(record(1, 100, 30, 0, 42) + record(1, 101, 30, 0, 42));
    useScreen(400, 256);
    show(4);
    EXPECT_EQ(painted(0, 0, 399, 11 + 17 * 12 - 1), 0);
    EXPECT_GT(painted(12, 11 + 17 * 12, 388, 11 + 18 * 12 - 1), 0);
    EXPECT_GT(painted(12, 11 + 18 * 12, 388, 242), 0);

    // An area one row tall still shows the newest line.
    setProperty("E_AREA.STATDISPLAY.h", "12");
    useScreen(400, 256);
    show(4);
    EXPECT_GT(painted(12, 11, 388, 22), 0);
}

} // namespace
