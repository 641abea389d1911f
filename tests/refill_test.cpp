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

// Odometer readings of 40 fuel units each.
StatsInput readings(const std::vector<double>& odometers, int mode = 0) {
    std::vector<RecordFields> records;
    for (double o : odometers)
        records.push_back(odometer(o, 40));
    return build(records, mode);
}

void expectPair(const StatsInput& s, int i, double distance, double fuel) {
    EXPECT_EQ(s.pairs[i].distance, distance) << i;
    EXPECT_EQ(s.pairs[i].fuel, fuel) << i;
}

TEST(StatsInputTest, LowReadingIsASlipWhenTheNextGoesOnFromTheSeries) {
    // 5000 typed for 50000: no interval of its own, its fuel carried into 50000 to 51000
    StatsInput s = readings({50000, 5000, 51000, 51500});
    EXPECT_EQ(s.consumption[1], CARRIED_VALUE);
    expectPair(s, 1, 0, 0);
    EXPECT_DOUBLE_EQ(s.consumption[2], 8.0);
    expectPair(s, 2, 1000, 80);
    EXPECT_DOUBLE_EQ(s.consumption[3], 8.0);
    expectPair(s, 4, 1500, 120);
    EXPECT_DOUBLE_EQ(readings({50000, 5000, 51000, 51500}, 1).consumption[2], 12.5);

    // Two slips in a row, the second below the first, and a top-up between them: all
    // their fuel goes into the one interval from 50000.
    s = build({odometer(50000, 40), odometer(5000, 40), trip(0, 10), odometer(4000, 30),
               odometer(51500, 40)});
    for (int i = 1; i <= 3; ++i)
        EXPECT_EQ(s.consumption[i], CARRIED_VALUE) << i;
    EXPECT_DOUBLE_EQ(s.consumption[4], 8.0);
    expectPair(s, 5, 1500, 120);

    // Back at the same reading: a slip, and a second fill at that stop.
    s = readings({50000, 5000, 50000, 51000});
    EXPECT_EQ(s.consumption[2], CARRIED_VALUE);
    expectPair(s, 4, 1000, 120);
}

TEST(StatsInputTest, LowReadingsBelowTheSeriesTwiceAreANewOdometer) {
    // 100 and 600 both below 50000: a new odometer from 100, whose fuel is dropped
    StatsInput s = readings({50000, 100, 600, 1100});
    EXPECT_EQ(s.consumption[1], NO_VALUE);
    EXPECT_DOUBLE_EQ(s.consumption[2], 8.0);
    EXPECT_DOUBLE_EQ(s.consumption[3], 8.0);
    expectPair(s, 4, 1000, 80);

    // Fuel carried before the new odometer's first reading is dropped with its own and
    // shown without value; a top-up after it goes into the new series' first interval.
    s = build({odometer(50000, 40), trip(0, 10), odometer(100, 40), trip(0, 20), odometer(600, 20),
               odometer(1100, 40)});
    EXPECT_EQ(s.consumption[1], NO_VALUE);
    EXPECT_EQ(s.consumption[2], NO_VALUE);
    EXPECT_EQ(s.consumption[3], CARRIED_VALUE);
    EXPECT_DOUBLE_EQ(s.consumption[4], 8.0);
    expectPair(s, 6, 1000, 80);

    // A slip, then the new odometer's first reading below it: the series starts at the
    // lower one, the next reading being above it; the slip's fuel is dropped too.
    s = readings({50000, 5000, 100, 600, 1100});
    EXPECT_EQ(s.consumption[1], NO_VALUE);
    EXPECT_EQ(s.consumption[2], NO_VALUE);
    EXPECT_DOUBLE_EQ(s.consumption[3], 8.0);
    expectPair(s, 5, 1000, 80);

    // A second fill at the new odometer's first reading waits for its first interval.
    s = build({odometer(50000, 40), odometer(100, 40), odometer(100, 10), odometer(600, 30)});
    EXPECT_EQ(s.consumption[1], NO_VALUE);
    EXPECT_EQ(s.consumption[2], CARRIED_VALUE);
    expectPair(s, 4, 500, 40);
}

TEST(StatsInputTest, TripRecordAfterALowReadingRestartsTheChain) {
    // the low reading is never decided: its fuel stays carried to nowhere, as a top-up's
    const StatsInput s = build(
        {odometer(50000, 40), odometer(5000, 40), trip(300, 20, 0, 60000), odometer(60500, 40)});
    EXPECT_EQ(s.consumption[1], CARRIED_VALUE);
    expectPair(s, 3, 500, 40);
    expectPair(s, 4, 800, 60);
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
    // a price per fuel past the largest number (a damaged log) has no value either
    EXPECT_EQ(build({trip(400, 1e-300, 1e300)}).pricePerFuel[0], NO_VALUE);
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
