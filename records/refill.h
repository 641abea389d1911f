#pragma once
// The arithmetic of refills: what a distance and a fuel say, the range of a full tank,
// and how the statistics read the records of one vehicle. Nothing here draws or reads
// a file. Fuel-distance mode 0 is fuel per 100 distance units, any other distance per
// fuel unit.
#include "records/consumption_log.h"

#include <vector>

// Where the hundred enters fuel per 100 distance units. The last digit of a printed
// figure can depend on it: 3.99 over 56 is 7.125000000000001 after dividing (7.13), and
// 7.125 before (7.12). The entry and the statistics take it after dividing, the
// fuel-distance graph before.
enum class Per100 { AfterDividing, BeforeDividing };

// Consumption of fuel over distance in mode. A zero divisor gives inf or nan.
double refillConsumption(double distance, double fuel, int mode,
                         Per100 order = Per100::AfterDividing);
// Distance a full tank of capacity lasts at consumption value, in whole distance units.
double fullTankRange(double capacity, double value, int mode);
// The user property holding the fuel of a full tank of vehicle; nullptr for no vehicle.
const char* fuelFullKey(int vehicle);

// Markers in the per-record values: nothing can be computed for the record, or its
// fuel was carried into the next computed record. Compared for equality.
constexpr double NO_VALUE = 98765.7;
constexpr double CARRIED_VALUE = 98765.4;

inline bool isMarker(double v) {
    return v == NO_VALUE || v == CARRIED_VALUE;
}

// What one record is in the odometer chain of its vehicle.
enum class ChainRole {
    Trip,     // carries its own distance; the chain goes on from its reading, if any
    Interval, // a reading after an earlier one of its series: distance by difference
    Start,    // the first reading of a series: only sets the starting point
    Carried,  // no distance of its own (no reading, or the same one again): fuel waits
    Low,      // a reading below the series: no distance, fuel waits for the next reading
    Alone,    // no distance and no reading before it: nothing to measure from
};

// What a reading made of the low reading(s) before it.
enum class LowOutcome {
    None,        // no low reading was waiting, or it still waits
    Slip,        // back at or above the series: the low readings were typing slips, and
                 // the interval runs from the reading before them, their fuel included
    NewOdometer, // still below the series but not below the last low reading: the
                 // odometer was replaced; the series starts again at that low reading
};

// Fuel and money, carried together.
struct Amount {
    double fuel = 0.0;
    double money = 0.0;
};

// The odometer chain of one vehicle, record by record. A reading below the series is
// held back until the next reading tells which it was: one back at or above the series
// shows a slip of the keypad (5000 typed for 50000), one still below the series but not
// below the low reading a replaced odometer, and one below the low reading too is held
// back in its turn (a new odometer counts up, so it is one more slip or the new
// odometer's first reading). Carried amounts are kept in two parts, so that a new odometer drops
// what waited up to its first reading but keeps what came after it.
struct OdometerChain {
    double reading = 0.0;   // last reading of the series; 0: none since the last trip
    double low = 0.0;       // the last of the low readings waiting; 0: none
    Amount carried;         // waiting for the next interval, up to the last low reading
    Amount carriedSinceLow; // waiting, fuel-only refills after the last low reading
};

// The meaning of one record: its role, the low reading it decided, and for a Trip or
// an Interval the distance and the amount of that interval (carried amounts included).
struct ChainStep {
    ChainRole role = ChainRole::Alone;
    LowOutcome outcome = LowOutcome::None;
    double distance = 0.0;
    Amount amount;
};

// Takes the next record of the vehicle (its distance, odometer reading and own amount).
ChainStep stepChain(OdometerChain& chain, double distance, double odometer, Amount own);

// One refill interval, or the totals of the log in the last entry. An entry whose
// distance or fuel is 0 has no value and is skipped everywhere.
struct DistanceFuel {
    double distance;
    double fuel;
};

// The per-record values the graphs are drawn from, for the N records of one vehicle in
// log order, and the state of the odometer chain while they are built.
struct StatsInput {
    int count = 0;                    // N
    std::vector<DistanceFuel> pairs;  // N + 1: (0, 0) without a usable pair; totals last
    std::vector<double> consumption;  // N: value, NO_VALUE or CARRIED_VALUE
    std::vector<double> pricePerFuel; // N: value or NO_VALUE
    int added = 0;                    // records taken so far
    OdometerChain chain;
    int lowRecord = -1; // the record of the last low reading waiting
};

// Room for count records, all without value.
StatsInput makeStatsInput(int count);
// Takes the next record of the vehicle in fuelDistanceMode. Records beyond count are
// ignored.
void addStatsRecord(StatsInput& input, const RecordFields& record, int fuelDistanceMode);
