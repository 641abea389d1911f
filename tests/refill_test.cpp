#include "records/refill.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

TEST(RefillTest, ConsumptionRangeAndKeysAgree) {
    EXPECT_DOUBLE_EQ(refillConsumption(400, 30, 0), 7.5);
    EXPECT_DOUBLE_EQ(refillConsumption(400, 30, 1), 400.0 / 30);
    EXPECT_EQ(refillConsumption(400, 30, 5), refillConsumption(400, 30, 1)); // any non-zero mode
    // the entry screen divides by the typed numbers as they are
    EXPECT_TRUE(std::isinf(refillConsumption(0, 20, 0)));
    EXPECT_TRUE(std::isnan(refillConsumption(0, 0, 0)));

    // the range is the inverse: a full tank at the consumption of a refill reaches the
    // distance that refill's fuel reached, scaled to the tank, in whole units
    for (int mode : {0, 1}) {
        const double value = refillConsumption(400, 30, mode);
        EXPECT_EQ(fullTankRange(30, value, mode), 400.0);
        EXPECT_EQ(fullTankRange(50, value, mode), 667.0); // 666.67 rounds up
    }

    EXPECT_STREQ(fuelFullKey(0), "P_BIKEFUELFULL");
    EXPECT_STREQ(fuelFullKey(1), "P_CAR1FUELFULL");
    EXPECT_STREQ(fuelFullKey(2), "P_CAR2FUELFULL");
    EXPECT_EQ(fuelFullKey(3), nullptr);
    EXPECT_EQ(fuelFullKey(-1), nullptr);
}

RecordFields trip(double distance, double fuel, double price = 0, double odometer = 0) {
    return {distance, fuel, odometer, price};
}
RecordFields odometer(double reading, double fuel, double price = 0) {
    return {0, fuel, reading, price};
}

StatsInput build(const std::vector<RecordFields>& records, int mode = 0) {
    StatsInput input = makeStatsInput(static_cast<int>(records.size()));
    for (const RecordFields& r : records)
        addStatsRecord(input, r, mode);
    return input;
}

TEST(StatsInputTest, TripRecordsGiveTheirConsumptionAndTotals) {
    const StatsInput s = build({trip(400, 30, 44.07), trip(350, 28)});
    EXPECT_DOUBLE_EQ(s.consumption[0], 7.5);
    EXPECT_DOUBLE_EQ(s.consumption[1], 8.0);
    EXPECT_EQ(s.pairs[0].distance, 400);
    EXPECT_EQ(s.pairs[0].fuel, 30);
    EXPECT_EQ(s.pairs[1].distance, 350);
    EXPECT_EQ(s.pairs[2].distance, 750);
    EXPECT_EQ(s.pairs[2].fuel, 58);
    EXPECT_DOUBLE_EQ(s.pricePerFuel[0], 44.07 / 30);
    EXPECT_EQ(s.pricePerFuel[1], NO_VALUE); // no price

    const StatsInput perFuel = build({trip(400, 30)}, 1);
    EXPECT_NEAR(perFuel.consumption[0], 13.3333333, 1e-6);
    EXPECT_EQ(build({trip(400, 30)}, 7).consumption[0], perFuel.consumption[0]);
}

TEST(StatsInputTest, OdometerChainCarriesFuelOnlyRefills) {
    const StatsInput s = build({odometer(1000, 25), trip(0, 10), odometer(1500, 20)});
    EXPECT_EQ(s.consumption[0], NO_VALUE); // only the starting point
    EXPECT_EQ(s.consumption[1], CARRIED_VALUE);
    EXPECT_DOUBLE_EQ(s.consumption[2], 6.0);
    EXPECT_EQ(s.pairs[0].distance, 0);
    EXPECT_EQ(s.pairs[1].distance, 0);
    EXPECT_EQ(s.pairs[2].distance, 500);
    EXPECT_EQ(s.pairs[2].fuel, 30);
    EXPECT_EQ(s.pairs[3].distance, 500);
    EXPECT_EQ(s.pairs[3].fuel, 30);
    EXPECT_EQ(s.pricePerFuel[1], NO_VALUE); // fuel but no price

    // a fuel-only refill before any odometer reading has nothing to go to
    EXPECT_EQ(build({trip(0, 10)}).consumption[0], NO_VALUE);

    // the same reading twice carries that fill's fuel on as well, into one interval only
    const StatsInput again =
        build({odometer(1000, 40), odometer(1000, 10), odometer(1500, 30), odometer(2000, 35)});
    EXPECT_EQ(again.consumption[1], CARRIED_VALUE);
    EXPECT_DOUBLE_EQ(again.consumption[2], 8.0);
    EXPECT_DOUBLE_EQ(again.consumption[3], 7.0);
}

TEST(StatsInputTest, OdometerGoingBackStartsANewSeries) {
    // 1000 then 900: no interval of -100; the series goes on from 900
    StatsInput s = build({odometer(1000, 20), odometer(900, 30), odometer(1300, 40)});
    EXPECT_EQ(s.consumption[1], NO_VALUE);
    EXPECT_EQ(s.pairs[1].distance, 0);
    EXPECT_DOUBLE_EQ(s.consumption[2], 10.0); // 40 over 400: the 30 are not carried
    EXPECT_EQ(s.pairs[3].distance, 400);
    EXPECT_EQ(s.pairs[3].fuel, 40);
    // fuel waiting in the old series is dropped with it, and so is its carried mark
    s = build({odometer(1000, 20), trip(0, 10), odometer(500, 30), odometer(800, 15)});
    EXPECT_EQ(s.consumption[1], NO_VALUE);
    EXPECT_EQ(s.consumption[2], NO_VALUE);
    EXPECT_DOUBLE_EQ(s.consumption[3], 5.0);
    EXPECT_EQ(s.pairs[4].fuel, 15);
}

TEST(StatsInputTest, TripRecordRestartsTheChain) {
    // without an odometer reading of its own the trip leaves no starting point
    StatsInput s = build({odometer(1000, 20), trip(0, 10), trip(300, 20), odometer(1600, 30)});
    EXPECT_DOUBLE_EQ(s.consumption[2], 20.0 / 300 * 100);
    EXPECT_EQ(s.consumption[3], NO_VALUE);
    // with one the chain goes on from it, and the carried fuel is gone
    s = build({odometer(1000, 20), trip(0, 10), trip(300, 20, 0, 1300), odometer(1600, 30)});
    EXPECT_DOUBLE_EQ(s.consumption[3], 10.0);
    EXPECT_EQ(s.pairs[3].fuel, 30);
    EXPECT_EQ(s.pairs[4].distance, 600);
    EXPECT_EQ(s.pairs[4].fuel, 50);
}

TEST(StatsInputTest, MalformedNumbersReadAsZero) {
    const double nan = std::nan("");
    const StatsInput s = build({trip(400, nan, 40), trip(400, 30, INFINITY), trip(400, 30, 0)});
    EXPECT_EQ(s.consumption[0], NO_VALUE);
    EXPECT_EQ(s.pricePerFuel[0], NO_VALUE);
    EXPECT_EQ(s.pricePerFuel[1], NO_VALUE);
    EXPECT_EQ(s.pricePerFuel[2], NO_VALUE);
    EXPECT_EQ(s.pairs[3].distance, 800);
}

TEST(StatsInputTest, RecordsBeyondTheCountAreIgnored) {
    StatsInput s = makeStatsInput(1);
    addStatsRecord(s, trip(400, 30), 0);
    addStatsRecord(s, trip(500, 30), 0);
    ASSERT_EQ(s.consumption.size(), 1u);
    EXPECT_EQ(s.pairs[1].distance, 400);
    const StatsInput none = makeStatsInput(0);
    EXPECT_EQ(none.pairs.size(), 1u);
    EXPECT_EQ(none.pairs[0].distance, 0);
}

} // namespace
