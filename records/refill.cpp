#include "records/refill.h"

#include <cmath>

double refillConsumption(double distance, double fuel, int mode, Per100 order) {
    if (mode != 0)
        return distance / fuel;
    return order == Per100::AfterDividing ? fuel / distance * 100.0 : fuel * 100.0 / distance;
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

namespace {

Amount plus(Amount a, Amount b) {
    return {a.fuel + b.fuel, a.money + b.money};
}

} // namespace

ChainStep stepChain(OdometerChain& chain, double distance, double odometer, Amount own) {
    ChainStep step;
    if (distance != 0.0) {
        // an explicit distance restarts the chain: carried amounts and a low reading
        // still waiting are left behind, and the chain goes on from the trip's reading
        chain = OdometerChain{};
        chain.reading = odometer;
        step.role = ChainRole::Trip;
        step.distance = distance;
        step.amount = own;
        return step;
    }
    if (chain.reading == 0.0) {
        chain.reading = odometer;
        step.role = odometer != 0.0 ? ChainRole::Start : ChainRole::Alone;
        return step;
    }
    if (odometer == 0.0) {
        Amount& waiting = chain.low != 0.0 ? chain.carriedSinceLow : chain.carried;
        waiting = plus(waiting, own);
        step.role = ChainRole::Carried;
        return step;
    }
    if (odometer < (chain.low != 0.0 ? chain.low : chain.reading)) {
        // A negative distance means nothing. Below the last low reading too, this one
        // tells nothing yet either: a new odometer does not go back, so it is one more
        // slip or the first reading of the new odometer, and the next reading decides.
        chain.low = odometer;
        chain.carried = plus(plus(chain.carried, chain.carriedSinceLow), own);
        chain.carriedSinceLow = {};
        step.role = ChainRole::Low;
        return step;
    }
    if (chain.low != 0.0) {
        if (odometer >= chain.reading) {
            step.outcome = LowOutcome::Slip;
            chain.carried = plus(chain.carried, chain.carriedSinceLow);
        } else {
            // the fuel put in up to the new odometer's first reading belongs to no
            // interval of either odometer
            step.outcome = LowOutcome::NewOdometer;
            chain.reading = chain.low;
            chain.carried = chain.carriedSinceLow;
        }
        chain.low = 0.0;
        chain.carriedSinceLow = {};
    }
    step.distance = odometer - chain.reading;
    chain.reading = odometer;
    if (step.distance == 0.0) {
        // the same reading again (a second fill at the same stop): no distance yet, so the
        // fuel waits for the next reading like that of a fuel-only refill
        chain.carried = plus(chain.carried, own);
        step.role = ChainRole::Carried;
        return step;
    }
    step.role = ChainRole::Interval;
    step.amount = plus(own, chain.carried);
    chain.carried = {};
    return step;
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
    const double fuel = field(record.fuel);
    const double price = field(record.price);

    input.pricePerFuel[i] = NO_VALUE;
    if (price != 0.0 && fuel != 0.0 && std::isfinite(price / fuel))
        input.pricePerFuel[i] = price / fuel;

    const ChainStep step =
        stepChain(input.chain, field(record.distance), field(record.odometer), {fuel, 0.0});
    if (step.outcome == LowOutcome::NewOdometer) {
        // the fuel dropped with the old odometer never reaches an interval: its refills
        // are shown without a value
        for (int j = input.lowRecord; j >= 0 && input.consumption[j] == CARRIED_VALUE; --j)
            input.consumption[j] = NO_VALUE;
    }
    if (step.role == ChainRole::Low)
        input.lowRecord = i;

    const double d = step.distance;
    const double f = step.amount.fuel;
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
        // in a series, a record without a figure of its own: its fuel (if any) waits
        const bool waits = step.role == ChainRole::Carried || step.role == ChainRole::Low ||
                           step.role == ChainRole::Interval;
        input.consumption[i] = waits ? CARRIED_VALUE : NO_VALUE;
    }
}
