#include "records/refill.h"

#include <cmath>

double refillConsumption(double distance, double fuel, int mode) {
    return mode == 0 ? fuel / distance * 100.0 : distance / fuel;
}

double fullTankRange(double capacity, double value, int mode) {
    return std::trunc((mode != 0 ? capacity * value : capacity / value * 100.0) + 0.5);
}

const char* fuelFullKey(int vehicle) {
    switch (vehicle) {
    case 0:
        return "P_BIKEFUELFULL";
    case 1:
        return "P_CAR1FUELFULL";
    case 2:
        return "P_CAR2FUELFULL";
    default:
        return nullptr;
    }
}

StatsInput makeStatsInput(int count) {
    StatsInput input;
    input.count = count;
    input.pairs.assign(count + 1, DistanceFuel{0.0, 0.0});
    input.consumption.assign(count, NO_VALUE);
    input.pricePerFuel.assign(count, NO_VALUE);
    return input;
}

namespace {

// "nan" and "inf" are numbers to strtod but not to a person editing the log: like any
// other malformed number they read as 0.
double field(double v) {
    return std::isfinite(v) ? v : 0.0;
}

} // namespace

void addStatsRecord(StatsInput& input, const RecordFields& record, int fuelDistanceMode) {
    // The log may have grown since it was counted; the arrays hold what was counted.
    if (input.added >= input.count)
        return;
    const int i = input.added++;
    const double distance = field(record.distance);
    const double fuel = field(record.fuel);
    const double odometer = field(record.odometer);
    const double price = field(record.price);

    input.pricePerFuel[i] = NO_VALUE;
    if (price != 0.0 && fuel != 0.0 && std::isfinite(price / fuel))
        input.pricePerFuel[i] = price / fuel;

    double d = 0.0;
    double f = fuel;
    if (input.previousOdometer != 0.0 && odometer != 0.0 && distance == 0.0 &&
        odometer < input.previousOdometer) {
        // A reading below the last one is a typing error or a new odometer: a negative
        // distance means nothing, so a new series starts here. Fuel waiting for the old
        // series' next reading never gets one; its refills are shown without a value.
        for (int j = i - 1; j >= 0 && input.consumption[j] == CARRIED_VALUE; --j)
            input.consumption[j] = NO_VALUE;
        input.carriedFuel = 0.0;
        input.consumption[i] = NO_VALUE;
        input.previousOdometer = odometer;
        return;
    }
    if (input.previousOdometer != 0.0 && odometer != 0.0 && distance == 0.0) {
        d = odometer - input.previousOdometer;
        if (d == 0.0) {
            // the same reading again (a second fill at the same stop): no distance yet, so
            // the fuel waits for the next reading like that of a fuel-only refill
            input.carriedFuel += fuel;
        } else {
            f = fuel + input.carriedFuel;
            input.carriedFuel = 0.0;
        }
    } else if (distance != 0.0) {
        // an explicit distance restarts the odometer chain
        d = distance;
        input.previousOdometer = 0.0;
        input.carriedFuel = 0.0;
    } else if (input.previousOdometer != 0.0) {
        input.carriedFuel += fuel;
    }

    if (d != 0.0 && f != 0.0) {
        const double value = refillConsumption(d, f, fuelDistanceMode);
        // only numbers near the limits of a double overflow here; they are not shown
        if (std::isfinite(value)) {
            input.pairs[i] = {d, f};
            input.pairs[input.count].distance += d;
            input.pairs[input.count].fuel += f;
        }
        input.consumption[i] = std::isfinite(value) ? value : NO_VALUE;
    } else {
        input.consumption[i] = input.previousOdometer != 0.0 ? CARRIED_VALUE : NO_VALUE;
    }
    if (odometer != 0.0)
        input.previousOdometer = odometer;
}
